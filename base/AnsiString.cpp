#include "base/AnsiString.h"

#include <cstdio>

namespace rk {

AnsiString FormatAnsiV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed <= 0) return AnsiString();
    AnsiString out(static_cast<size_t>(needed), '\0');
    std::vsnprintf(&out[0], out.size() + 1, format, args);
    return out;
}

AnsiString FormatAnsi(const char* format, ...) {
    va_list args;
    va_start(args, format);
    AnsiString out = FormatAnsiV(format, args);
    va_end(args);
    return out;
}

}  // namespace rk
