// MD5 digests, their text form and the fact lines built from them.
#include <doctest/doctest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "probes/UserinitFacts.h"
#include "probes/FileMd5.h"

using namespace rk;
using namespace rk_test;

namespace {

std::string Hex(const uint8_t digest[16]) {
    char out[33];
    return FormatDigestHex(digest, out);
}

std::string DigestOf(const std::string& text, size_t piece) {
    Md5 md5;
    for (size_t at = 0; at < text.size(); at += piece) md5.Update(text.data() + at, std::min(piece, text.size() - at));
    uint8_t digest[16];
    md5.Finish(digest);
    return Hex(digest);
}

}  // namespace

TEST_CASE("MD5 gives the RFC 1321 test suite's digests in any piece size") {
    const char* cases[][2] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (auto& c : cases) {
        CAPTURE(c[0]);
        CHECK(DigestOf(c[0], 1000) == c[1]);
        CHECK(DigestOf(c[0], 1) == c[1]);
        CHECK(DigestOf(c[0], 7) == c[1]);
    }
}

TEST_CASE("FormatDigestHex writes upper-case digits, high half first") {
    uint8_t digest[16];
    for (int i = 0; i < 16; ++i) digest[i] = uint8_t(i);
    char out[40];
    std::memset(out, '#', sizeof out);
    CHECK(FormatDigestHex(digest, out) == out);
    CHECK(std::string(out) == "000102030405060708090A0B0C0D0E0F");
    CHECK(out[33] == '#');
    for (int i = 0; i < 16; ++i) digest[i] = uint8_t(0xF0 | i);
    CHECK(std::string(FormatDigestHex(digest, out)) == "F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF");
}

TEST_CASE("ComputeFileMd5 reads the whole file") {
    SUBCASE("several MiB against an independently computed digest") {
        // 5 MiB and 123 bytes of a fixed pattern; digest taken with another MD5 implementation.
        std::vector<uint8_t> bytes(5 * 1048576 + 123);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + (i >> 9));
        TestFile big("rk_big.bin", bytes);
        REQUIRE(big.ok());
        uint8_t digest[16] = {};
        CHECK(ComputeFileMd5(big.path(), digest) == 1);
        CHECK(Hex(digest) == "8FF11C0900244E1AA4747034E460AE37");
    }
    SUBCASE("an empty file") {
        TestFile empty("rk_md5_empty.bin", nullptr, 0);
        uint8_t digest[16] = {};
        CHECK(ComputeFileMd5(empty.path(), digest) == 1);
        CHECK(Hex(digest) == "D41D8CD98F00B204E9800998ECF8427E");
    }
    SUBCASE("a file that cannot be opened leaves the digest alone") {
        uint8_t digest[16];
        std::memset(digest, 0xAB, sizeof digest);
        CHECK(ComputeFileMd5(L"rk_no_such_file.bin", digest) == 0);
        CHECK(Hex(digest) == "ABABABABABABABABABABABABABABABAB");
    }
}

TEST_CASE("the fact lines lay out the gathered facts") {
    FileFacts facts;
    std::memset(&facts, 0, sizeof facts);
    for (int i = 0; i < 16; ++i) facts.md5[i] = uint8_t(i);
    facts.size = 26112;
    std::strcpy(facts.version, "5.1.2600.5512");
    facts.signedFile = 1;
    char block[kFactBlockSize] = {};
    FormatFactLines(facts, block, sizeof block);
    CHECK(std::string(block) ==
          "MD5: 000102030405060708090A0B0C0D0E0F\r\n文件大小: 26112\r\n版本信息: 5.1.2600.5512\r\n是否签名: 是\r\n");

    facts.signedFile = 0;
    facts.version[0] = '\0';
    facts.size = -2;
    std::memset(block, 0, sizeof block);
    FormatFactLines(facts, block, sizeof block);
    CHECK(std::string(block) ==
          "MD5: 000102030405060708090A0B0C0D0E0F\r\n文件大小: -2\r\n版本信息: \r\n是否签名: 否!!!!!\r\n");

    char small[20] = {};
    FormatFactLines(facts, small, sizeof small);
    CHECK(std::string(small) == "MD5: 00010203040506");
}

TEST_CASE("an unreadable file shows 32 zeros as its digest") {
    TestFile locked("rk_unreadable.exe", std::vector<uint8_t>(64, 'x'));
    REQUIRE(locked.ok());
    HANDLE h = ::CreateFileW(locked.path(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(h != INVALID_HANDLE_VALUE);
    FileFacts facts;
    std::memset(&facts, 0, sizeof facts);
    CHECK(GatherFileFacts(locked.path(), &facts));
    ::CloseHandle(h);
    CHECK(facts.infected == 1);
    CHECK(facts.size == 64);
    char block[kFactBlockSize] = {};
    FormatFactLines(facts, block, sizeof block);
    CHECK(std::string(block).rfind("MD5: 00000000000000000000000000000000\r\n文件大小: 64\r\n版本信息: \r\n", 0) == 0);
    CHECK(!GatherFileFacts(locked.path(), nullptr));
}
