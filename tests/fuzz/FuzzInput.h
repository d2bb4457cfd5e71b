#pragma once
#include <cstdlib>
// Takes a fuzz input apart: fixed-width numbers from its front, the rest as bytes. Running out
// yields zeros, so every input is usable.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace rk_fuzz {

class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t Left() const { return m_size - m_at; }
    uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    // Little-endian; the reads are sequenced so every compiler takes the same bytes.
    uint16_t Word() {
        const uint16_t low = Byte();
        return uint16_t(low | Byte() << 8);
    }
    uint32_t Dword() {
        const uint32_t low = Word();
        return low | uint32_t(Word()) << 16;
    }
    bool Bool() { return Byte() & 1; }
    // Up to `count` bytes.
    std::string Bytes(size_t count) {
        const size_t take = count < Left() ? count : Left();
        std::string out(reinterpret_cast<const char*>(m_data + m_at), take);
        m_at += take;
        return out;
    }
    std::string Rest() { return Bytes(Left()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// A heap block of exactly `bytes`, so the sanitizer sees any access past it.
inline std::vector<uint8_t> Exact(const std::string& bytes) {
    std::vector<uint8_t> block(bytes.begin(), bytes.end());
    block.shrink_to_fit();
    return block;
}

// Ends the run when a property fails, so libFuzzer keeps the input.
inline void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace rk_fuzz
