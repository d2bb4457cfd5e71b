// MD5 against OpenSSL's, with the input fed in pieces of any size, and the hex form against the
// C library's formatting.
//
// Input: up to 8 piece sizes (1 byte each, the count first), then the data.
#include <openssl/evp.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzInput.h"
#include "probes/Md5.h"

using rk_fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rk_fuzz::Input in(data, size);
    size_t pieces[8];
    const size_t count = in.Byte() % 9;
    for (size_t i = 0; i < count; ++i) pieces[i] = in.Byte();
    const std::string bytes = in.Rest();

    rk::Md5 md5;
    size_t at = 0;
    for (size_t i = 0; at < bytes.size(); ++i) {
        const size_t piece = count ? pieces[i % count] : bytes.size();
        const size_t take = piece < bytes.size() - at ? piece : bytes.size() - at;
        md5.Update(bytes.data() + at, take);
        at += take;
        if (count && take == 0 && i > 64 * count) break;  // pieces of 0 only: feed the rest whole
    }
    if (at < bytes.size()) md5.Update(bytes.data() + at, bytes.size() - at);
    uint8_t digest[16];
    md5.Finish(digest);

    unsigned char reference[EVP_MAX_MD_SIZE];
    unsigned int referenceLength = 0;
    Check(EVP_Digest(bytes.data(), bytes.size(), reference, &referenceLength, EVP_md5(), nullptr) == 1);
    Check(referenceLength == 16 && std::memcmp(digest, reference, 16) == 0);

    char hex[33];
    std::memset(hex, '#', sizeof hex);
    Check(rk::FormatDigestHex(digest, hex) == hex);
    char expected[33];
    for (int i = 0; i < 16; ++i) std::snprintf(expected + 2 * i, 3, "%02X", digest[i]);
    Check(std::memcmp(hex, expected, 33) == 0);
    return 0;
}
