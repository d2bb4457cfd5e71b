#include "base/VersionText.h"

#include <cstring>

namespace rk {

bool VersionValueInBlock(const void* block, uint32_t blockSize, const void* value) {
    if (!block || !value) return false;
    // Compared as addresses: the value may point anywhere the platform chose.
    const uintptr_t start = reinterpret_cast<uintptr_t>(block);
    const uintptr_t at = reinterpret_cast<uintptr_t>(value);
    return at >= start && at - start < blockSize;
}

uint32_t VersionValueSpan(const void* block, uint32_t blockSize, const void* value) {
    if (!VersionValueInBlock(block, blockSize, value)) return 0;
    const uint32_t offset = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value) - reinterpret_cast<uintptr_t>(block));
    const uint32_t room = blockSize - offset;
    const void* zero = std::memchr(value, '\0', room);
    return zero ? static_cast<uint32_t>(static_cast<const char*>(zero) - static_cast<const char*>(value)) : room;
}

AnsiString VersionValueText(const void* block, uint32_t blockSize, const void* value) {
    const uint32_t span = VersionValueSpan(block, blockSize, value);
    return span ? AnsiString(static_cast<const char*>(value), span) : AnsiString();
}

bool CopyVersionText(const void* block, uint32_t blockSize, const void* value, char* out, uint32_t capacity) {
    if (capacity == 0) return false;
    const uint32_t span = VersionValueSpan(block, blockSize, value);
    const uint32_t kept = span < capacity - 1 ? span : capacity - 1;
    if (kept) std::memcpy(out, value, kept);
    out[kept] = '\0';
    return kept == span;
}

}  // namespace rk
