#include "probes/BoundedText.h"

#include <cstdio>

namespace rk {
namespace {

bool CapacityValid(uint32_t capacity) { return capacity != 0 && capacity <= kBoundedMaxCapacity; }

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
    // msvcrt's _vsnprintf: -1 when the text is longer than the count, and no terminator when it
    // fills the count exactly; the last byte is set here in both cases.
    int written = ::_vsnprintf(destination, capacity - 1, format, args);
    destination[capacity - 1] = '\0';
    if (written < 0) return kBoundedInsufficient;
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
