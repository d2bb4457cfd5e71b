// The version reader against small programs built beside this test.
#include <doctest/doctest.h>

#include <string>

#include "base/VersionInfoReader.h"
#include "tests/common/TestPaths.h"

using namespace rk;

namespace {
// The small programs lie beside this test.
std::wstring Beside(const char* name) { return rk_test::Wide(rk_test::ExeFolder() + name); }
}  // namespace

TEST_CASE("the FileVersion of the first translation") {
    SUBCASE("a resource with the table of its first translation") {
        VersionInfoReader reader;
        REQUIRE(reader.Load(Beside("rk_versioned.exe").c_str()));
        CHECK(std::string(reader.Prefix()) == "\\StringFileInfo\\040904b0");
        char* value = nullptr;
        UINT length = 0;
        REQUIRE(reader.GetFileVersion(&value, &length));
        CHECK(std::string(value) == "5.1.2600.5512 (xpsp.080413-2105)");
        CHECK(length >= 32);
        // A failed load keeps what the reader held.
        CHECK_FALSE(reader.Load(Beside("rk_plain.exe").c_str()));
        REQUIRE(reader.GetFileVersion(&value, &length));
        CHECK(std::string(value) == "5.1.2600.5512 (xpsp.080413-2105)");
    }
    SUBCASE("no version resource") {
        REQUIRE(::GetFileAttributesW(Beside("rk_plain.exe").c_str()) != INVALID_FILE_ATTRIBUTES);
        VersionInfoReader reader;
        CHECK_FALSE(reader.Load(Beside("rk_plain.exe").c_str()));
        CHECK_FALSE(reader.Load(L"rk_no_such_file.exe"));
        char* value = nullptr;
        UINT length = 0;
        CHECK_FALSE(reader.GetFileVersion(&value, &length));
    }
    SUBCASE("the table only under another translation") {
        VersionInfoReader reader;
        REQUIRE(reader.Load(Beside("rk_other_table.exe").c_str()));
        CHECK(std::string(reader.Prefix()) == "\\StringFileInfo\\040904b0");
        char* value = nullptr;
        UINT length = 0;
        CHECK_FALSE(reader.GetFileVersion(&value, &length));
    }
}
