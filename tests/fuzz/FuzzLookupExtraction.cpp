// The lookup page's extraction against a model that follows the steps literally: find the start
// marker, the end marker after it, take the piece, remove every "&nbsp;" left to right, drop the
// page before the end marker, repeat.
//
// Input: a cut (2 bytes; the page handed over may be shorter than the bytes held), then the page.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "netdiag/SectionLines.h"

namespace {

// ">查询结果" in code page 936.
const std::string kStart = ">\xB2\xE9\xD1\xAF\xBD\xE1\xB9\xFB";
const std::string kEnd = "</span></p>";
const std::string kBlank = "&nbsp;";

std::string Model(std::string page) {
    const size_t zero = page.find('\0');
    if (zero != std::string::npos) page.erase(zero);
    std::string lines;
    for (;;) {
        const size_t start = page.find(kStart);
        if (start == std::string::npos) break;
        const size_t end = page.find(kEnd, start);
        if (end == std::string::npos) break;
        std::string piece = page.substr(start, end - start);
        for (size_t at = piece.find(kBlank); at != std::string::npos; at = piece.find(kBlank, at)) piece.erase(at, kBlank.size());
        lines += piece + "\r\n";
        page.erase(0, end);
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rk_fuzz::Input in(data, size);
    const uint16_t cut = in.Word();
    const std::string held = in.Rest();
    const size_t length = held.size() - cut % (held.size() + 1);
    // Only `length` bytes are handed over, in a block of exactly that size.
    const std::vector<uint8_t> page = rk_fuzz::Exact(held.substr(0, length));
    const rk::AnsiString lines = rk::ExtractLookupLines(reinterpret_cast<const char*>(page.data()), page.size());
    if (lines != Model(held.substr(0, length))) std::abort();
    return 0;
}
