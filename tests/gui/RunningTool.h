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
    // Opens the About box by the system menu's command (a menu may set the low four bits).
    HWND OpenAbout(WPARAM command = IDM_ABOUTBOX) const {
        ::PostMessageA(main, WM_SYSCOMMAND, command, 0);
        return WaitForDialog(process.Pid(), "关于 Rekkor");
    }
    // Checks the About box that was opened and closes it by its OK button.
    void CloseAbout(HWND about) const {
        REQUIRE(about != nullptr);
        CHECK(HasText(about, "Rekkor 2.0 版"));
        Click(about, IDOK);
        CHECK(WaitGone(about));
    }
    void ShowAbout() const { CloseAbout(OpenAbout()); }
    void Exit() {
        Click(main, IDCANCEL);
        CHECK(process.WaitExit());
    }
};

}  // namespace rk_test
