#pragma once
// Writing the report to the file the user chose.
#include <windows.h>

#include <string>

#include "base/AnsiString.h"

namespace rk {

// Writes `size` bytes of `data` to an open file, as WriteFile does. Tests pass one that stops
// short, as a full disk or a lost network share would.
using FileWriter = BOOL (*)(HANDLE file, const void* data, DWORD size, DWORD* written);
BOOL WriteWholeBuffer(HANDLE file, const void* data, DWORD size, DWORD* written);

// Makes a temporary file in a folder, as GetTempFileNameW does. Tests pass one that fails, as a
// folder without the right to create files would.
using TemporaryNamer = UINT(WINAPI*)(LPCWSTR folder, LPCWSTR prefix, UINT unique, LPWSTR name);

// Writes the text's bytes (the report's own code page 936) to `path`, replacing what is there.
// True only when every byte reached the file.
bool WriteReportFile(const std::wstring& path, const AnsiString& text, FileWriter writer = &WriteWholeBuffer,
                     TemporaryNamer makeTemporary = &::GetTempFileNameW);

}  // namespace rk
