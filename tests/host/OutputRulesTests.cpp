// The copy and save decisions natively: the chosen path is read out of a buffer the dialog filled.
#include <doctest/doctest.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/OutputRules.h"

using namespace rk;

TEST_CASE("the chosen path stays within the dialog's buffer") {
    SUBCASE("a buffer without any terminator") {
        std::unique_ptr<char[]> buffer(new char[4]{'C', ':', '\\', 'x'});
        CHECK(ChosenSavePath(buffer.get(), 4, 3) == "C:\\x");
        CHECK(ChosenSavePath(buffer.get(), 4, 4) == "C:\\x");
        CHECK(ChosenSavePath(buffer.get(), 4, 0xFFFF) == "C:\\x");
    }
    SUBCASE("a folder whose names run to the buffer's end") {
        std::unique_ptr<char[]> buffer(new char[9]{'C', ':', '\\', 'd', '\0', 'a', '.', 't', 'x'});
        CHECK(ChosenSavePath(buffer.get(), 9, 5) == "C:\\d\\a.tx");
    }
    SUBCASE("a folder ending in a two-byte character whose trail byte is 0x5C") {
        const char buffer[] = "C:\\\xD4\x5C\0a.txt\0b.txt\0";
        CHECK(ChosenSavePath(buffer, sizeof buffer, 6) == "C:\\\xD4\x5C\\a.txt");
    }
}

