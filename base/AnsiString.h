#pragma once
// The growable ANSI string of the report: std::string holding code page 936 bytes, plus the
// printf-style formatting the report lines need.
#include <cstdarg>
#include <string>

namespace rk {

using AnsiString = std::string;

AnsiString FormatAnsi(const char* format, ...) __attribute__((format(printf, 1, 2)));
AnsiString FormatAnsiV(const char* format, va_list args);

}  // namespace rk
