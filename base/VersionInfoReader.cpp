#include "base/VersionInfoReader.h"

#include <shlwapi.h>

#include <cstdlib>

#include "base/VersionLibrary.h"

namespace rk {

bool VersionInfoReader::Load(const wchar_t* path) {
    DWORD handle = 0;
    DWORD size = VersionInfoSize(path, &handle);
    if (size == 0) return false;
    m_block = AllocateBlock<unsigned char>(size);  // zero-filled: an unterminated value still ends inside it
    if (!m_block) return false;
    m_blockSize = size;
    if (!VersionInfo(path, size, m_block.get())) return false;
    void* translations = nullptr;
    UINT length = 0;
    if (!VersionQuery(m_block.get(), "\\VarFileInfo\\Translation", &translations, &length)) return false;
    // An empty translation list holds no first entry to read.
    if (!translations || length < sizeof(DWORD)) return false;
    DWORD first = *static_cast<const DWORD*>(translations);
    ::wnsprintfA(m_prefix, MAX_PATH, "\\StringFileInfo\\%04x%04x", LOWORD(first), HIWORD(first));
    return true;
}

bool VersionInfoReader::GetString(const char* name, char** value, UINT* length) {
    if (!m_block) return false;
    char key[MAX_PATH];
    ::wnsprintfA(key, MAX_PATH, "%s\\%s", m_prefix, name);
    return VersionQuery(m_block.get(), key, reinterpret_cast<void**>(value), length);
}

}  // namespace rk
