// The probe sections as the start-up report gets them. These tests place userinit.exe in the
// prefix's system32 and Daveno.lnk on its desktop, and remove both again.
#include <doctest/doctest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "app/StartupReport.h"
#include "base/DesktopUser.h"
#include "engine/CheckEngine.h"
#include "probes/DesktopShortcut.h"
#include "probes/ProbeSection.h"
#include "probes/UserinitFacts.h"
#include "probes/FileMd5.h"
#include "tests/common/ExpectedText.h"
#include "tests/common/SystemPlacement.h"

using namespace rk;
using namespace rk_test;

namespace {

const char kHeader[] = "[userinit.exe情况]\r\n";
const char kTarget[] = "C:\\windows\\notepad.exe";

struct DesktopFolder {
    std::string path = DesktopLinkPath();
    DesktopFolder() { REQUIRE(::CreateDirectoryA(path.c_str(), nullptr)); }
    ~DesktopFolder() { ::RemoveDirectoryA(path.c_str()); }
};

// The small test programs are unsigned.
std::string ExpectedFacts(const std::string& file, const char* version) {
    uint8_t digest[16] = {};
    REQUIRE(ComputeFileMd5(Wide(file).c_str(), digest) == 1);
    char hex[33];
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    REQUIRE(::GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data));
    return std::string("MD5: ") + FormatDigestHex(digest, hex) + "\r\n文件大小: " +
           std::to_string(data.nFileSizeLow) + "\r\n版本信息: " + version + "\r\n是否签名: 否!!!!!\r\n";
}

std::string Sections(char* text, uint32_t size) {
    AppendProbeSections(text, size);
    return text;
}

}  // namespace

TEST_CASE("the sections on a machine without userinit.exe and without the shortcut") {
    SetAside noUserinit(UserinitPath());
    SetAside noLink(DesktopLinkPath());
    char buffer[512] = {};
    CHECK(Sections(buffer, sizeof buffer) == std::string(kHeader) + "未被感染\r\n" + kSeparator);
}

TEST_CASE("the sections are cut at the buffer's end") {
    PlacedUserinit placed((ExeFolder() + "rk_versioned.exe").c_str());
    DesktopLink link(kTarget);
    SUBCASE("an engine text that leaves 10 bytes of room") {
        char buffer[64];
        std::memset(buffer, '#', sizeof buffer);
        std::memcpy(buffer, "engine", 7);
        AppendProbeSections(buffer + 6, 10);
        CHECK(std::string(buffer) == "engine[userinit");
        CHECK(buffer[15] == '\0');
        CHECK(buffer[16] == '#');
    }
    SUBCASE("size 1 appends nothing visible") {
        char buffer[4] = {'\0', '#', '#', '#'};
        AppendProbeSections(buffer, 1);
        CHECK(buffer[0] == '\0');
        CHECK(buffer[1] == '#');
    }
    SUBCASE("a negative size appends nothing at all") {
        char buffer[4] = {'\0', '#', '#', '#'};
        AppendProbeSections(buffer, 0x80000000u);
        CHECK(AppendUserinitFacts(buffer, 0xFFFFFFFFu) == 0);
        CHECK(buffer[0] == '\0');
        CHECK(buffer[1] == '#');
    }
    SUBCASE("text without a terminator within size is left alone") {
        char buffer[8];
        std::memset(buffer, '#', sizeof buffer);
        AppendProbeSections(buffer, sizeof buffer);
        for (char c : buffer) CHECK(c == '#');
    }
    SUBCASE("the fact block is cut by the room it is given") {
        char buffer[40];
        std::memset(buffer, '#', sizeof buffer);
        buffer[0] = '\0';
        CHECK(AppendUserinitFacts(buffer, 30) == 0);
        CHECK(std::strlen(buffer) == 29);
        CHECK(std::string(buffer).rfind("MD5: ", 0) == 0);
        CHECK(buffer[30] == '#');
    }
}

