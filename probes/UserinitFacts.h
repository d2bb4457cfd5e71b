#pragma once
// The userinit.exe section: what the start-up report tells about one file, how it gathers those
// facts and lays them out.
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

// Gathers what the report tells about one file. False only when facts is null.
bool GatherFileFacts(const wchar_t* path, FileFacts* facts);

// Appends the fact lines of userinit.exe when it exists; true when it looks infected.
bool AppendUserinitFacts(char* text, uint32_t size);

}  // namespace rk
