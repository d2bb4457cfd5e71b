// The section texts natively: the lookup page's extraction above all, since that page comes off
// the network, and the other lines from given platform answers (plain numbers here: 0 is
// ERROR_SUCCESS, 1 REG_SZ, 4 REG_DWORD; service states 1 stopped, 4 running, 7 paused).
#include <doctest/doctest.h>

#include <string>

#include "netdiag/SectionLines.h"

using namespace rk;

namespace {

AnsiString Extract(const std::string& page) { return ExtractLookupLines(page.data(), page.size()); }

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

}  // namespace

TEST_CASE("lookup extraction") {
    SUBCASE("one block, blanks removed") { CHECK(Extract("<p><span>查询结果A&nbsp;B</span></p>tail") == ">查询结果AB\r\n"); }
    SUBCASE("every entity goes once, other markup stays") {
        CHECK(Extract("x>查询结果&nbsp;1&nbsp;&nbsp;<b>2</b>&amp;</span></p>") == ">查询结果1<b>2</b>&amp;\r\n");
        CHECK(Extract(">查询结果&nb&nbsp;sp;</span></p>") == ">查询结果&nbsp;\r\n");
        CHECK(Extract(">查询结果&nbsp</span></p>") == ">查询结果&nbsp\r\n");
    }
    SUBCASE("blocks in page order") {
        CHECK(Extract("<i>查询结果1</span></p><i>查询结果2</span></p>") == ">查询结果1\r\n>查询结果2\r\n");
        // A second start marker before the first end marker belongs to the first piece.
        CHECK(Extract(">查询结果1>查询结果2</span></p>") == ">查询结果1>查询结果2\r\n");
    }
    SUBCASE("start without end, end before start") {
        CHECK(Extract("<i>查询结果1 no end") == "");
        CHECK(Extract("<i>查询结果1</span></p><i>查询结果2") == ">查询结果1\r\n");
        CHECK(Extract("</span></p><i>查询结果1</span></p>") == ">查询结果1\r\n");
    }
    SUBCASE("the next search starts at the end marker, whose last byte may begin a start marker") {
        CHECK(Extract(">查询结果1</span></p>查询结果2</span></p>") == ">查询结果1\r\n>查询结果2\r\n");
    }
    SUBCASE("nothing after a zero byte is searched") {
        CHECK(Extract(std::string("<i>查询结果1</span></p>") + '\0' + "<i>查询结果2</span></p>") == ">查询结果1\r\n");
        CHECK(Extract(std::string("<i>查询", 7) + '\0' + "结果</span></p>") == "");
    }
    SUBCASE("markers cut at the page's end") {
        CHECK(Extract(">查询结果1</span></p") == "");
        CHECK(Extract(">查询结") == "");
        CHECK(Extract("") == "");
    }
    SUBCASE("the page is read only within the size given") {
        const std::string page = ">查询结果1</span></p>";
        CHECK(ExtractLookupLines(page.data(), page.size() - 1) == "");
        CHECK(ExtractLookupLines(page.data(), 0) == "");
    }
}

TEST_CASE("lookup extraction at scale") {
    // Pages far beyond the bound on what is read of the real page: the work must grow with the
    // page, not with the page times its markers.
    SUBCASE("32 MiB of result blocks") {
        const std::string block = "<p>>查询结果：1.2.3.4&nbsp;地址</span></p>\r\n";
        std::string page;
        page.reserve(32u << 20);
        while (page.size() + block.size() <= (32u << 20)) page += block;
        const AnsiString lines = Extract(page);
        CHECK(Count(lines, ">查询结果：1.2.3.4地址\r\n") == page.size() / block.size());
        CHECK(lines.size() == page.size() / block.size() * std::string(">查询结果：1.2.3.4地址\r\n").size());
    }
    SUBCASE("one piece of 32 MiB of blank entities") {
        std::string page = ">查询结果";
        while (page.size() < (32u << 20)) page += "&nbsp;";
        page += "</span></p>";
        CHECK(Extract(page) == ">查询结果\r\n");
    }
    SUBCASE("32 MiB of start markers and no end") {
        std::string page;
        while (page.size() < (32u << 20)) page += ">查询结果";
        CHECK(Extract(page) == "");
    }
}

TEST_CASE("proxy lines") {
    CHECK(RegValueTaken(0, 4, 4));
    CHECK_FALSE(RegValueTaken(0, 1, 4));
    CHECK_FALSE(RegValueTaken(234, 1, 1));
    CHECK(ProxyEnableLine(true, 0x80000000u) == "ProxyEnable: -2147483648\r\n");
    CHECK(ProxyEnableLine(false, 1) == "ProxyEnable: NULL\r\n");
    CHECK(ProxyOverrideLine(true, "a;") == "ProxyOverride: a\r\n               \r\n");
    CHECK(ProxyServerLine(true, "") == "ProxyServer:   \r\n");
    const char noZero[] = {'x', 'y', 'z'};
    CHECK(RegTextValue(noZero, 3) == "xyz");
    CHECK(RegTextValue(noZero, 0) == "");
}

TEST_CASE("download lines") {
    CHECK(DownloadSuccessLine(1000, 1500, true, 1536) == "测试下载Quor升级文件成功...总用时:0.500000秒,文件大小1536字节,速度: 3K/S\r\n");
    CHECK(DownloadSuccessLine(0, 300000, true, 0) == "测试下载Quor升级文件成功...总用时:300.000014秒,文件大小0字节,速度: 0K/S\r\n");
    CHECK(DownloadSuccessLine(0, 1, true, 4294967295u) ==
          "测试下载Quor升级文件成功...总用时:0.001000秒,文件大小4294967295字节,速度: 4194303999K/S\r\n");
    CHECK(DownloadFailureLine(5, 0xFFFFFFFFu, 9) == "测试下载Quor升级文件失败: 5...失败耗时:10毫秒\r\n");
}

TEST_CASE("firewall texts") {
    CHECK(std::string(FirewallServiceName(6, 3)) == "MpsSvc");
    CHECK(std::string(FirewallServiceName(5, 1)) == "SharedAccess");
    CHECK(FirewallServiceName(5, 2) == nullptr);
    CHECK(std::string(FirewallStateText(1, true)) == "停止");
    CHECK(std::string(FirewallStateText(4, true)) == "运行");
    CHECK(std::string(FirewallStateText(4, false)) == "禁用");
    CHECK(std::string(FirewallStateText(7, false)) == "暂停");
    CHECK(std::string(FirewallStateText(2, true)) == "未知状态0!");
    CHECK(FirewallPolicyValueEnabled(0, 4, 7));
    CHECK_FALSE(FirewallPolicyValueEnabled(0, 1, 1));
    CHECK(FirewallProcessLine("Kpfw32.exe", nullptr) == "可能的防火墙进程:Kpfw32.exe\r\n");
}

TEST_CASE("texts are code page 936 bytes") {
    // 查询 in code page 936; the Windows builds make the same bytes.
    CHECK(std::string(kLookupHeader).find("\xB7\xC3\xCE\xCA") == 1);
}
