#pragma once
// The bytes the emitter prints, shared with the tests that check them.
#include <string>

namespace rk_test {

inline std::string EmitBytes(long count, long zeroAt = -1) {
    static const char kPattern[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n";
    std::string bytes;
    for (long i = 0; i < count; ++i) bytes += i == zeroAt ? '\0' : kPattern[i % 64];
    return bytes;
}

}  // namespace rk_test
