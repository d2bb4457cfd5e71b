// The public address lookup reads only the first kLookupPageLimit bytes of the page it downloads,
// against nginx serving pages around that size.
#include <doctest/doctest.h>

#include <string>

#include "netdiag/NetDiagnostics.h"
#include "netdiag/SectionLines.h"
#include "tests/common/ExpectedText.h"
#include "tests/common/LoopbackNginx.h"
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
    // The block's end marker ends on the limit's last byte.
    REQUIRE(NginxServe("/edge", PadTo("", kLookupPageLimit - kBlock.size()) + kBlock + "<p>查询结果：past</span></p>"));
    // A block that starts inside the limit and ends beyond it.
    REQUIRE(NginxServe("/straddle", PadTo(kBlock, kLookupPageLimit - 8) + kBlock));
    // A block wholly past the limit.
    REQUIRE(NginxServe("/late", PadTo("", kLookupPageLimit) + kBlock));

    auto lookup = [&](const char* path) {
        SlotWriter out;
        CHECK(NetDiagnostics::PublicAddressLookup(NginxUrl(path).c_str(), out));
        return out.Text();
    };
    CHECK(lookup("/edge") == std::string(kHeader) + ">查询结果：1.2.3.4\r\n" + kSeparator);
    CHECK(lookup("/straddle") == std::string(kHeader) + ">查询结果：1.2.3.4\r\n" + kSeparator);
    CHECK(lookup("/late") == std::string(kHeader) + kSeparator);
    CHECK_FALSE(rk_test::FileExists(rk_test::TempFolder() + "\\Quoripseeker.ini"));
}
