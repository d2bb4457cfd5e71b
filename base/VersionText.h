#pragma once
// A version-resource value as the platform's query answered it, turned into text (the startup
// program's FileVersion, a firewall's CompanyName). The answer is a pointer into the version
// block and a length. The length bounds nothing, so it is not taken here: documented as a count of characters, Wine
// answers the ANSI text's bytes, and a system that answers the UTF-16 count would cut a Chinese
// text to half, maybe inside a character. Nor need the text end in a zero (a value whose stored
// length leaves out the terminator). So the text runs from the answer to its first zero byte,
// never past the block's end; the callers zero the block before the query, so an unterminated
// text still ends inside it.
#include <cstdint>

#include "base/AnsiString.h"

namespace rk {

// True when value points into the block.
bool VersionValueInBlock(const void* block, uint32_t blockSize, const void* value);

// How many bytes of text the value holds; 0 when value is null or lies outside the block.
uint32_t VersionValueSpan(const void* block, uint32_t blockSize, const void* value);

// The value's text.
AnsiString VersionValueText(const void* block, uint32_t blockSize, const void* value);

// The value's text into out, cut to capacity - 1 bytes and terminated (capacity 0 writes nothing).
// True when it was kept whole.
bool CopyVersionText(const void* block, uint32_t blockSize, const void* value, char* out, uint32_t capacity);

}  // namespace rk
