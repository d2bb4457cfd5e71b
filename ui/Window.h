#pragma once
// A window wrapper that does not own its window.
#include <windows.h>

#include "base/AnsiString.h"
#include "base/ReportCodePage.h"

namespace rk {

class Window {
public:
    HWND GetHwnd() const { return m_hwnd; }
    void Attach(HWND hwnd) { m_hwnd = hwnd; }

    LRESULT SendMsg(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hwnd, message, wParam, lParam);
    }
    HWND GetItem(int id) const { return ::GetDlgItem(m_hwnd, id); }
    BOOL EnableItem(int id, bool enable) const { return ::EnableWindow(GetItem(id), enable); }
    // The tool's own texts are code page 936, shown through UTF-16 so that they read right
    // whatever the system's code page is.
    BOOL SetItemText(int id, const char* text) const { return ::SetDlgItemTextW(m_hwnd, id, ReportWide(text).c_str()); }
    bool IsIconic() const { return ::IsIconic(m_hwnd) != FALSE; }
    BOOL Show(int command) const { return ::ShowWindow(m_hwnd, command); }

protected:
    HWND m_hwnd = nullptr;
};

// Waits `ms`, serving the messages that other threads and programs send meanwhile: a clipboard
// viewer that reads a copy asks this thread's clipboard window to render it, and a window that
// waits for a file to come free must still answer.
void WaitServingSentMessages(DWORD ms);

// A message box of the tool's own texts (code page 936), shown through UTF-16.
inline int ReportMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    return ::MessageBoxW(owner, ReportWide(text).c_str(), ReportWide(caption).c_str(), type);
}

}  // namespace rk
