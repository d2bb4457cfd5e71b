#pragma once
// The tool started from one of the e2e layout folders, with its main window found.
#include <doctest/doctest.h>
#include <windows.h>

#include <string>

#include "res/resource.h"
#include "tests/gui/Driver.h"

namespace rkt {

// e2e\<name>\Rekkor.exe beside the test program.
inline std::string Layout(const char* name) { return ExeDir() + "e2e\\" + name + "\\Rekkor.exe"; }

struct RunningTool {
    AppProcess process;
    HWND main = nullptr;

    explicit RunningTool(const char* layout) {
        REQUIRE(process.Start(Layout(layout)));
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

}  // namespace rkt
