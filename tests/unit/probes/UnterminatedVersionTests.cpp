// A program whose FileVersion value has no terminator and runs to the version block's last byte,
// examined end to end: the reader's answer, then the facts and the line the report shows.
#include <doctest/doctest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "probes/UserinitFacts.h"
#include "base/VersionInfoReader.h"
#include "tests/common/TestPaths.h"

using namespace rk;

namespace {

const std::wstring kProgram = rk_test::Wide(rk_test::ExeFolder() + "rk_unterminated_version.exe");
const char kVersion[] = "９．８．７．６";  // 14 bytes in code page 936, as in UTF-16

}  // namespace

TEST_CASE("the platform answers a version text without a terminator at the block's end") {
    VersionInfoReader reader;
    REQUIRE(reader.Load(kProgram.c_str()));
    char* value = nullptr;
    UINT length = 0;
    REQUIRE(reader.GetFileVersion(&value, &length));
    CHECK(length == std::strlen(kVersion));
    CHECK(std::string(value, length) == kVersion);
    // Nothing of the block follows the text: a copy up to a zero byte would read past the block.
    CHECK(reinterpret_cast<const unsigned char*>(value) + length == reader.Block() + reader.BlockSize());
}

TEST_CASE("the facts keep exactly the version text the platform answered") {
    FileFacts facts;
    std::memset(&facts, 0, sizeof facts);
    REQUIRE(GatherFileFacts(kProgram.c_str(), &facts));
    CHECK(std::string(facts.version) == kVersion);
    char block[kFactBlockSize] = {};
    FormatFactLines(facts, block, sizeof block);
    CHECK(std::string(block).find(std::string("\r\n版本信息: ") + kVersion + "\r\n是否签名: ") != std::string::npos);
}
