// The copy and save commands' decisions: URL, filter, chosen path, copy and save outcomes. The
// native build runs these too, under the sanitizers (tests/host).
#include <doctest/doctest.h>

#include <memory>
#include <string>

#include "app/OutputRules.h"

using namespace rk;

TEST_CASE("the forum's new-thread URL") {
    CHECK(ForumNewThreadUrl("127.0.0.1") == "http://127.0.0.1/post.php?action=newthread&fid=18&extra=page%3D1");
}

TEST_CASE("the framework's filter becomes the dialog's NUL-separated list") {
    std::string filter = NativeFileFilter(kSaveFilter);
    // "*.txt\0*.txt\0" plus the terminator: a double NUL at the end.
    CHECK(filter == std::string("*.txt\0*.txt\0", 12));
    CHECK(filter.c_str()[12] == '\0');
    CHECK(NativeFileFilter("a|*.a|b|*.b|") == std::string("a\0*.a\0b\0*.b\0", 12));
    SUBCASE("a filter without the closing bar still ends its list") {
        CHECK(NativeFileFilter("t|*.t") == std::string("t\0*.t\0", 6));
    }
    SUBCASE("an empty filter") { CHECK(NativeFileFilter("") == std::string(1, '\0')); }
}

TEST_CASE("the path the save dialog chose") {
    SUBCASE("one name comes back as the full path") {
        const wchar_t buffer[] = L"C:\\dir\\QuorChecklog.txt\0";
        CHECK(ChosenSavePath(buffer, 25, 7) == L"C:\\dir\\QuorChecklog.txt");
    }
    SUBCASE("a folder and several names: the first name in that folder") {
        const wchar_t buffer[] = L"C:\\dir\0one.txt\0two.txt\0";
        CHECK(ChosenSavePath(buffer, 24, 7) == L"C:\\dir\\one.txt");
        // A character whose code page 936 form ends in 0x5C is one character here.
        const wchar_t chinese[] = L"C:\\\u8F6F\0a.txt\0";
        CHECK(ChosenSavePath(chinese, 12, 5) == L"C:\\\u8F6F\\a.txt");
    }
    SUBCASE("a root folder already ends with its separator") {
        const wchar_t buffer[] = L"C:\\\0one\0two\0";
        CHECK(ChosenSavePath(buffer, 13, 4) == L"C:\\one");
    }
    SUBCASE("a buffer without terminator stays within its size") {
        const wchar_t buffer[4] = {L'C', L':', L'\\', L'x'};
        CHECK(ChosenSavePath(buffer, 4, 3) == L"C:\\x");
        CHECK(ChosenSavePath(buffer, 4, 4) == L"C:\\x");
        CHECK(ChosenSavePath(buffer, 4, 0xFFFF) == L"C:\\x");
        const wchar_t names[9] = {L'C', L':', L'\\', L'd', L'\0', L'a', L'.', L't', L'x'};
        CHECK(ChosenSavePath(names, 9, 5) == L"C:\\d\\a.tx");
    }
}

TEST_CASE("the folder of a chosen path, where the temporary file goes") {
    CHECK(FolderOfPath(L"C:\\dir\\QuorChecklog.txt") == L"C:\\dir");
    CHECK(FolderOfPath(L"C:\\QuorChecklog.txt") == L"C:\\");
    CHECK(FolderOfPath(L"\\\\server\\share\\a.txt") == L"\\\\server\\share");
    CHECK(FolderOfPath(L"QuorChecklog.txt") == L".");
    CHECK(FolderOfPath(L"C:\\\u8F6F\\a.txt") == L"C:\\\u8F6F");
}

TEST_CASE("the copy worked only when the clipboard holds the report") {
    const std::string report = "[系统概况]\r\n操作系统版本: 6.1\r\n";
    CHECK(ClipboardHoldsReport({true, true, report}, report));
    CHECK_FALSE(ClipboardHoldsReport({false, false, ""}, report));
    CHECK_FALSE(ClipboardHoldsReport({false, false, ""}, ""));
    CHECK_FALSE(ClipboardHoldsReport({true, false, ""}, report));
    CHECK_FALSE(ClipboardHoldsReport({true, true, "old text"}, report));
    CHECK_FALSE(ClipboardHoldsReport({true, true, report.substr(0, report.size() - 2)}, report));
    CHECK(ClipboardHoldsReport({true, true, "[系统概况]\r操作系统版本: 6.1\r"}, report));
    CHECK(ClipboardHoldsReport({true, true, report}, "[系统概况]\r操作系统版本: 6.1\r" + std::string(1, '\0')));
    CHECK_FALSE(ClipboardHoldsReport({true, true, "[系统概况]\r\r操作系统版本: 6.1\r"}, report));
    SUBCASE("an empty report is held by an empty clipboard") {
        CHECK(ClipboardHoldsReport({true, false, ""}, ""));
        CHECK(ClipboardHoldsReport({true, true, ""}, ""));
        CHECK_FALSE(ClipboardHoldsReport({true, true, "old text"}, ""));
    }
}

TEST_CASE("the copy worked only when the clipboard changed and holds the report") {
    const std::string report = "[系统概况]\r\n操作系统版本: 6.1\r\n";
    CHECK(CopySucceeded(7, 8, {true, true, report}, report));
    // Unchanged: the control's copy never reached the clipboard, even if it already held the
    // same text from an earlier copy.
    CHECK_FALSE(CopySucceeded(7, 7, {true, true, report}, report));
    // Changed, but by someone else, or not readable.
    CHECK_FALSE(CopySucceeded(7, 9, {true, true, "other program's text"}, report));
    CHECK_FALSE(CopySucceeded(7, 8, {false, false, ""}, report));
    SUBCASE("an empty report") {
        CHECK(CopySucceeded(7, 8, {true, false, ""}, ""));
        CHECK_FALSE(CopySucceeded(7, 7, {true, false, ""}, ""));
    }
}

TEST_CASE("the save worked only when every byte was written") {
    CHECK(SaveComplete(true, true, 10, 10));
    CHECK(SaveComplete(true, true, 0, 0));
    CHECK_FALSE(SaveComplete(false, false, 0, 0));
    CHECK_FALSE(SaveComplete(true, false, 10, 10));
    CHECK_FALSE(SaveComplete(true, true, 9, 10));
}

TEST_CASE("the messages") {
    CHECK(std::string(kCopyConfirmText) == "诊断报告已经成功拷贝到剪贴板中!是否到论坛求助??");
    CHECK(std::string(kOutputCaption) == "诊断报告工具");
    CHECK(std::string(kDefaultSaveName) == "QuorChecklog.txt");
    CHECK(std::string(kCopyFailedText) == "诊断报告没有能拷贝到剪贴板中!剪贴板可能正被其他程序占用，请稍后再试。");
    CHECK(SaveFailedText("C:\\dir\\QuorChecklog.txt") == "诊断报告没有能保存到文件中!无法写入文件:\r\nC:\\dir\\QuorChecklog.txt");
}
