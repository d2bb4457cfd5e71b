#pragma once
// Writing the report to the file the user chose.
#include <windows.h>

#include "base/AnsiString.h"

namespace rk {

// Writes `size` bytes of `data` to an open file, as WriteFile does. Tests pass one that stops
// short, as a full disk or a lost network share would.
using FileWriter = BOOL (*)(HANDLE file, const void* data, DWORD size, DWORD* written);
BOOL WriteWholeBuffer(HANDLE file, const void* data, DWORD size, DWORD* written);

// Writes the text's bytes to `path`, replacing what is there. True only when every byte reached
// the file.
bool WriteReportFile(const AnsiString& path, const AnsiString& text, FileWriter writer = &WriteWholeBuffer);

}  // namespace rk
