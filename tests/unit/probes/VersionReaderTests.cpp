// The version reader against small programs built beside this test.
#include <doctest/doctest.h>

#include <string>

#include "base/VersionInfoReader.h"
#include "tests/common/TestPaths.h"

using namespace rk;

namespace {
// The small programs lie beside this test.
std::wstring Beside(const char* name) { return rk_test::Wide(rk_test::ExeFolder() + name); }

std::string FileVersion(VersionInfoReader& reader) {
    char* value = nullptr;
    UINT length = 0;
    return reader.GetString("FileVersion", &value, &length) ? std::string(value) : "(none)";
}
}  // namespace

TEST_CASE("the strings of the first translation's table") {
    const std::string xp = "5.1.2600.5512 (xpsp.080413-2105)";
    VersionInfoReader reader;
    CHECK(FileVersion(reader) == "(none)");  // nothing loaded yet
    CHECK_FALSE(reader.Load(L"rk_no_such_file.exe"));
    // The table only under another translation: loaded, but it holds no string of the first.
    REQUIRE(reader.Load(Beside("rk_other_table.exe").c_str()));
    CHECK(std::string(reader.Prefix()) == "\\StringFileInfo\\040904b0");
    CHECK(FileVersion(reader) == "(none)");
    REQUIRE(reader.Load(Beside("rk_versioned.exe").c_str()));
    CHECK(std::string(reader.Prefix()) == "\\StringFileInfo\\040904b0");
    CHECK(FileVersion(reader) == xp);
    // No version resource: the load fails and keeps what the reader held.
    REQUIRE(::GetFileAttributesW(Beside("rk_plain.exe").c_str()) != INVALID_FILE_ATTRIBUTES);
    CHECK_FALSE(reader.Load(Beside("rk_plain.exe").c_str()));
    CHECK(FileVersion(reader) == xp);
}
