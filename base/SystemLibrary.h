#pragma once
// The tool runs elevated from wherever the browser saved it: a DLL it loads by a bare name would
// be searched for beside the exe first. Every DLL it loads itself comes from the system directory
// by its full path, and that DLL's own dependencies from there too.
#include <windows.h>

namespace rk {

// The DLL `name` (a plain file name) from the system directory; NULL with the loader's error as
// the last error, or ERROR_BUFFER_OVERFLOW when the path would not fit.
HMODULE LoadSystemLibrary(const char* name);

// First thing at start: takes the program's folder (and the current one) out of the DLL search
// for every later load, the system's own included, where the platform has the means.
void HardenDllSearch();

}  // namespace rk
