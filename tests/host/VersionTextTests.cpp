// Version and company texts from the platform's answer: a pointer into the version block, with no
// promise of a terminator. The blocks here are heap blocks of exactly their size.
#include <doctest/doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/VersionText.h"

using namespace rk;

namespace {

std::vector<char> Block(const std::string& bytes) { return std::vector<char>(bytes.begin(), bytes.end()); }

}  // namespace

TEST_CASE("the text runs from the answer to its first zero: a Chinese text whole, nothing behind it") {
    const std::string company = "\xC8\xF0\xBF\xCB\xBF\xC6\xBC\xBC\xD3\xD0\xCF\xDE\xB9\xAB\xCB\xBE";  // 瑞克科技有限公司
    const auto block = Block("head" + company + std::string("\0junk", 5));
    CHECK(VersionValueText(block.data(), uint32_t(block.size()), block.data() + 4) == company);
}

TEST_CASE("a text that reaches the block's end is not read past it") {
    const auto block = Block("..\xA3\xB9\xA3\xAE\xA3\xB8");
    const char* value = block.data() + 2;
    CHECK(VersionValueText(block.data(), uint32_t(block.size()), value) == "\xA3\xB9\xA3\xAE\xA3\xB8");
    char out[260];
    CHECK(CopyVersionText(block.data(), uint32_t(block.size()), value, out, sizeof out));
    CHECK(std::string(out) == "\xA3\xB9\xA3\xAE\xA3\xB8");
}

TEST_CASE("an answer outside the block gives no text") {
    const auto block = Block("abcdef");
    const auto other = Block("zzzz");
    CHECK_FALSE(VersionValueInBlock(block.data(), uint32_t(block.size()), other.data()));
    CHECK_FALSE(VersionValueInBlock(block.data(), uint32_t(block.size()), block.data() + block.size()));
    CHECK_FALSE(VersionValueInBlock(block.data(), uint32_t(block.size()), nullptr));
    CHECK_FALSE(VersionValueInBlock(nullptr, 0, other.data()));
    CHECK(VersionValueInBlock(block.data(), uint32_t(block.size()), block.data() + 5));
    CHECK(VersionValueText(block.data(), uint32_t(block.size()), other.data()) == "");
    char out[8] = "keep";
    CHECK(CopyVersionText(block.data(), uint32_t(block.size()), other.data(), out, sizeof out));
    CHECK(std::string(out) == "");
}

TEST_CASE("the version text is cut at its 260-byte field") {
    const auto block = Block(std::string(400, 'v'));
    char out[260];
    std::memset(out, '#', sizeof out);
    CHECK_FALSE(CopyVersionText(block.data(), uint32_t(block.size()), block.data(), out, sizeof out));
    CHECK(std::string(out) == std::string(259, 'v'));
    char none[1] = {'#'};
    CHECK_FALSE(CopyVersionText(block.data(), uint32_t(block.size()), block.data(), none, 0));
    CHECK(none[0] == '#');
}
