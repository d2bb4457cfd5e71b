#include "app/Clipboard.h"

#include <cstring>

#include "base/Scoped.h"

namespace rk {

ClipboardView ReadClipboard(HWND owner) {
    ClipboardView view = {false, false, AnsiString()};
    if (!::OpenClipboard(owner)) return view;
    auto close = MakeScopeExit([] { ::CloseClipboard(); });
    view.opened = true;
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const char* text = static_cast<const char*>(::GlobalLock(data))) {
            view.hasText = true;
            view.text.assign(text, strnlen(text, ::GlobalSize(data)));
            ::GlobalUnlock(data);
        }
    }
    return view;
}

void EmptyTheClipboard(HWND owner) {
    if (!::OpenClipboard(owner)) return;
    ::EmptyClipboard();
    ::CloseClipboard();
}

void WaitServingSentMessages(DWORD ms) {
    const DWORD start = ::GetTickCount();
    for (DWORD elapsed = 0; elapsed < ms; elapsed = ::GetTickCount() - start) {
        if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_SENDMESSAGE) == WAIT_OBJECT_0) {
            MSG msg;
            ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

}  // namespace rk
