// The section texts of the proxy, download and firewall probes, from given inputs.
#include <doctest/doctest.h>
#include <windows.h>

#include <string>

#include "netdiag/SectionLines.h"

using namespace rk;

TEST_CASE("proxy lines") {
    SUBCASE("registry reads count only with the accepted type") {
        CHECK(RegValueTaken(ERROR_SUCCESS, REG_DWORD, REG_DWORD));
        CHECK_FALSE(RegValueTaken(ERROR_SUCCESS, REG_SZ, REG_DWORD));
        CHECK_FALSE(RegValueTaken(ERROR_MORE_DATA, REG_SZ, REG_SZ));
        CHECK_FALSE(RegValueTaken(ERROR_FILE_NOT_FOUND, REG_SZ, REG_SZ));
    }
    SUBCASE("ProxyEnable prints signed") {
        CHECK(ProxyEnableLine(true, 1) == "ProxyEnable: 1\r\n");
        CHECK(ProxyEnableLine(true, 0x80000000u) == "ProxyEnable: -2147483648\r\n");
        CHECK(ProxyEnableLine(true, 0xFFFFFFFFu) == "ProxyEnable: -1\r\n");
        CHECK(ProxyEnableLine(false, 1) == "ProxyEnable: NULL\r\n");
    }
    SUBCASE("user agent keeps its semicolons") {
        CHECK(UserAgentLine(true, "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)") ==
              "User Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)\r\n");
        CHECK(UserAgentLine(false, "x") == "User Agent: NULL\r\n");
    }
    SUBCASE("list form puts entries in column 16") {
        CHECK(ProxyListForm("a;b;c") == "a\r\n               b\r\n               c");
        CHECK(ProxyListForm("") == "");
        CHECK(ProxyOverrideLine(true, "*.local;10.*;<local>") ==
              "ProxyOverride: *.local\r\n               10.*\r\n               <local>\r\n");
        CHECK(ProxyOverrideLine(true, "a;") == "ProxyOverride: a\r\n               \r\n");
        CHECK(ProxyServerLine(true, "http=p:80;ftp=q:21") == "ProxyServer:   http=p:80\r\n               ftp=q:21\r\n");
        CHECK(ProxyServerLine(true, "") == "ProxyServer:   \r\n");
        CHECK(ProxyOverrideLine(false, "a") == "ProxyOverride: NULL\r\n");
        CHECK(ProxyServerLine(false, "a") == "ProxyServer: NULL\r\n");
    }
    SUBCASE("a text read stops at its zero or at the bytes returned") {
        const char withZero[] = {'a', 'b', '\0', 'c'};
        CHECK(RegTextValue(withZero, 4) == "ab");
        const char noZero[] = {'x', 'y', 'z'};
        CHECK(RegTextValue(noZero, 3) == "xyz");
        CHECK(RegTextValue(noZero, 0) == "");
    }
}

TEST_CASE("download lines") {
    SUBCASE("1536 bytes in 500 ms") {
        CHECK(DownloadSuccessLine(1000, 1500, true, 1536) ==
              "测试下载Quor升级文件成功...总用时:0.500000秒,文件大小1536字节,速度: 3K/S\r\n");
    }
    SUBCASE("equal tick readings count as 1 ms") {
        CHECK(DownloadSuccessLine(777, 777, true, 2048) ==
              "测试下载Quor升级文件成功...总用时:0.001000秒,文件大小2048字节,速度: 2000K/S\r\n");
    }
    SUBCASE("seconds come from the single-precision factor") {
        CHECK(DownloadSuccessLine(0, 1234, true, 0) == "测试下载Quor升级文件成功...总用时:1.234000秒,文件大小0字节,速度: 0K/S\r\n");
        CHECK(DownloadSuccessLine(0, 60000, true, 0) == "测试下载Quor升级文件成功...总用时:60.000003秒,文件大小0字节,速度: 0K/S\r\n");
        CHECK(DownloadSuccessLine(0, 300000, true, 0) == "测试下载Quor升级文件成功...总用时:300.000014秒,文件大小0字节,速度: 0K/S\r\n");
    }
    SUBCASE("speed is truncated") {
        CHECK(DownloadSuccessLine(0, 1000, true, 1000) == "测试下载Quor升级文件成功...总用时:1.000000秒,文件大小1000字节,速度: 0K/S\r\n");
    }
    SUBCASE("the tick counter wraps") {
        CHECK(DownloadSuccessLine(0xFFFFFF00u, 0x000000F4u, true, 1536) ==
              "测试下载Quor升级文件成功...总用时:0.500000秒,文件大小1536字节,速度: 3K/S\r\n");
        CHECK(DownloadFailureLine(5, 0xFFFFFFFFu, 9) == "测试下载Quor升级文件失败: 5...失败耗时:10毫秒\r\n");
    }
    SUBCASE("large files do not overflow the speed") {
        // 10 MiB in 2 s: 5120 K/S; 32-bit arithmetic would give a wrapped figure.
        CHECK(DownloadSuccessLine(0, 2000, true, 10485760) ==
              "测试下载Quor升级文件成功...总用时:2.000000秒,文件大小10485760字节,速度: 5120K/S\r\n");
        CHECK(DownloadSuccessLine(0, 1, true, 4294967295u) ==
              "测试下载Quor升级文件成功...总用时:0.001000秒,文件大小4294967295字节,速度: 4194303999K/S\r\n");
    }
    SUBCASE("a file gone after the download has no speed") {
        CHECK(DownloadSuccessLine(0, 500, false, 0xFFFFFFFFu) ==
              "测试下载Quor升级文件成功...总用时:0.500000秒,文件大小-1字节,速度: 0K/S\r\n");
    }
    SUBCASE("failure line carries the code and the raw elapsed time") {
        CHECK(DownloadFailureLine(12029, 100, 100) == "测试下载Quor升级文件失败: 12029...失败耗时:0毫秒\r\n");
        CHECK(DownloadFailureLine(0x800C0005u, 0, 250) == "测试下载Quor升级文件失败: -2146697211...失败耗时:250毫秒\r\n");
    }
    SUBCASE("an error status fails the download and names it; else the call's result; the last error only behind a success code") {
        struct Case { int32_t result; uint32_t status, lastError; bool succeeded; uint32_t code; };
        const int32_t kRefused = int32_t(0x800C0008);
        for (const Case c : {Case{0, 200, 0, true, 0}, Case{0, 0, 0, true, 0}, Case{0, 399, 5, true, 0}, Case{0, 404, 0, false, 404},
                             Case{kRefused, 500, 12029, false, 500}, Case{kRefused, 0, 4242, false, 0x800C0008u},
                             Case{kRefused, 0, 0, false, 0x800C0008u}, Case{1, 0, 12029, false, 12029}, Case{1, 0, 0, false, 1}}) {
            const DownloadVerdict verdict = JudgeDownload(c.result, c.status, c.lastError);
            CHECK_MESSAGE(verdict.succeeded == c.succeeded, c.status << " " << c.lastError);
            if (!c.succeeded) CHECK(verdict.failureCode == c.code);
        }
    }
}

