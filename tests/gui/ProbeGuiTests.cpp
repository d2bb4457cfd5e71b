// The start-up report of the real tool: the engine's text, then the userinit.exe section and,
// when the suite's shortcut is on the desktop, its target.
#include <doctest/doctest.h>
#include <windows.h>

#include <string>

#include "res/resource.h"
#include "tests/common/ExpectedText.h"
#include "tests/common/SystemPlacement.h"
#include "tests/gui/Driver.h"
#include "tests/gui/RunningTool.h"

using namespace rk_test;

namespace {

std::string StartupReport() {
    RunningTool tool("only_getreport");
    std::string report = tool.Report();
    tool.Exit();
    return report;
}

bool IsUpperHex(const std::string& s) { return s.find_first_not_of("0123456789ABCDEF") == std::string::npos; }

}  // namespace

TEST_CASE("without userinit.exe or the shortcut the report holds the header and the verdict") {
    SetAside noUserinit(UserinitPath());
    SetAside noLink(DesktopLinkPath());
    CHECK(StartupReport() == std::string("only EngGetReport\r\n") + "[userinit.exe情况]\r\n未被感染\r\n" + kSeparator);
}

TEST_CASE("with userinit.exe and the shortcut the report holds both sections") {
    // The candidate is unsigned; its copies are made by sign-candidates.sh.
    std::string name = "userinit-candidate.exe", signature = "否!!!!!";
    SUBCASE("unsigned") {}
    SUBCASE("signed") { name = "userinit-signed.exe", signature = "是"; }
    SUBCASE("changed after signing") { name = "userinit-tampered.exe"; }
    std::string candidate = ExeDir() + name;
    PlacedUserinit placed(candidate.c_str());
    DesktopLink link("C:\\windows\\notepad.exe");
    std::string report = StartupReport();

    std::string head = std::string("only EngGetReport\r\n") + "[userinit.exe情况]\r\nMD5: ";
    REQUIRE(report.compare(0, head.size(), head) == 0);
    size_t pos = head.size();
    CHECK(IsUpperHex(report.substr(pos, 32)));
    pos += 32;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    REQUIRE(::GetFileAttributesExA(candidate.c_str(), GetFileExInfoStandard, &data));
    std::string facts = "\r\n文件大小: " + std::to_string(data.nFileSizeLow) + "\r\n版本信息: 5.1.2600.5512 (xpsp.080413-2105)\r\n是否签名: " + signature;
    CHECK(report.compare(pos, facts.size(), facts) == 0);
    // The candidate is a plain program with a .text section and no WININET import.
    std::string tail = std::string("\r\n未被感染\r\n") + kSeparator + "[桌面快捷方式情况]\r\nC:\\windows\\notepad.exe" +
                       kSeparator;
    REQUIRE(report.size() > tail.size());
    CHECK(report.compare(report.size() - tail.size(), tail.size(), tail) == 0);
}

TEST_CASE("the shortcut is found on a desktop under a folder named outside the system's code page") {
    // é is in code pages 1252 and 936 and is followed by a backslash; Hangul is in neither.
    for (const wchar_t* name : {L"Jos\u00e9", L"\uD14C\uC2A4\uD2B8"}) {
        const std::wstring user = std::wstring(L"C:\\users\\") + name, desktop = user + L"\\Desktop";
        const KeyAside folders("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders");
        ::CreateDirectoryW(user.c_str(), nullptr);
        ::CreateDirectoryW(desktop.c_str(), nullptr);
        REQUIRE(::SHSetValueW(HKEY_CURRENT_USER, Wide(folders.key).c_str(), L"Desktop", REG_SZ, desktop.c_str(),
                              DWORD((desktop.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS);
        SaveShortcut(desktop + L"\\Daveno.lnk", "C:\\windows\\notepad.exe");
        const std::string report = StartupReport();
        ::DeleteFileW((desktop + L"\\Daveno.lnk").c_str());
        ::RemoveDirectoryW(desktop.c_str());
        ::RemoveDirectoryW(user.c_str());
        CHECK(EndsWith(report, std::string("[桌面快捷方式情况]\r\nC:\\windows\\notepad.exe") + kSeparator));
    }
}
