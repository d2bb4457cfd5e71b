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

}  // namespace rk
