#pragma once
// The tool started from one of the e2e layout folders, with its main window found.
#include <doctest/doctest.h>
#include <windows.h>

#include <string>

#include "res/resource.h"
#include "tests/gui/Driver.h"

namespace rk_test {

// e2e\<name>\Rekkor.exe beside the test program.
inline std::string Layout(const char* name) { return ExeDir() + "e2e\\" + name + "\\Rekkor.exe"; }

// Where a tool is started from: its exe, and the working directory (empty: the exe's folder).
struct StartedFrom {
    std::string exe;
    std::string workingDir;
};

struct RunningTool {
    AppProcess process;
    HWND main = nullptr;

    explicit RunningTool(const char* layout) : RunningTool(StartedFrom{Layout(layout), ""}) {}
    explicit RunningTool(const StartedFrom& where) {
        REQUIRE(process.Start(where.exe, "", where.workingDir));
        main = WaitForMainWindow(process.Pid());
        REQUIRE(main != nullptr);
    }
    HWND Edit() const { return ::GetDlgItem(main, IDC_REPORT_EDIT); }
    std::string Report() const { return ItemText(main, IDC_REPORT_EDIT); }
    // A message sent to the main window is served once the command in hand has finished or has
    // entered a modal loop.
    void RoundTrip() const { TextOf(main); }
    void Exit() {
        Click(main, IDCANCEL);
        CHECK(process.WaitExit());
    }
};

}  // namespace rk_test
