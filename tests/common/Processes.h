#pragma once
// Whether a program runs anywhere in the prefix, found by its file name.
#include <windows.h>
#include <tlhelp32.h>

#include <optional>

#include "base/Handle.h"

namespace rk_test {

// Empty when the processes cannot be listed: compare with true or false.
inline std::optional<bool> ProcessRunning(const char* exeName) {
    rk::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return std::nullopt;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry))
        if (_stricmp(entry.szExeFile, exeName) == 0) return true;
    return false;
}

}  // namespace rk_test
