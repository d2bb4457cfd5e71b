#pragma once
// Writing into fixed-size zero-terminated buffers without ever going past their end. Capacities
// count bytes and include the terminator; the results are HRESULT codes.
#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace rk {

constexpr int32_t kBoundedOk = 0;                                          // S_OK
constexpr int32_t kBoundedInvalidArg = static_cast<int32_t>(0x80070057);   // E_INVALIDARG
constexpr int32_t kBoundedInsufficient = static_cast<int32_t>(0x8007007A); // ERROR_INSUFFICIENT_BUFFER
constexpr uint32_t kBoundedMaxCapacity = 2147483647u;

[[nodiscard]] int32_t BoundedLength(const char* text, uint32_t capacity, uint32_t* length);
[[nodiscard]] int32_t BoundedCopy(char* destination, uint32_t capacity, const char* source);
[[nodiscard]] int32_t BoundedAppend(char* destination, uint32_t capacity, const char* source);
// Formats as the platform's printf family does: msvcrt's on Windows, the C library's elsewhere.
#ifdef _WIN32
#define RK_BOUNDED_FORMAT_CHECK __attribute__((format(ms_printf, 3, 4)))
#else
#define RK_BOUNDED_FORMAT_CHECK __attribute__((format(printf, 3, 4)))
#endif
[[nodiscard]] int32_t BoundedFormat(char* destination, uint32_t capacity, const char* format, ...) RK_BOUNDED_FORMAT_CHECK;
[[nodiscard]] int32_t BoundedFormatV(char* destination, uint32_t capacity, const char* format, va_list args);

// Appends what fits: a report whose buffer is full keeps the text cut there, as the engine's
// own text is.
inline void AppendWhatFits(char* destination, uint32_t capacity, const char* source) {
    static_cast<void>(BoundedAppend(destination, capacity, source));
}

}  // namespace rk
