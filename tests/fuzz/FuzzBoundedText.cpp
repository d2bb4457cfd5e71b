// The four bounded text operations against a model of their contract, into heap blocks of
// exactly their capacity. A capacity of 0 or above 2147483647 is handed a small block that must
// stay as it was.
//
// Input: a sequence of operations, each an operation byte, then its capacity and texts.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "probes/BoundedText.h"

using rk_fuzz::Check;

namespace {

constexpr uint32_t kLargest = 2147483647u;
constexpr size_t kMostHeld = 512;

uint32_t Capacity(rk_fuzz::Input& in) {
    const uint8_t kind = in.Byte();
    switch (kind % 8) {
    case 0: return 0;
    case 1: return kLargest + 1 + (in.Byte() % 3);
    case 2: return 0xFFFFFFFFu;
    default: return 1 + in.Word() % kMostHeld;
    }
}

bool Valid(uint32_t capacity) { return capacity != 0 && capacity <= kLargest; }

// A text without zero bytes.
std::string Text(rk_fuzz::Input& in) {
    std::string text = in.Bytes(in.Byte());
    for (char& c : text)
        if (c == '\0') c = '0';
    return text;
}

// The destination: capacity bytes, or a small stand-in for an invalid capacity.
std::vector<char> Destination(uint32_t capacity, const std::string& content) {
    std::vector<char> block(Valid(capacity) ? capacity : 8, '#');
    std::memcpy(block.data(), content.data(), std::min(content.size(), block.size()));
    block.shrink_to_fit();
    return block;
}

void CheckWritten(const std::vector<char>& block, const std::string& text, uint32_t capacity) {
    // The text and its terminator, and nothing touched after them.
    Check(std::memcmp(block.data(), text.data(), text.size()) == 0);
    Check(block[text.size()] == '\0');
    for (size_t i = text.size() + 1; i < capacity; ++i) Check(block[i] == '#');
}

void LengthOf(rk_fuzz::Input& in) {
    const uint32_t capacity = Capacity(in);
    const std::string content = in.Bytes(kMostHeld);
    const std::vector<char> block = Destination(capacity, content);
    uint32_t length = 0xABCDEF;
    const int32_t code = rk::BoundedLength(block.data(), capacity, &length);
    if (!Valid(capacity)) {
        Check(code == rk::kBoundedInvalidArg && length == 0xABCDEF);
        return;
    }
    const void* zero = std::memchr(block.data(), '\0', capacity);
    if (!zero) {
        Check(code == rk::kBoundedInvalidArg && length == 0xABCDEF);
    } else {
        Check(code == rk::kBoundedOk && length == uint32_t(static_cast<const char*>(zero) - block.data()));
        Check(rk::BoundedLength(block.data(), capacity, nullptr) == rk::kBoundedOk);
    }
}

void CopyOf(rk_fuzz::Input& in) {
    const uint32_t capacity = Capacity(in);
    const std::string source = Text(in);
    std::vector<char> block = Destination(capacity, "");
    const std::vector<char> before = block;
    const int32_t code = rk::BoundedCopy(block.data(), capacity, source.c_str());
    if (!Valid(capacity)) {
        Check(code == rk::kBoundedInvalidArg && block == before);
        return;
    }
    const bool fits = source.size() <= capacity - 1;
    Check(code == (fits ? rk::kBoundedOk : rk::kBoundedInsufficient));
    CheckWritten(block, source.substr(0, capacity - 1), capacity);
}

void AppendTo(rk_fuzz::Input& in) {
    const uint32_t capacity = Capacity(in);
    const bool terminated = in.Bool();
    std::string content = Text(in);
    const std::string source = Text(in);
    if (Valid(capacity)) {
        content.resize(std::min<size_t>(content.size(), terminated ? capacity - 1 : capacity));
        if (!terminated) content.resize(capacity, 'x');  // no zero within the capacity
    }
    std::vector<char> block = Destination(capacity, content);
    if (Valid(capacity) && terminated) block[content.size()] = '\0';
    const std::vector<char> before = block;
    const int32_t code = rk::BoundedAppend(block.data(), capacity, source.c_str());
    if (!Valid(capacity) || !terminated) {
        Check(code == rk::kBoundedInvalidArg && block == before);
        return;
    }
    const std::string whole = content + source;
    const bool fits = whole.size() <= capacity - 1;
    Check(code == (fits ? rk::kBoundedOk : rk::kBoundedInsufficient));
    CheckWritten(block, whole.substr(0, capacity - 1), capacity);
}

std::string Full(const char* format, ...) {
    va_list args, copy;
    va_start(args, format);
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out(length > 0 ? size_t(length) : 0, '\0');
    std::vsnprintf(&out[0], out.size() + 1, format, args);
    va_end(args);
    return out;
}

void FormatInto(rk_fuzz::Input& in) {
    const uint32_t capacity = Capacity(in);
    // A format of literal text around at most one %d and one %s, as the probes use them.
    std::string format = Text(in);
    for (char& c : format)
        if (c == '%') c = '+';
    const int number = int(in.Dword());
    const std::string text = Text(in);
    const uint8_t shape = in.Byte() % 4;
    const size_t split = format.size() / 2;
    std::string pattern;
    switch (shape) {
    case 0: pattern = format; break;
    case 1: pattern = format.substr(0, split) + "%d" + format.substr(split); break;
    case 2: pattern = format.substr(0, split) + "%s" + format.substr(split); break;
    default: pattern = format.substr(0, split) + "%d%%%s" + format.substr(split); break;
    }
    std::string expected;
    switch (shape) {
    case 0: expected = Full(pattern.c_str()); break;
    case 1: expected = Full(pattern.c_str(), number); break;
    case 2: expected = Full(pattern.c_str(), text.c_str()); break;
    default: expected = Full(pattern.c_str(), number, text.c_str()); break;
    }
    std::vector<char> block = Destination(capacity, "");
    const std::vector<char> before = block;
    int32_t code = 0;
    switch (shape) {
    case 0: code = rk::BoundedFormat(block.data(), capacity, pattern.c_str()); break;
    case 1: code = rk::BoundedFormat(block.data(), capacity, pattern.c_str(), number); break;
    case 2: code = rk::BoundedFormat(block.data(), capacity, pattern.c_str(), text.c_str()); break;
    default: code = rk::BoundedFormat(block.data(), capacity, pattern.c_str(), number, text.c_str()); break;
    }
    if (!Valid(capacity)) {
        Check(code == rk::kBoundedInvalidArg && block == before);
        return;
    }
    const bool fits = expected.size() <= capacity - 1;
    Check(code == (fits ? rk::kBoundedOk : rk::kBoundedInsufficient));
    const std::string kept = expected.substr(0, capacity - 1);
    Check(std::memcmp(block.data(), kept.data(), kept.size()) == 0);
    Check(block[kept.size()] == '\0');
    Check(block[capacity - 1] == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rk_fuzz::Input in(data, size);
    for (int step = 0; step < 8 && in.Left() > 0; ++step) {
        switch (in.Byte() % 4) {
        case 0: LengthOf(in); break;
        case 1: CopyOf(in); break;
        case 2: AppendTo(in); break;
        default: FormatInto(in); break;
        }
    }
    return 0;
}
