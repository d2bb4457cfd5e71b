#pragma once
// A version-resource value as the platform's query answered it, turned into text (the startup
// program's FileVersion, a firewall's CompanyName). The answer is a
// pointer into the version block and a length; the text there need not end in a zero (a value
// whose stored length leaves out the terminator) and the block's bytes after it are whatever the
// heap held. So the text is taken as bytes: at most the length given, never past the block's end,
// and up to the first zero byte among them.
#include <cstdint>

#include "base/AnsiString.h"

namespace rk {

// True when value points into the block.
bool VersionValueInBlock(const void* block, uint32_t blockSize, const void* value);

// How many bytes of text the value holds; 0 when value is null or lies outside the block.
uint32_t VersionValueSpan(const void* block, uint32_t blockSize, const void* value, uint32_t length);

// The value's text.
AnsiString VersionValueText(const void* block, uint32_t blockSize, const void* value, uint32_t length);

// The value's text into out, cut to capacity - 1 bytes and terminated (capacity 0 writes nothing).
// True when it was kept whole.
bool CopyVersionText(const void* block, uint32_t blockSize, const void* value, uint32_t length, char* out,
                     uint32_t capacity);

}  // namespace rk
