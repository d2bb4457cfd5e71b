#pragma once
// What the start-up report tells about one file, and how it lays those facts out.
#include <windows.h>

#include <cstdint>

namespace rk {

struct FileFacts {
    bool infected;
    bool signedFile;
    int32_t size;        // low 32 bits of the size
    uint8_t md5[16];
    char version[MAX_PATH];
};

constexpr uint32_t kFactBlockSize = 1024;

// The four fact lines (MD5, size, version, signed) appended to block within capacity.
void FormatFactLines(const FileFacts& facts, char* block, uint32_t capacity);

}  // namespace rk
