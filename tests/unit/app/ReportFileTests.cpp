// Writing the report file: a write that stops short (a full disk, a network share gone) must
// leave the user's earlier file as it was, and no half-written file anywhere.
#include <doctest/doctest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ForumPage.h"
#include "app/ReportFile.h"
#include "base/Handle.h"
#include "tests/common/SystemPlacement.h"
#include "tests/common/TestPaths.h"

using namespace rk;
using rk_test::FileExists;

using namespace rk_test;

namespace {

const std::string kEarlier = "the report saved last week\r\n";
const std::string kReport = "[系统概况]\r\n操作系统版本: 6.1\r\n=======================================\r\n";

// A folder of the test's own under the temp folder.
struct SaveFolder : FreshFolder {
    explicit SaveFolder(const std::string& name) : FreshFolder(TempFolder() + name) {}
};

// The disk runs full half way: half the bytes reach the file, then the write fails.
BOOL DiskFullHalfWay(HANDLE file, const void* data, DWORD size, DWORD* written) {
    DWORD half = size / 2;
    ::WriteFile(file, data, half, written, nullptr);
    ::SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

// The write reports success but took fewer bytes than it was given.
BOOL ShortCount(HANDLE file, const void* data, DWORD size, DWORD* written) {
    return ::WriteFile(file, data, size / 2, written, nullptr);
}

// An on-access scanner: it opens the new file as it is written and keeps anyone from moving or
// deleting it until g_holdMs after.
DWORD g_holdMs = 0;
HANDLE g_scanner = nullptr;
DWORD WINAPI LetGoLater(void* file) { ::Sleep(g_holdMs); return ::CloseHandle(file); }
BOOL WriteBesideScanner(HANDLE file, const void* data, DWORD size, DWORD* written) {
    HANDLE held = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), file, ::GetCurrentProcess(), &held, 0, FALSE, DUPLICATE_SAME_ACCESS);
    g_scanner = ::CreateThread(nullptr, 0, &LetGoLater, held, 0, nullptr);
    return ::WriteFile(file, data, size, written, nullptr);
}

// The tests name their files in the ANSI code page (936 here); the tool's paths are UTF-16.
bool WriteReportFile(const std::string& path, const std::string& text, FileWriter writer = &WriteWholeBuffer,
                     TemporaryNamer makeTemporary = &::GetTempFileNameW) {
    return rk::WriteReportFile(Wide(path), text, writer, makeTemporary);
}

}  // namespace

TEST_CASE("a scanner holding the new file a moment delays the save; holding it long fails it honestly") {
    SaveFolder folder("rekkor-save");
    const std::string target = folder.File("QuorChecklog.txt");
    for (DWORD holdMs : {200u, 5000u}) {
        WriteAll(target, kEarlier);
        g_holdMs = holdMs;
        CHECK(WriteReportFile(target, kReport, &WriteBesideScanner) == (holdMs == 200));
        CHECK(ReadAll(target) == (holdMs == 200 ? kReport : kEarlier));
        CHECK(::WaitForSingleObject(g_scanner, 10000) == WAIT_OBJECT_0);
        ::CloseHandle(g_scanner);
    }
}

TEST_CASE("a write that stops short leaves the earlier file as it was") {
    SaveFolder folder("rekkor-save");
    const std::string target = folder.File("QuorChecklog.txt");
    for (FileWriter writer : {&DiskFullHalfWay, &ShortCount}) {
        REQUIRE(WriteAll(target, kEarlier));
        CHECK_FALSE(WriteReportFile(target, kReport, writer));
        CHECK(ReadAll(target) == kEarlier);
        // Nothing half-written is left beside it.
        CHECK(Listing(folder.path) == std::vector<std::string>{"QuorChecklog.txt"});
    }
}

TEST_CASE("a write that stops short under a new name leaves no file") {
    SaveFolder folder("rekkor-save");
    CHECK_FALSE(WriteReportFile(folder.File("new.txt"), kReport, &DiskFullHalfWay));
    CHECK(Listing(folder.path).empty());
}

TEST_CASE("a complete write replaces the file, or creates it") {
    SaveFolder folder("rekkor-save");
    const std::string target = folder.File("QuorChecklog.txt");
    REQUIRE(WriteAll(target, std::string(5000, 'x')));
    CHECK(WriteReportFile(target, kReport));
    CHECK(ReadAll(target) == kReport);
    // A hidden file stays hidden.
    REQUIRE(::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_HIDDEN));
    CHECK(WriteReportFile(target, kReport));
    CHECK((::GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0);
    CHECK(WriteReportFile(folder.File("report"), kReport));
    CHECK(ReadAll(folder.File("report")) == kReport);
    CHECK(WriteReportFile(folder.File("empty.txt"), ""));
    CHECK(ReadAll(folder.File("empty.txt")) == "");
    CHECK(Listing(folder.path) == std::vector<std::string>{"QuorChecklog.txt", "empty.txt", "report"});
}

