#pragma once
// A small Win32 driver for the GUI tests: starts Rekkor.exe, finds its windows by class, caption
// and control id, clicks, reads texts and the clipboard. Every wait is bounded.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Handle.h"
#include "tests/common/TestPaths.h"
#include "tests/common/Text.h"

namespace rk_test {

constexpr DWORD kWaitMs = 20000;

// A started program; ended on destruction if it still runs.
class AppProcess {
public:
    AppProcess() = default;
    ~AppProcess();
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    // Starts exe with its own folder as the working directory, or workingDir when given.
    bool Start(const std::string& exe, const std::string& arguments = "", const std::string& workingDir = "");
    DWORD Pid() const { return m_process.id(); }
    HANDLE Handle() const { return m_process.process(); }
    bool WaitExit(DWORD timeoutMs = kWaitMs) const;
    bool Running() const;
    void Kill();

private:
    rk::UniqueProcess m_process;
};

// Polls cond until it holds or timeoutMs passes.
bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs = kWaitMs);

// Top-level windows of a process.
std::vector<HWND> TopLevelWindows(DWORD pid);
std::string ClassOf(HWND hwnd);
std::string TextOf(HWND hwnd);  // WM_GETTEXT in UTF-16 as code page 936, across processes
std::string Cp936(const std::wstring& text);
bool IsDialog(HWND hwnd);

// The main window: a visible dialog of the process holding the report control.
HWND FindMainWindow(DWORD pid);
HWND WaitForMainWindow(DWORD pid, DWORD timeoutMs = kWaitMs);
// A visible dialog of the process with this caption (message boxes included), other than `except`.
HWND FindDialog(DWORD pid, const std::string& caption, HWND except = nullptr);
HWND WaitForDialog(DWORD pid, const std::string& caption, DWORD timeoutMs = kWaitMs, HWND except = nullptr);
// True when one of the dialog's static controls holds exactly this text.
bool HasText(HWND dialog, const std::string& text);
// A visible dialog of the process that holds a static text equal to text.
HWND FindDialogWithText(DWORD pid, const std::string& text);
bool WaitGone(HWND hwnd, DWORD timeoutMs = kWaitMs);

std::string ItemText(HWND dialog, int id);
bool ItemEnabled(HWND dialog, int id);
// Texts of the dialog's static controls, in child order (the text of a message box is one).
std::vector<std::string> StaticTexts(HWND dialog);

// True when the main window's four command buttons are all enabled (or all disabled).
bool AllButtons(HWND main, bool enabled);
// Posts a button's click; posting keeps the driver free while the handler runs a modal loop.
void Click(HWND dialog, int id);
// Posts a marker behind what was posted to the dialog and waits until it is handled, and so all
// before it. A sent message would not do: a thread serves those before the posted ones.
bool HandledPosted(HWND dialog);

// CF_TEXT as it is, or CF_UNICODETEXT as code page 936.
std::string ClipboardText(UINT format = CF_TEXT);
bool SetClipboardText(const std::string& text);
// Empty when the process's modules cannot be listed: compare with true or false.
std::optional<bool> ModuleLoaded(DWORD pid, const char* moduleName);

// Folder of this test program, with a trailing backslash.
std::string ExeDir();
// The window as the screen shows it, written as a BMP file.
bool SaveWindowPicture(HWND hwnd, const std::string& path);

}  // namespace rk_test
