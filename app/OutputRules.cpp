#include "app/OutputRules.h"

#include <cstring>

namespace rk {

const char kCopyConfirmText[] = "诊断报告已经成功拷贝到剪贴板中!是否到论坛求助??";
const char kCopyFailedText[] = "诊断报告没有能拷贝到剪贴板中!剪贴板可能正被其他程序占用，请稍后再试。";
const char kOutputCaption[] = "诊断报告工具";
const char kForumNewThreadPath[] = "/post.php?action=newthread&fid=18&extra=page%3D1";
const char kDefaultSaveName[] = "QuorChecklog.txt";
const char kSaveFilter[] = "*.txt|*.txt|";

AnsiString ForumNewThreadUrl(const char* host) { return AnsiString("http://") + host + kForumNewThreadPath; }

AnsiString NativeFileFilter(const char* frameworkFilter) {
    AnsiString filter(frameworkFilter);
    for (char& c : filter)
        if (c == '|') c = '\0';
    // The list ends with an empty entry; c_str()'s terminator makes it a double NUL.
    if (filter.empty() || filter.back() != '\0') filter.push_back('\0');
    return filter;
}

namespace {

size_t BoundedLength(const wchar_t* text, size_t size) {
    size_t length = 0;
    while (length < size && text[length]) ++length;
    return length;
}

bool EndsWithSeparator(const std::wstring& path) { return !path.empty() && path.back() == L'\\'; }

}  // namespace

std::wstring ChosenSavePath(const wchar_t* buffer, size_t bufferSize, uint16_t fileOffset) {
    size_t firstLength = BoundedLength(buffer, bufferSize);
    std::wstring first(buffer, firstLength);
    // Several names: the folder stands alone and nFileOffset points past its terminator.
    bool folderThenNames = fileOffset > 0 && fileOffset == firstLength + 1 && fileOffset < bufferSize &&
                           buffer[fileOffset] != L'\0';
    if (!folderThenNames) return first;
    std::wstring name(buffer + fileOffset, BoundedLength(buffer + fileOffset, bufferSize - fileOffset));
    if (!EndsWithSeparator(first)) first.push_back(L'\\');
    return first + name;
}

namespace {

// The text with every line end (CR LF, a lone CR, a lone LF) as one LF, and without the zeros at
// its end.
AnsiString WithLineEndsAlike(const AnsiString& text) {
    size_t end = text.size();
    while (end > 0 && text[end - 1] == '\0') --end;
    AnsiString alike;
    alike.reserve(end);
    for (size_t i = 0; i < end; ++i) {
        if (text[i] != '\r') {
            alike.push_back(text[i]);
            continue;
        }
        alike.push_back('\n');
        if (i + 1 < end && text[i + 1] == '\n') ++i;
    }
    return alike;
}

}  // namespace

bool ClipboardHoldsReport(const ClipboardView& clipboard, const AnsiString& report) {
    if (!clipboard.opened) return false;
    if (!clipboard.hasText) return report.empty();
    // The rich edit control and the clipboard need not agree on line ends (CR against CR LF) or on
    // a closing zero.
    return WithLineEndsAlike(clipboard.text) == WithLineEndsAlike(report);
}

std::wstring FolderOfPath(const std::wstring& path) {
    const size_t separator = path.rfind(L'\\');
    if (separator == std::wstring::npos) return L".";
    // "C:\name": the folder is the root, whose backslash belongs to it.
    if (separator == 2 && path[1] == L':') return path.substr(0, 3);
    return path.substr(0, separator);
}

bool CopySucceeded(uint32_t sequenceBefore, uint32_t sequenceAfter, const ClipboardView& clipboard,
                   const AnsiString& report) {
    return sequenceAfter != sequenceBefore && ClipboardHoldsReport(clipboard, report);
}

bool SaveComplete(bool created, bool writeOk, uint32_t written, size_t length) {
    return created && writeOk && written == length;
}

AnsiString SaveFailedText(const AnsiString& path) {
    return "诊断报告没有能保存到文件中!无法写入文件:\r\n" + path;
}

}  // namespace rk
