// The one step of the section texts that asks the platform: where the temp files go.
#include <windows.h>

#include "netdiag/SectionLines.h"

namespace rk {

bool TempFilePath(const char* name, AnsiString& path) {
    char temp[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) return false;
    path.assign(temp, length);
    path += name;
    return true;
}

}  // namespace rk
