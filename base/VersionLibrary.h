#pragma once
// The version-resource functions of version.dll, bound on first use from the system directory.
// The exe does not import version.dll: it is no known DLL on Windows 7 and later, so an import
// would be searched for beside the exe first, before any code of ours runs. Without the DLL each
// call fails with the loader's error as the last error.
#include <windows.h>

namespace rk {

// The block is the file's resource as it lies there, whichever way the path was given; a value
// asked for through VersionQuery comes back in the system's ANSI code page.
DWORD VersionInfoSize(const wchar_t* path, DWORD* handle);
bool VersionInfo(const wchar_t* path, DWORD size, void* data);
bool VersionQuery(const void* block, const char* subBlock, void** value, UINT* length);

}  // namespace rk
