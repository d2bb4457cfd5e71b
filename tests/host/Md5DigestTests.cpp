// MD5 over bytes in memory: the RFC 1321 test suite in any piece size, and the digest's hex form.
#include <doctest/doctest.h>

#include <string>

#include "probes/Md5Digest.h"

using namespace rk;

namespace {

std::string Hex(const std::string& data, size_t piece) {
    Md5 md5;
    for (size_t at = 0; at < data.size(); at += piece) md5.Update(data.data() + at, std::min(piece, data.size() - at));
    uint8_t digest[16];
    md5.Finish(digest);
    char out[33];
    return FormatDigestHex(digest, out);
}

}  // namespace

TEST_CASE("the RFC 1321 test suite") {
    const std::pair<const char*, const char*> suite[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& entry : suite)
        for (size_t piece : {size_t(1), size_t(3), size_t(63), size_t(64), size_t(65), size_t(4096)}) {
            CAPTURE(entry.first);
            CAPTURE(piece);
            CHECK(Hex(entry.first, piece) == entry.second);
        }
}

TEST_CASE("the digest's hex form: upper case, high half first") {
    uint8_t digest[16];
    for (int i = 0; i < 16; ++i) digest[i] = uint8_t(i);
    char out[33];
    CHECK(std::string(FormatDigestHex(digest, out)) == "000102030405060708090A0B0C0D0E0F");
    for (auto& b : digest) b = 0xAB;
    CHECK(std::string(FormatDigestHex(digest, out)) == "ABABABABABABABABABABABABABABABAB");
}