TEST_CASE("firewall texts") {
    SUBCASE("service by version") {
        CHECK(std::string(FirewallServiceName(6, 0)) == "MpsSvc");
        CHECK(std::string(FirewallServiceName(6, 1)) == "MpsSvc");
        CHECK(std::string(FirewallServiceName(6, 3)) == "MpsSvc");
        CHECK(std::string(FirewallServiceName(5, 1)) == "SharedAccess");
        CHECK(FirewallServiceName(5, 0) == nullptr);
        CHECK(FirewallServiceName(5, 2) == nullptr);
        CHECK(FirewallServiceName(4, 0) == nullptr);
        CHECK(FirewallServiceName(10, 0) == nullptr);
    }
    SUBCASE("every service state") {
        CHECK(std::string(FirewallStateText(SERVICE_STOPPED, true)) == "停止");
        CHECK(std::string(FirewallStateText(SERVICE_RUNNING, true)) == "运行");
        CHECK(std::string(FirewallStateText(SERVICE_RUNNING, false)) == "禁用");
        CHECK(std::string(FirewallStateText(SERVICE_PAUSED, false)) == "暂停");
        for (DWORD pending : {SERVICE_START_PENDING, SERVICE_STOP_PENDING, SERVICE_CONTINUE_PENDING, SERVICE_PAUSE_PENDING})
            CHECK(std::string(FirewallStateText(pending, true)) == "未知状态0!");
    }
    SUBCASE("the registry's say: Group Policy first, then the profile's value, else on") {
        const RegistryWord none{ERROR_FILE_NOT_FOUND, 0, 0}, text{ERROR_SUCCESS, REG_SZ, 0};
        const RegistryWord on{ERROR_SUCCESS, REG_DWORD, 7}, off{ERROR_SUCCESS, REG_DWORD, 0};
        CHECK(FirewallRegistryEnabled(none, none));
        CHECK(FirewallRegistryEnabled(text, text));
        CHECK(FirewallRegistryEnabled(none, on));
        CHECK_FALSE(FirewallRegistryEnabled(none, off));
        CHECK_FALSE(FirewallRegistryEnabled(off, on));
        CHECK(FirewallRegistryEnabled(on, off));
    }
    SUBCASE("the API's say: on only when every profile in effect is") {
        CHECK(FirewallProfilesVerdict({true, 2 | 4, {false, true, true}}) == 1);
        CHECK(FirewallProfilesVerdict({true, 2 | 4, {true, true, false}}) == 0);
        CHECK(FirewallProfilesVerdict({true, 0, {true, true, true}}) == -1);
        CHECK(FirewallProfilesVerdict({false, 1, {true, true, true}}) == -1);
    }
    SUBCASE("process lines") {
        CHECK(FirewallProcessLine("C:\\x\\KPFW32.EXE", "Maker") == "可能的防火墙进程:C:\\x\\KPFW32.EXE --- Maker\r\n");
        CHECK(FirewallProcessLine("Kpfw32.exe", nullptr) == "可能的防火墙进程:Kpfw32.exe\r\n");
    }
}
