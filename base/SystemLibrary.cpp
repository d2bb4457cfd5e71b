#include "base/SystemLibrary.h"

#include <cstring>

namespace rk {

HMODULE LoadSystemLibrary(const char* name) {
    char path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
    const size_t nameLength = std::strlen(name);
    // The directory, a backslash, the name and its terminator.
    if (length == 0 || length >= MAX_PATH || length + 1 + nameLength + 1 > MAX_PATH) {
        ::SetLastError(ERROR_BUFFER_OVERFLOW);
        return nullptr;
    }
    path[length] = '\\';
    std::memcpy(path + length + 1, name, nameLength + 1);
    // With a full path, the altered search takes the DLL's own imports from its folder first.
    return ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void HardenDllSearch() {
    // kernel32 is always loaded; both functions are looked up because XP before SP1 and Vista
    // before KB2533623 lack one or both.
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
    using SetDefaultDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (auto setDirectory = reinterpret_cast<SetDllDirectoryFn>(::GetProcAddress(kernel, "SetDllDirectoryA")))
        setDirectory("");  // the current directory leaves the search
    if (auto setDefault = reinterpret_cast<SetDefaultDirectoriesFn>(::GetProcAddress(kernel, "SetDefaultDllDirectories")))
        setDefault(0x00000800);  // LOAD_LIBRARY_SEARCH_SYSTEM32
}

}  // namespace rk
