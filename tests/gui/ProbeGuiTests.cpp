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
    std::string candidate = ExeDir() + "userinit-candidate.exe";
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
    std::string facts = "\r\n文件大小: " + std::to_string(data.nFileSizeLow) + "\r\n版本信息: 5.1.2600.5512 (xpsp.080413-2105)\r\n是否签名: 否!!!!!";
    CHECK(report.compare(pos, facts.size(), facts) == 0);
    // The candidate is a plain unsigned program with a .text section and no WININET import.
    std::string tail = std::string("\r\n未被感染\r\n") + kSeparator + "[桌面快捷方式情况]\r\nC:\\windows\\notepad.exe" +
                       kSeparator;
    REQUIRE(report.size() > tail.size());
    CHECK(report.compare(report.size() - tail.size(), tail.size(), tail) == 0);
}

TEST_CASE("the signed line: a signed copy reads signed, one changed after signing does not") {
    SetAside noLink(DesktopLinkPath());
    const struct {
        const char* file;
        const char* line;
    } cases[] = {{"userinit-signed.exe", "是"}, {"userinit-tampered.exe", "否!!!!!"}};
    for (const auto& c : cases) {
        CAPTURE(c.file);
        PlacedUserinit placed((ExeDir() + c.file).c_str());
        CHECK(StartupReport().find(std::string("\r\n是否签名: ") + c.line + "\r\n未被感染\r\n") != std::string::npos);
    }
}
