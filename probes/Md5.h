#pragma once
// MD5 (RFC 1321) over bytes in memory, and the digest's hexadecimal form.
#include <cstddef>
#include <cstdint>

namespace rk {

class Md5 {
public:
    Md5();
    void Update(const void* data, size_t length);
    void Finish(uint8_t digest[16]);

private:
    void Transform(const uint8_t block[64]);

    uint32_t m_state[4];
    uint64_t m_bitCount = 0;
    uint8_t m_buffer[64] = {};
};

// 32 upper-case hexadecimal digits and a terminator into out (at least 33 bytes); returns out.
char* FormatDigestHex(const uint8_t digest[16], char* out);

}  // namespace rk
