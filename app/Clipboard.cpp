#include "app/Clipboard.h"

#include <cwchar>
#include <string>

#include "base/ReportCodePage.h"
#include "base/Scoped.h"

namespace rk {

ClipboardView ReadClipboard(HWND owner) {
    ClipboardView view = {false, false, AnsiString()};
    if (!::OpenClipboard(owner)) return view;
    auto close = MakeScopeExit([] { ::CloseClipboard(); });
    view.opened = true;
    // UTF-16, which the control puts there itself: CF_TEXT is made from it in the code page of
    // the keyboard's language, which need not be the report's.
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* text = static_cast<const wchar_t*>(::GlobalLock(data))) {
            view.hasText = true;
            view.text = ReportBytes(std::wstring(text, wcsnlen(text, ::GlobalSize(data) / sizeof(wchar_t))));
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
