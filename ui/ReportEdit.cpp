#include "ui/ReportEdit.h"

#include <richedit.h>

#include <string>

namespace rk {

namespace {

constexpr LPARAM kReportTextLimit = 0x7FFFFFFE;  // more than any report holds
constexpr UINT kUtf16 = 1200;

}  // namespace

void ReportEdit::RaiseLimit() const { SendMsg(EM_EXLIMITTEXT, 0, kReportTextLimit); }

void ReportEdit::ReplaceSelection(const AnsiString& text) const {
    ::SendMessageW(m_hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(ReportWide(text).c_str()));
}

void ReportEdit::SetText(const AnsiString& text) const { ::SetWindowTextW(m_hwnd, ReportWide(text).c_str()); }

AnsiString ReportEdit::GetText() const {
    GETTEXTLENGTHEX measure = {GTL_USECRLF | GTL_PRECISE | GTL_NUMCHARS, kUtf16};
    const LRESULT length = ::SendMessageW(m_hwnd, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
    if (length <= 0) return AnsiString();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX get = {static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_USECRLF, kUtf16, nullptr, nullptr};
    const LRESULT copied = ::SendMessageW(m_hwnd, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                          reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 && copied <= length ? static_cast<size_t>(copied) : 0);
    return ReportBytes(text);
}

}  // namespace rk
