#pragma once
// The tool's save dialog, driven from a test: find it, type a path, confirm.
#include <doctest/doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/common/SystemPlacement.h"
#include "tests/gui/Driver.h"
#include "tests/gui/RunningTool.h"

namespace rk_test {

// The explorer-style file dialog's name box: an edit inside a combo (cmb13), or an edit (edt1).
const int kNameComboId = 0x47C;
const int kNameEditId = 0x480;

inline BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

inline std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> children;
    ::EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

// The edit that takes the file name, or null when the window is no file dialog.
inline HWND NameBox(HWND dialog) {
    HWND combo = nullptr;
    for (HWND child : Descendants(dialog)) {
        int id = ::GetDlgCtrlID(child);
        bool isEdit = _stricmp(ClassOf(child).c_str(), "Edit") == 0;
        if ((id == kNameEditId || id == kNameComboId) && isEdit) return child;
        if (id == kNameComboId && !combo) combo = child;
    }
    return combo;
}

inline HWND WaitForFileDialog(const RunningTool& tool) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND hwnd : TopLevelWindows(tool.process.Pid()))
            if (hwnd != tool.main && IsDialog(hwnd) && ::IsWindowVisible(hwnd) && NameBox(hwnd)) {
                found = hwnd;
                return true;
            }
        return false;
    });
    return found;
}

// Closes the file dialog with `button` and returns once the save command has ended or shows its
// failure message. The dialog is destroyed when the call that showed it has returned; a marker
// posted behind that is handled only after the writing, which serves sent messages alone.
inline void CloseFileDialog(RunningTool& tool, HWND dialog, int button) {
    Click(dialog, button);
    REQUIRE(WaitUntil([&] { return !::IsWindow(dialog); }));
    REQUIRE(HandledPosted(tool.main));
}

// Opens the save dialog, checks its proposed name, types `path` (empty: keep the proposal) and
// confirms. Returns when the command has finished or shows a message box.
inline void SaveAs(RunningTool& tool, const std::string& path) {
    Click(tool.main, IDC_SAVE);
    HWND dialog = WaitForFileDialog(tool);
    REQUIRE(dialog != nullptr);
    HWND name = NameBox(dialog);
    CHECK(TextOf(name) == "QuorChecklog.txt");
    if (!path.empty()) ::SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    CloseFileDialog(tool, dialog, IDOK);
}

// The file dialog opens in the folder of the last save it remembers here; without one it opens
// in the working folder.
const char kLastVisitedFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU";

}  // namespace rk_test