TEST_CASE("the userinit.exe section shows the four facts and the verdict") {
    // A program that imports WININET looks infected.
    for (const char* name : {"rk_versioned.exe", "rk_wininet_user.exe"}) {
        const bool infected = std::string(name) == "rk_wininet_user.exe";
        PlacedUserinit placed((ExeFolder() + name).c_str());
        SetAside noLink(DesktopLinkPath());
        char buffer[2048] = {};
        std::string facts = ExpectedFacts(ExeFolder() + name, infected ? "" : "5.1.2600.5512 (xpsp.080413-2105)");
        CHECK(Sections(buffer, sizeof buffer) == kHeader + facts + (infected ? "被感染\r\n" : "未被感染\r\n") + kSeparator);
        char text[2048] = {};
        CHECK(AppendUserinitFacts(text, sizeof text) == infected);
        CHECK(std::string(text) == facts);
    }
}

std::wstring g_otherDesktop;
rk::DesktopUser OtherDesktopUser() { return {true, L"S-1-5-21-1-2-3-1001", g_otherDesktop}; }

TEST_CASE("the desktop shortcut's target") {
    SUBCASE("run as another account, the link on the desktop user's desktop") {
        FreshFolder other(TempFolder() + "rk-other-desktop");
        {
            DesktopLink link(kTarget);
            REQUIRE(::CopyFileA(link.path.c_str(), other.File("Daveno.lnk").c_str(), FALSE));
        }
        g_otherDesktop.assign(other.path.begin(), other.path.end());
        const rk::DesktopUserQuery real = rk::SetDesktopUserQuery(&OtherDesktopUser);
        char target[MAX_PATH] = {};
        CHECK(GetDesktopShortcutTarget(target, MAX_PATH) == 1);
        rk::SetDesktopUserQuery(real);
        CHECK(std::string(target) == kTarget);
        CHECK(GetDesktopShortcutTarget(target, MAX_PATH) == 0);  // the tool's own desktop has none
    }
    SUBCASE("a link on the desktop") {
        DesktopLink link(kTarget);
        char target[MAX_PATH] = {};
        CHECK(GetDesktopShortcutTarget(target, MAX_PATH) == 1);
        CHECK(std::string(target) == kTarget);
    }
    SUBCASE("a target longer than the capacity is refused, never cut") {
        DesktopLink link(kTarget);
        char target[16];
        std::memset(target, '#', sizeof target);
        CHECK(GetDesktopShortcutTarget(target, 8) == 0);
        CHECK(target[8] == '#');
        std::memset(target, '#', sizeof target);
        CHECK(GetDesktopShortcutTarget(target, 0) == 0);
        CHECK(target[0] == '#');
    }
    SUBCASE("no link") {
        SetAside noLink(DesktopLinkPath());
        char target[MAX_PATH] = "untouched";
        CHECK(GetDesktopShortcutTarget(target, MAX_PATH) == 0);
        CHECK(std::string(target) == "untouched");
    }
    SUBCASE("a folder named Daveno.lnk") {
        SetAside noLink(DesktopLinkPath());
        SetAside noUserinit(UserinitPath());
        DesktopFolder folder;
        char target[MAX_PATH] = "untouched";
        CHECK(GetDesktopShortcutTarget(target, MAX_PATH) == 0);
        CHECK(std::string(target) == "untouched");
        char buffer[512] = {};
        CHECK(Sections(buffer, sizeof buffer) == std::string(kHeader) + "未被感染\r\n" + kSeparator);
    }
    SUBCASE("a file that is no link") {
        SetAside noLink(DesktopLinkPath());
        const std::string& path = noLink.path;
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        REQUIRE(h != INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(h, "not a link", 10, &written, nullptr);
        ::CloseHandle(h);
        char target[MAX_PATH] = "untouched";
        CHECK(GetDesktopShortcutTarget(target, MAX_PATH) == 0);
    }
}

TEST_CASE("the start-up report: engine text, userinit.exe section, shortcut section") {
    PlacedUserinit placed((ExeFolder() + "rk_versioned.exe").c_str());
    DesktopLink link(kTarget);
    std::string facts = ExpectedFacts(ExeFolder() + "rk_versioned.exe", "5.1.2600.5512 (xpsp.080413-2105)");
    CheckEngine engine;
    AnsiString text;
    CHECK(MakeStartupReport(engine, text));
    CHECK(text == std::string("recorded\r\n") + kHeader + facts + "未被感染\r\n" + kSeparator +
                      "[桌面快捷方式情况]\r\n" + kTarget + kSeparator);
}
