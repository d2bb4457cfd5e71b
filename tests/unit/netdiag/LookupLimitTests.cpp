// The public address lookup reads only the first kLookupPageLimit bytes of the page it downloads,
// against a loopback server sending pages around that size.
// winsock2.h must come before windows.h.
#include "tests/common/LoopbackHttp.h"

#include <doctest/doctest.h>

#include <string>

#include "netdiag/NetDiagnostics.h"
#include "netdiag/SectionLines.h"
#include "tests/common/ExpectedText.h"
#include "tests/common/TestPaths.h"

using namespace rk;
using namespace rk_test;

namespace {

const char kHeader[] = "[访问ipseeker获取的IP地址]\r\n";
const std::string kBlock = "<p>查询结果：1.2.3.4</span></p>";

// Filler up to `size` bytes in all.
std::string PadTo(std::string page, size_t size) {
    page.resize(size, ' ');
    return page;
}

}  // namespace

TEST_CASE("the lookup reads the page up to its limit") {
    REQUIRE(kLookupPageLimit == 1048576);
    LoopbackHttpServer server;
    // The block's end marker ends on the limit's last byte.
    server.Serve("/edge", 200, PadTo("", kLookupPageLimit - kBlock.size()) + kBlock + "<p>查询结果：past</span></p>");
    // A block that starts inside the limit and ends beyond it.
    server.Serve("/straddle", 200, PadTo(kBlock, kLookupPageLimit - 8) + kBlock);
    // A block wholly past the limit.
    server.Serve("/late", 200, PadTo("", kLookupPageLimit) + kBlock);
    REQUIRE(server.Start());

    auto lookup = [&](const char* path) {
        SlotWriter out;
        CHECK(NetDiagnostics::PublicAddressLookup(server.Url(path).c_str(), out));
        return out.Text();
    };
    CHECK(lookup("/edge") == std::string(kHeader) + ">查询结果：1.2.3.4\r\n" + kSeparator);
    CHECK(lookup("/straddle") == std::string(kHeader) + ">查询结果：1.2.3.4\r\n" + kSeparator);
    CHECK(lookup("/late") == std::string(kHeader) + kSeparator);
    CHECK_FALSE(rk_test::FileExists(rk_test::TempFolder() + "\\Quoripseeker.ini"));
}
