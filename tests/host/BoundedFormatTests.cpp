// The bounded operations into heap buffers of exactly their capacity, so the sanitizer sees any
// byte written or read past the end. The C library's vsnprintf returns the full length of a text
// it cut, so the formatting must not trust that count as an index.
#include <doctest/doctest.h>

#include <cstring>
#include <memory>
#include <string>

#include "probes/BoundedText.h"

using namespace rk;

namespace {

struct Exact {
    explicit Exact(uint32_t capacity) : size(capacity), bytes(new char[capacity]) { std::memset(bytes.get(), '#', capacity); }
    uint32_t size;
    std::unique_ptr<char[]> bytes;
};

}  // namespace

TEST_CASE("BoundedFormat of a text longer than the buffer stays inside it") {
    const std::string text = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (uint32_t capacity = 1; capacity <= text.size() + 2; ++capacity) {
        CAPTURE(capacity);
        Exact buffer(capacity);
        const int32_t code = BoundedFormat(buffer.bytes.get(), capacity, "%s", text.c_str());
        if (text.size() <= capacity - 1) {
            CHECK(code == kBoundedOk);
            CHECK(std::string(buffer.bytes.get()) == text);
        } else {
            CHECK(code == kBoundedInsufficient);
            CHECK(std::string(buffer.bytes.get()) == text.substr(0, capacity - 1));
        }
    }
}

TEST_CASE("BoundedFormat with %d and %s at every capacity") {
    const std::string full = "\xCE\xC4\xBC\xFE: -2147483648 and text";
    for (uint32_t capacity = 1; capacity <= full.size() + 1; ++capacity) {
        CAPTURE(capacity);
        Exact buffer(capacity);
        const int32_t code =
            BoundedFormat(buffer.bytes.get(), capacity, "%s: %d and %s", "\xCE\xC4\xBC\xFE", -2147483647 - 1, "text");
        CHECK(code == (full.size() <= capacity - 1 ? kBoundedOk : kBoundedInsufficient));
        CHECK(std::string(buffer.bytes.get()) == full.substr(0, capacity - 1));
    }
}

TEST_CASE("copy and append into exact buffers") {
    for (uint32_t capacity = 1; capacity <= 12; ++capacity) {
        CAPTURE(capacity);
        Exact copy(capacity);
        CHECK(BoundedCopy(copy.bytes.get(), capacity, "abcdefghij") == (capacity > 10 ? kBoundedOk : kBoundedInsufficient));
        CHECK(std::string(copy.bytes.get()) == std::string("abcdefghij").substr(0, capacity - 1));

        Exact append(capacity);
        append.bytes[0] = '\0';
        BoundedAppend(append.bytes.get(), capacity, "abc");
        BoundedAppend(append.bytes.get(), capacity, "defghij");
        CHECK(std::string(append.bytes.get()) == std::string("abcdefghij").substr(0, capacity - 1));
        uint32_t length = 0;
        CHECK(BoundedLength(append.bytes.get(), capacity, &length) == kBoundedOk);
        CHECK(length == std::min<uint32_t>(capacity - 1, 10));
    }
    SUBCASE("no terminator within the capacity: nothing read past it") {
        Exact full(8);
        CHECK(BoundedLength(full.bytes.get(), 8, nullptr) == kBoundedInvalidArg);
        CHECK(BoundedAppend(full.bytes.get(), 8, "x") == kBoundedInvalidArg);
    }
}
