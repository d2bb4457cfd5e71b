#pragma once
// Reads a file's version resource once and answers the strings of its first translation.
#include <windows.h>

#include <cstdint>

#include "base/Scoped.h"

namespace rk {

class VersionInfoReader {
public:
    VersionInfoReader() = default;
    virtual ~VersionInfoReader() = default;
    VersionInfoReader(const VersionInfoReader&) = delete;
    VersionInfoReader& operator=(const VersionInfoReader&) = delete;
    VersionInfoReader(VersionInfoReader&&) noexcept = default;
    VersionInfoReader& operator=(VersionInfoReader&&) noexcept = default;

    // True when the resource was read and its first translation found.
    bool Load(const wchar_t* path);
    // A string of the first translation's table (in the system's ANSI code page); the text lives
    // in the reader's block until the next Load or the reader's end. Ask only after a Load that
    // returned true. The text need not end in a zero and its length is no bound (VersionText.h).
    bool GetString(const char* name, char** value, UINT* length);
    bool GetFileVersion(char** value, UINT* length) { return GetString("FileVersion", value, length); }
    // "\StringFileInfo\" and the first translation as eight lower-case digits.
    const char* Prefix() const { return m_prefix; }
    // The version block the answers point into: null and 0 before a load got one.
    const unsigned char* Block() const { return m_block.get(); }
    uint32_t BlockSize() const { return m_block ? m_blockSize : 0; }

private:
    char m_prefix[MAX_PATH] = {};
    UniqueBlock<unsigned char> m_block;
    uint32_t m_blockSize = 0;
};

}  // namespace rk
