// Prints how long the lookup page's extraction takes natively for pages of 1 to 8 MiB: many
// result blocks, one block of blank entities, and start markers without an end. Built and run by
// bench/lookup.sh.
#include <cstdio>
#include <string>

#include "bench/Clock.h"
#include "netdiag/SectionLines.h"

namespace {

std::string Repeat(const std::string& unit, size_t size) {
    std::string page;
    page.reserve(size + unit.size());
    while (page.size() + unit.size() <= size) page += unit;
    return page;
}

}  // namespace

int main() {
    for (size_t mib : {1, 4, 8}) {
        const size_t size = mib << 20;
        const std::string blocks = Repeat("<p>>查询结果：1.2.3.4&nbsp;本机</span></p>\r\n", size);
        const std::string blanks = ">查询结果" + Repeat("&nbsp;", size) + "</span></p>";
        const std::string opens = Repeat(">查询结果", size);
        size_t lines = 0;
        const double blocksMs = BestOfMs(3, [&] { lines = rk::ExtractLookupLines(blocks.data(), blocks.size()).size(); });
        const double blanksMs = BestOfMs(3, [&] { rk::ExtractLookupLines(blanks.data(), blanks.size()); });
        const double opensMs = BestOfMs(3, [&] { rk::ExtractLookupLines(opens.data(), opens.size()); });
        std::printf("lookup extraction, %zu MiB page: %.1f ms (result blocks, %zu bytes of lines), %.1f ms (one block of "
                    "&nbsp;), %.1f ms (start markers only)\n",
                    mib, blocksMs, lines, blanksMs, opensMs);
    }
    std::printf("(the page read is bounded at %u bytes; these pages go past that on purpose)\n", rk::kLookupPageLimit);
    return 0;
}
