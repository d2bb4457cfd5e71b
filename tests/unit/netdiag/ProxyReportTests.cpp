// The proxy section as the probe reads it from the current user's Internet Settings.
#include <doctest/doctest.h>

#include <string>

#include "base/DesktopUser.h"
#include "netdiag/NetDiagnostics.h"
#include "tests/common/ExpectedText.h"
#include "tests/unit/netdiag/ProbeTestUtil.h"

using namespace rk;
using namespace rk_test;

namespace {

const char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const char kHeader[] = "[网络代理信息]\r\n";

std::string Report() {
    SlotWriter out;
    CHECK(NetDiagnostics::ProxyReport(out) == 1);
    return out.Text();
}

}  // namespace

TEST_CASE("proxy report from the registry") {
    RedirectedRoot hkcu(HKEY_CURRENT_USER, "proxy");
    REQUIRE(hkcu.ok());

    SUBCASE("no key at all, and the probe makes none") {
        CHECK(Report() == std::string(kHeader) +
                              "ProxyEnable: NULL\r\nUser Agent: NULL\r\nProxyOverride: NULL\r\nProxyServer: NULL\r\n" + kSeparator);
        HKEY key = nullptr;
        CHECK(::RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) == ERROR_FILE_NOT_FOUND);
    }
    SUBCASE("a full set of values") {
        REQUIRE(hkcu.SetWord(kKey, "ProxyEnable", 1));
        REQUIRE(hkcu.SetText(kKey, "User Agent", "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)"));
        REQUIRE(hkcu.SetText(kKey, "ProxyOverride", "*.local;10.*;<local>"));
        REQUIRE(hkcu.SetText(kKey, "ProxyServer", "127.0.0.1:8080"));
        CHECK(Report() == std::string(kHeader) + "ProxyEnable: 1\r\n" +
                              "User Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)\r\n" +
                              "ProxyOverride: *.local\r\n               10.*\r\n               <local>\r\n" +
                              "ProxyServer:   127.0.0.1:8080\r\n" + kSeparator);
    }
    SUBCASE("values of the wrong type, a negative word, a trailing semicolon, an empty server") {
        REQUIRE(hkcu.SetText(kKey, "ProxyEnable", "1"));
        REQUIRE(hkcu.SetWord(kKey, "User Agent", 5));
        REQUIRE(hkcu.SetText(kKey, "ProxyOverride", "a;b;"));
        REQUIRE(hkcu.SetText(kKey, "ProxyServer", ""));
        CHECK(Report() == std::string(kHeader) + "ProxyEnable: NULL\r\nUser Agent: NULL\r\n" +
                              "ProxyOverride: a\r\n               b\r\n               \r\n" + "ProxyServer:   \r\n" + kSeparator);
        REQUIRE(hkcu.SetWord(kKey, "ProxyEnable", 0xFFFFFFFEu));
        CHECK(Report().find("ProxyEnable: -2\r\n") == std::string(kHeader).size());
    }
    SUBCASE("run as another account, the desktop user's own settings from that user's hive") {
        RedirectedRoot users(HKEY_USERS, "users");
        REQUIRE(users.ok());
        REQUIRE(hkcu.SetText(kKey, "ProxyServer", "admin.example:1"));
        REQUIRE(users.SetText((std::string("S-1-5-21-1-2-3-1001\\") + kKey).c_str(), "ProxyServer", "user.example:2"));
        const DesktopUserQuery real = SetDesktopUserQuery([] { return DesktopUser{true, L"S-1-5-21-1-2-3-1001", L""}; });
        const std::string text = Report();
        SetDesktopUserQuery(real);
        CHECK(text.find("ProxyServer:   user.example:2\r\n") != std::string::npos);
        CHECK(Report().find("ProxyServer:   admin.example:1\r\n") != std::string::npos);  // the same account: its own
    }
    SUBCASE("text limits: 259 characters for the user agent, 519 for the lists") {
        const std::string agent259(259, 'u');
        REQUIRE(hkcu.SetText(kKey, "User Agent", agent259));
        REQUIRE(hkcu.SetText(kKey, "ProxyServer", std::string(519, 's')));
        REQUIRE(hkcu.SetText(kKey, "ProxyOverride", std::string(520, 'o')));
        std::string text = Report();
        CHECK(text.find("User Agent: " + agent259 + "\r\n") != std::string::npos);
        CHECK(text.find("ProxyServer:   " + std::string(519, 's') + "\r\n") != std::string::npos);
        CHECK(text.find("ProxyOverride: NULL\r\n") != std::string::npos);

        REQUIRE(hkcu.SetText(kKey, "User Agent", std::string(260, 'u')));
        text = Report();
        CHECK(text.find("User Agent: NULL\r\n") != std::string::npos);
    }
}