// No temporary file can be made in the folder.
UINT WINAPI NoTemporaryFile(LPCWSTR, LPCWSTR, UINT, LPWSTR) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return 0;
}

TEST_CASE("without a temporary file the text is written in place, cutting a longer file") {
    SaveFolder folder("rekkor-save");
    const std::string target = folder.File("QuorChecklog.txt");
    REQUIRE(WriteAll(target, std::string(5000, 'x')));
    CHECK(WriteReportFile(target, kReport, &WriteWholeBuffer, &NoTemporaryFile));
    CHECK(ReadAll(target) == kReport);
    CHECK(WriteReportFile(folder.File("new.txt"), kReport, &WriteWholeBuffer, &NoTemporaryFile));
    CHECK(ReadAll(folder.File("new.txt")) == kReport);
    CHECK(Listing(folder.path) == std::vector<std::string>{"QuorChecklog.txt", "new.txt"});
}

TEST_CASE("a target that cannot be replaced is left alone, and so is its folder") {
    SaveFolder folder("rekkor-save");
    SUBCASE("a folder that does not exist") {
        CHECK_FALSE(WriteReportFile(folder.File("missing\\QuorChecklog.txt"), kReport));
        CHECK(Listing(folder.path).empty());
    }
    SUBCASE("a file another program holds open without sharing") {
        const std::string target = folder.File("held.txt");
        REQUIRE(WriteAll(target, kEarlier));
        UniqueFile holder(::CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        REQUIRE(holder);
        CHECK_FALSE(WriteReportFile(target, kReport));
        holder.reset();
        CHECK(ReadAll(target) == kEarlier);
        CHECK(Listing(folder.path) == std::vector<std::string>{"held.txt"});
    }
}

TEST_CASE("Chinese folder and file names whose characters end in the byte 0x5C") {
    // 報告診 and 結果診: 診 is D4 5C in code page 936, the same byte as a backslash.
    SaveFolder parent("rekkor-save");
    const std::string folder = parent.File("报告診");
    REQUIRE(::CreateDirectoryA(folder.c_str(), nullptr));
    const std::string target = folder + "\\結果診.txt";
    REQUIRE(WriteAll(target, kEarlier));
    CHECK_FALSE(WriteReportFile(target, kReport, &DiskFullHalfWay));
    CHECK(ReadAll(target) == kEarlier);
    CHECK(Listing(folder) == std::vector<std::string>{"結果診.txt"});
    CHECK(WriteReportFile(target, kReport));
    CHECK(ReadAll(target) == kReport);
    CHECK(Listing(folder) == std::vector<std::string>{"結果診.txt"});
    CHECK(Listing(parent.path) == std::vector<std::string>{"报告診"});
    // A folder named in Hangul, which no code page of the tool's user holds together with Chinese.
    const std::wstring hangul = Wide(parent.path) + L"\\\uD14C\uC2A4\uD2B8";
    REQUIRE(::CreateDirectoryW(hangul.c_str(), nullptr));
    CHECK(rk::WriteReportFile(hangul + L"\\QuorChecklog.txt", kReport));
    WIN32_FILE_ATTRIBUTE_DATA saved = {};
    CHECK((::GetFileAttributesExW((hangul + L"\\QuorChecklog.txt").c_str(), GetFileExInfoStandard, &saved) &&
           saved.nFileSizeLow == kReport.size()));
    ::DeleteFileW((hangul + L"\\QuorChecklog.txt").c_str());
    ::RemoveDirectoryW(hangul.c_str());
}

namespace {
std::vector<std::string> g_opened;
bool ShellOpens(const wchar_t*) { return g_opened.push_back("shell"), true; }
bool ShellFails(const wchar_t*) { return g_opened.push_back("shell"), false; }
bool Direct(const wchar_t*) { return g_opened.push_back("direct"), true; }
}  // namespace

TEST_CASE("the forum page opens through the desktop's Explorer where the tool can be elevated") {
    const struct { ForumOpeners openers; std::vector<std::string> expected; } kCases[] = {
        {{&ShellOpens, &Direct, true}, {"shell"}},
        {{&ShellFails, &Direct, true}, {"shell", "direct"}},
        {{&ShellOpens, &Direct, false}, {"direct"}}};
    for (const auto& c : kCases) {
        g_opened.clear();
        CHECK(OpenForumPage(L"http://forum.example/", c.openers));
        CHECK(g_opened == c.expected);
    }
}
