#pragma once
// A worker's last word to its window. Without it the window stays locked (or the wait dialog up)
// for good, and a queue that another program has filled to its limit refuses posts for a while:
// the worker tries again for a few seconds, as long as the window exists.
#include <windows.h>

namespace rk {

constexpr DWORD kPostRetryMs = 5000;
constexpr DWORD kPostRetryPauseMs = 20;

inline bool PostCompletion(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (::PostMessageA(window, message, wParam, lParam)) return true;
        if (!::IsWindow(window) || ::GetTickCount() - start >= kPostRetryMs) return false;
        ::Sleep(kPostRetryPauseMs);
    }
}

}  // namespace rk
