#include "probes/BoundedText.h"

#include <cstdio>

namespace rk {
namespace {

bool CapacityValid(uint32_t capacity) { return capacity != 0 && capacity <= kBoundedMaxCapacity; }

// The platform's printf family into at most capacity - 1 bytes. msvcrt's _vsnprintf, given that
// count, answers -1 for a longer text and writes no terminator when the text fills the count
// exactly. The C library's vsnprintf, given the whole capacity, writes at most capacity - 1 bytes
// and a terminator, and answers the full length of the text.
int FormatInto(char* destination, uint32_t capacity, const char* format, va_list args) {
#ifdef _WIN32
    return ::_vsnprintf(destination, capacity - 1, format, args);
#else
    return std::vsnprintf(destination, capacity, format, args);
#endif
}

}  // namespace

int32_t BoundedLength(const char* text, uint32_t capacity, uint32_t* length) {
    if (!CapacityValid(capacity)) return kBoundedInvalidArg;
    for (uint32_t n = 0; n < capacity; ++n) {
        if (text[n] == '\0') {
            if (length) *length = n;
            return kBoundedOk;
        }
    }
    return kBoundedInvalidArg;
}

int32_t BoundedCopy(char* destination, uint32_t capacity, const char* source) {
    if (!CapacityValid(capacity)) return kBoundedInvalidArg;
    uint32_t n = 0;
    while (n + 1 < capacity && source[n] != '\0') {
        destination[n] = source[n];
        ++n;
    }
    destination[n] = '\0';
    return source[n] == '\0' ? kBoundedOk : kBoundedInsufficient;
}

int32_t BoundedAppend(char* destination, uint32_t capacity, const char* source) {
    uint32_t used = 0;
    int32_t code = BoundedLength(destination, capacity, &used);
    if (code != kBoundedOk) return code;
    return BoundedCopy(destination + used, capacity - used, source);
}

int32_t BoundedFormatV(char* destination, uint32_t capacity, const char* format, va_list args) {
    if (!CapacityValid(capacity)) return kBoundedInvalidArg;
    const int written = FormatInto(destination, capacity, format, args);
    destination[capacity - 1] = '\0';
    // Whatever the runtime answers, only a length within the room is a text written whole; any
    // other answer is a cut and never an index.
    if (written < 0 || static_cast<uint32_t>(written) > capacity - 1) return kBoundedInsufficient;
    destination[written] = '\0';
    return kBoundedOk;
}

int32_t BoundedFormat(char* destination, uint32_t capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int32_t code = BoundedFormatV(destination, capacity, format, args);
    va_end(args);
    return code;
}

}  // namespace rk
