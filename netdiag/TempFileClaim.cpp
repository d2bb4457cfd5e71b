#include "netdiag/TempFileClaim.h"

#include <cstdio>
#include <cstring>

namespace rk {

namespace {

// A kernel object name stands for the path: names cannot hold backslashes.
void ClaimName(const char* path, char (&name)[64]) {
    unsigned int hash = 2166136261u;  // FNV-1a
    for (const char* p = path; *p; ++p) {
        hash ^= static_cast<unsigned char>(*p);
        hash *= 16777619u;
    }
    std::snprintf(name, sizeof name, "Local\\RekkorTempFile-%08X", hash);
}

}  // namespace

TempFileClaim::TempFileClaim(const char* path) {
    char name[64];
    ClaimName(path, name);
    m_mutex.reset(::CreateMutexA(nullptr, FALSE, name));
    if (m_mutex) {
        const DWORD wait = ::WaitForSingleObject(m_mutex.get(), 0);
        // A holder that ended without letting go has left the file all the same.
        m_owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    if (m_owned) {
        m_path = path;
        return;
    }
    // Held, or the name taken by an object of another kind: a file of a unique name beside it.
    const char* separator = std::strrchr(path, '\\');
    if (!separator) {
        m_error = ERROR_BAD_PATHNAME;
        return;
    }
    const AnsiString folder(path, static_cast<size_t>(separator - path));
    char own[MAX_PATH] = {};
    if (!::GetTempFileNameA(folder.c_str(), "rk", 0, own)) {
        m_error = ::GetLastError();
        return;
    }
    m_path = own;
    m_ownFile = true;
}

TempFileClaim::~TempFileClaim() {
    if (m_ownFile) ::DeleteFileA(m_path.c_str());
    if (m_owned) ::ReleaseMutex(m_mutex.get());
}

}  // namespace rk
