#include "base/ReportCodePage.h"

#include <windows.h>

namespace rk {

namespace {

UINT ReportCodePage() {
    static const UINT page = ::IsValidCodePage(936) ? 936 : ::GetACP();
    return page;
}

}  // namespace

AnsiString ReportBytes(const std::wstring& text) {
    if (text.empty()) return AnsiString();
    const int length = static_cast<int>(text.size());
    const int size = ::WideCharToMultiByte(ReportCodePage(), 0, text.data(), length, nullptr, 0, "?", nullptr);
    AnsiString bytes(size > 0 ? size : 0, '\0');
    if (size > 0) ::WideCharToMultiByte(ReportCodePage(), 0, text.data(), length, &bytes[0], size, "?", nullptr);
    return bytes;
}

std::wstring ReportWide(const AnsiString& text) {
    if (text.empty()) return std::wstring();
    const int length = static_cast<int>(text.size());
    const int size = ::MultiByteToWideChar(ReportCodePage(), 0, text.data(), length, nullptr, 0);
    std::wstring wide(size > 0 ? size : 0, L'\0');
    if (size > 0) ::MultiByteToWideChar(ReportCodePage(), 0, text.data(), length, &wide[0], size);
    return wide;
}

AnsiString ReportBytesFromOem(const AnsiString& text) {
    const UINT oem = ::GetOEMCP();
    if (text.empty() || oem == ReportCodePage()) return text;
    const int length = static_cast<int>(text.size());
    const int size = ::MultiByteToWideChar(oem, 0, text.data(), length, nullptr, 0);
    if (size <= 0) return text;
    std::wstring wide(size, L'\0');
    ::MultiByteToWideChar(oem, 0, text.data(), length, &wide[0], size);
    return ReportBytes(wide);
}

}  // namespace rk
