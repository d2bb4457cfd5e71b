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

// A lead byte of a two-byte character in code page 936, the code page of every path here.
bool IsCp936LeadByte(char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    return b >= 0x81 && b <= 0xFE;
}

// Code page 936 puts 0x5C, the backslash, in the trail byte of some characters, so only a
// single-byte backslash counts. npos when there is none.
size_t LastSeparator(const AnsiString& path) {
    size_t last = AnsiString::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsCp936LeadByte(path[i]) && i + 1 < path.size())
            ++i;
        else if (path[i] == '\\')
            last = i;
    }
    return last;
}

bool EndsWithSeparator(const AnsiString& path) {
    return !path.empty() && LastSeparator(path) == path.size() - 1;
}

}  // namespace

AnsiString ChosenSavePath(const char* buffer, size_t bufferSize, uint16_t fileOffset) {
    size_t firstLength = strnlen(buffer, bufferSize);
    AnsiString first(buffer, firstLength);
    // Several names: the folder stands alone and nFileOffset points past its terminator.
    bool folderThenNames = fileOffset > 0 && fileOffset == firstLength + 1 && fileOffset < bufferSize &&
                           buffer[fileOffset] != '\0';
    if (!folderThenNames) return first;
    AnsiString name(buffer + fileOffset, strnlen(buffer + fileOffset, bufferSize - fileOffset));
    if (!EndsWithSeparator(first)) first.push_back('\\');
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

AnsiString FolderOfPath(const AnsiString& path) {
    const size_t separator = LastSeparator(path);
    if (separator == AnsiString::npos) return ".";
    // "C:\name": the folder is the root, whose backslash belongs to it.
    if (separator == 2 && path[1] == ':') return path.substr(0, 3);
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
