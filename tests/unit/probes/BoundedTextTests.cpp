// Bounded text operations at the edges of their buffers. The native build runs these too, under
// the sanitizers (tests/host).
#include <doctest/doctest.h>

#include <cstring>
#include <memory>
#include <string>

#include "probes/BoundedText.h"

using namespace rk;

namespace {

constexpr uint32_t kTooBig = 2147483648u;

// A buffer filled with a marker byte, so any write shows.
struct Marked {
    char bytes[32];
    Marked() { std::memset(bytes, '#', sizeof bytes); }
    bool UntouchedFrom(size_t from) const {
        for (size_t i = from; i < sizeof bytes; ++i)
            if (bytes[i] != '#') return false;
        return true;
    }
};

// A heap block of exactly the capacity, so the sanitizers see any byte touched past it.
struct Exact {
    explicit Exact(uint32_t capacity) : bytes(new char[capacity]) { std::memset(bytes.get(), '#', capacity); }
    std::unique_ptr<char[]> bytes;
};

}  // namespace

TEST_CASE("BoundedLength finds the terminator only within the capacity") {
    uint32_t length = 77;
    CHECK(BoundedLength("abc", 4, &length) == kBoundedOk);
    CHECK(length == 3);
    CHECK(BoundedLength("abc", 100, nullptr) == kBoundedOk);
    length = 77;
    CHECK(BoundedLength("abc", 3, &length) == kBoundedInvalidArg);
    CHECK(length == 77);
    char full[260];
    std::memset(full, 'x', sizeof full);
    CHECK(BoundedLength(full, sizeof full, &length) == kBoundedInvalidArg);
    CHECK(length == 77);
    CHECK(BoundedLength("", 1, &length) == kBoundedOk);
    CHECK(length == 0);
    length = 77;
    CHECK(BoundedLength("abc", 0, &length) == kBoundedInvalidArg);
    CHECK(BoundedLength("abc", kTooBig, &length) == kBoundedInvalidArg);
    CHECK(BoundedLength("abc", 0xFFFFFFFFu, &length) == kBoundedInvalidArg);
    CHECK(length == 77);
    CHECK(BoundedLength("abc", 2147483647u, &length) == kBoundedOk);
    CHECK(length == 3);
}

TEST_CASE("BoundedCopy writes what fits and always terminates") {
    SUBCASE("capacity 1") {
        Marked m;
        CHECK(BoundedCopy(m.bytes, 1, "abc") == kBoundedInsufficient);
        CHECK(m.bytes[0] == '\0');
        CHECK(m.UntouchedFrom(1));
        Marked e;
        CHECK(BoundedCopy(e.bytes, 1, "") == kBoundedOk);
        CHECK(e.bytes[0] == '\0');
        CHECK(e.UntouchedFrom(1));
    }
    SUBCASE("exactly fitting and one byte over") {
        Marked m;
        CHECK(BoundedCopy(m.bytes, 6, "12345") == kBoundedOk);
        CHECK(std::string(m.bytes) == "12345");
        CHECK(m.UntouchedFrom(6));
        Marked o;
        CHECK(BoundedCopy(o.bytes, 5, "12345") == kBoundedInsufficient);
        CHECK(std::string(o.bytes) == "1234");
        CHECK(o.UntouchedFrom(5));
    }
    SUBCASE("invalid capacities write nothing") {
        Marked m;
        CHECK(BoundedCopy(m.bytes, 0, "abc") == kBoundedInvalidArg);
        CHECK(BoundedCopy(m.bytes, kTooBig, "abc") == kBoundedInvalidArg);
        CHECK(BoundedCopy(m.bytes, 0xFFFFFFFFu, "abc") == kBoundedInvalidArg);
        CHECK(m.UntouchedFrom(0));
    }
    SUBCASE("a cut may split a two-byte character") {
        Marked m;
        CHECK(BoundedCopy(m.bytes, 4, "被感") == kBoundedInsufficient);
        CHECK(std::strlen(m.bytes) == 3);
    }
}

