// The lookup page's extraction, since that page comes off the network: built by the Windows
// builds and natively, under the sanitizers (tests/host).
#include <doctest/doctest.h>

#include <string>

#include "netdiag/SectionLines.h"
#include "tests/common/Text.h"

using namespace rk;
using rk_test::Count;

namespace {

AnsiString Extract(const std::string& page) { return ExtractLookupLines(page.data(), page.size()); }

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
        for (const char* page : {"<i>查询结果1 no end", "</span></p><i>查询结果1"}) CHECK(Extract(page) == "");
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
        for (const char* page : {">查询结果1</span></p", ">查询结", "<html>nothing</html>", ""}) CHECK(Extract(page) == "");
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

TEST_CASE("texts are code page 936 bytes") {
    // 查询 in code page 936; the Windows builds make the same bytes.
    CHECK(std::string(kLookupHeader).find("\xB7\xC3\xCE\xCA") == 1);
}
