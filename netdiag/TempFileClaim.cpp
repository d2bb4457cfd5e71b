#include "netdiag/TempFileClaim.h"

#include <cstdio>

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

TempFileClaim::TempFileClaim(const char* path, HANDLE runEnded) {
    char name[64];
    ClaimName(path, name);
    m_mutex.reset(::CreateMutexA(nullptr, FALSE, name));
    // Without the object there is nothing to wait for: the probe goes on unguarded.
    if (!m_mutex) {
        m_held = true;
        return;
    }
    HANDLE handles[2] = {runEnded, m_mutex.get()};
    const DWORD first = runEnded ? 0 : 1;
    const DWORD wait = ::WaitForMultipleObjects(2 - first, handles + first, FALSE, INFINITE);
    // A holder that ended without letting go has left the file all the same.
    const DWORD mutexIndex = 1 - first;
    m_owned = wait == WAIT_OBJECT_0 + mutexIndex || wait == WAIT_ABANDONED_0 + mutexIndex;
    m_held = m_owned;
}

TempFileClaim::~TempFileClaim() {
    if (m_owned) ::ReleaseMutex(m_mutex.get());
}

}  // namespace rk