TEST_CASE("BoundedAppend adds behind the current text") {
    SUBCASE("fits") {
        Marked m;
        std::strcpy(m.bytes, "ab");
        CHECK(BoundedAppend(m.bytes, 6, "cde") == kBoundedOk);
        CHECK(std::string(m.bytes) == "abcde");
        CHECK(m.UntouchedFrom(6));
    }
    SUBCASE("cut at the end") {
        Marked m;
        std::strcpy(m.bytes, "ab");
        CHECK(BoundedAppend(m.bytes, 5, "cdef") == kBoundedInsufficient);
        CHECK(std::string(m.bytes) == "abcd");
        CHECK(m.UntouchedFrom(5));
    }
    SUBCASE("already full") {
        Marked m;
        std::strcpy(m.bytes, "abcd");
        CHECK(BoundedAppend(m.bytes, 5, "x") == kBoundedInsufficient);
        CHECK(std::string(m.bytes) == "abcd");
        CHECK(m.UntouchedFrom(5));
        CHECK(BoundedAppend(m.bytes, 5, "") == kBoundedOk);
    }
    SUBCASE("no terminator within the capacity") {
        Marked m;
        CHECK(BoundedAppend(m.bytes, 8, "x") == kBoundedInvalidArg);
        CHECK(m.UntouchedFrom(0));
    }
    SUBCASE("invalid capacities") {
        Marked m;
        m.bytes[0] = '\0';
        CHECK(BoundedAppend(m.bytes, 0, "x") == kBoundedInvalidArg);
        CHECK(BoundedAppend(m.bytes, kTooBig, "x") == kBoundedInvalidArg);
        CHECK(m.UntouchedFrom(1));
    }
}

TEST_CASE("BoundedFormat formats within the capacity") {
    SUBCASE("exactly fitting") {
        Marked m;
        CHECK(BoundedFormat(m.bytes, 8, "%s-%d", "ab", 1234) == kBoundedOk);
        CHECK(std::string(m.bytes) == "ab-1234");
        CHECK(m.UntouchedFrom(8));
    }
    SUBCASE("one byte over") {
        Marked m;
        CHECK(BoundedFormat(m.bytes, 8, "%s-%d", "ab", 12345) == kBoundedInsufficient);
        CHECK(std::string(m.bytes) == "ab-1234");
        CHECK(m.UntouchedFrom(8));
    }
    SUBCASE("capacity 1") {
        Marked m;
        CHECK(BoundedFormat(m.bytes, 1, "%d", 5) == kBoundedInsufficient);
        CHECK(m.bytes[0] == '\0');
        CHECK(m.UntouchedFrom(1));
        CHECK(BoundedFormat(m.bytes, 1, "%s", "") == kBoundedOk);
    }
    SUBCASE("signed decimal") {
        char out[32];
        CHECK(BoundedFormat(out, sizeof out, "%d", -5) == kBoundedOk);
        CHECK(std::string(out) == "-5");
    }
    SUBCASE("invalid capacities write nothing") {
        Marked m;
        CHECK(BoundedFormat(m.bytes, 0, "%d", 1) == kBoundedInvalidArg);
        CHECK(BoundedFormat(m.bytes, kTooBig, "%d", 1) == kBoundedInvalidArg);
        CHECK(m.UntouchedFrom(0));
    }
}

TEST_CASE("BoundedFormat at every capacity stays inside the buffer") {
    // The C library's vsnprintf returns the whole length of a text it cut (or -1): never an index.
    const std::string full = "\xCE\xC4\xBC\xFE: -2147483648 and 0123456789abcdefghijklmnopqrstuvwxyz";
    for (uint32_t capacity = 1; capacity <= full.size() + 2; ++capacity) {
        CAPTURE(capacity);
        Exact buffer(capacity);
        const int32_t code = BoundedFormat(buffer.bytes.get(), capacity, "%s: %d and %s", "\xCE\xC4\xBC\xFE",
                                           -2147483647 - 1, "0123456789abcdefghijklmnopqrstuvwxyz");
        CHECK(code == (full.size() < capacity ? kBoundedOk : kBoundedInsufficient));
        CHECK(std::string(buffer.bytes.get()) == full.substr(0, capacity - 1));
    }
}
