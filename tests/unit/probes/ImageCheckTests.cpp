// The infection heuristic over executable headers.
#include <doctest/doctest.h>

#include "PeImage.h"
#include "TestFiles.h"
#include "probes/ImageCheck.h"

using namespace rk;
using namespace rk_test;

namespace {

int32_t Examine(const std::vector<uint8_t>& b) { return ExamineImage(b.data(), uint32_t(b.size())); }

}  // namespace

TEST_CASE("the first section and the imports decide the verdict") {
    CHECK(Examine(BuildImage(".text", 0x60000020, {"kernel32.dll", "user32.dll"})) == 0);
    CHECK(Examine(BuildImage(".text", 0x60000020, {"kernel32.dll", "WININET.DLL", "user32.dll"})) == 1);
    CHECK(Examine(BuildImage(".text", 0x60000020, {"WiniNet.dll"})) == 1);
    CHECK(Examine(BuildImage(".text", 0x60000020, {"wininet.dll2"})) == 0);
    CHECK(Examine(BuildImage(".code", 0x60000020, {"kernel32.dll"})) == 1);
    CHECK(Examine(BuildImage(".text", 0xE0000060, {"kernel32.dll"})) == 1);
    CHECK(Examine(BuildImage(".textbss", 0x60000020, {"kernel32.dll"})) == 1);
    CHECK(Examine(BuildImage(".text", 0xE0000020, {"kernel32.dll"})) == 0);
    // No import directory at all.
    CHECK(Examine(BuildImage(".text", 0x60000020, {})) == 0);
}

TEST_CASE("a PE32+ image is judged by its own import directory") {
    CHECK(Examine(BuildImage(".text", 0x60000020, {"kernel32.dll", "wininet.dll"}, PeKind::Pe32Plus)) == 1);
    CHECK(Examine(BuildImage(".text", 0x60000020, {"kernel32.dll"}, PeKind::Pe32Plus)) == 0);
    // PE32+ keeps LoaderFlags where PE32 keeps the import entry: it says nothing about imports.
    auto b = BuildImage(".text", 0x60000020, {"wininet.dll"}, PeKind::Pe32Plus);
    Put32(b, kImportEntry(PeKind::Pe32), kIdataRva);
    Put32(b, kImportEntry(PeKind::Pe32Plus), 0);
    CHECK(Examine(b) == 0);
}

TEST_CASE("an import entry beyond the header's directory count is absent") {
    for (PeKind kind : {PeKind::Pe32, PeKind::Pe32Plus}) {
        auto b = BuildImage(".text", 0x60000020, {"wininet.dll"}, kind);
        Put32(b, kNtOffset + (kind == PeKind::Pe32Plus ? 132 : 116), 1);  // NumberOfRvaAndSizes
        CHECK(Examine(b) == 0);
    }
}

TEST_CASE("a section whose raw offset would pass 4 GiB maps no RVA") {
    auto b = BuildImage(".text", 0x60000020, {"kernel32.dll"});
    Put32(b, kSectionTable + 40 + 20, 0xFFFFFF00);  // .idata's raw offset
    CHECK(RvaToFileOffset(b.data(), uint32_t(b.size()), kIdataRva + 0x100) == kNoFileOffset);
    CHECK(RvaToFileOffset(b.data(), uint32_t(b.size()), kIdataRva + 0x10) == 0xFFFFFF10u);
}

TEST_CASE("reads past the view end the examination with 0; past the file they read as zero") {
    SUBCASE("10 zero bytes: the first section's name reads empty") {
        std::vector<uint8_t> b(10, 0);
        CHECK(Examine(b) == 1);
    }
    SUBCASE("a huge offset of the NT headers") {
        std::vector<uint8_t> b(200, 'z');
        CHECK(Examine(b) == 0);
    }
    SUBCASE("section headers that run off the last page") {
        std::vector<uint8_t> b(100, 0);
        Put32(b, 60, 4096 - 30);
        CHECK(Examine(b) == 0);
    }
    SUBCASE("section headers in the zero tail of the last page") {
        std::vector<uint8_t> b(100, 0);
        Put32(b, 60, 2000);
        CHECK(Examine(b) == 1);
    }
    SUBCASE("an import RVA in no section") {
        auto b = BuildImage(".text", 0x60000020, {"kernel32.dll"});
        Put32(b, kNtOffset + 128, kImageSize + 5);
        CHECK(Examine(b) == 0);
    }
    SUBCASE("an import list that never ends runs out of the view") {
        auto b = BuildImage(".text", 0x60000020, {"kernel32.dll"});
        b.resize(4096, 0);
        b[kTextRaw + 0x10] = 'k';
        for (uint32_t at = kIdataRaw; at + 20 <= 4096; at += 20) Put32(b, at + 12, kTextRva + 0x10);
        CHECK(Examine(b) == 0);
    }
    SUBCASE("a library name that runs into the view's end") {
        // "wininet.dll" fills the page to its last byte: its terminator would lie past the view.
        auto b = BuildImage(".text", 0x60000020, {"kernel32.dll"});
        b.resize(4096, 0);
        std::memcpy(&b[4096 - 11], "wininet.dll", 11);
        Put32(b, kIdataRaw + 12, kIdataRva + (4096 - 11 - kIdataRaw));
        CHECK(Examine(b) == 0);
        // One byte earlier, in a file that ends before the page does: the tail reads as zero.
        std::memcpy(&b[4096 - 12], "wininet.dllx", 12);
        Put32(b, kIdataRaw + 12, kIdataRva + (4096 - 12 - kIdataRaw));
        CHECK(Examine(b) == 0);
        b.resize(4095);
        CHECK(Examine(b) == 1);
    }
}

TEST_CASE("RvaToFileOffset places RVAs by the section table") {
    auto b = BuildImage(".text", 0x60000020, {"kernel32.dll"});
    uint32_t size = uint32_t(b.size());
    CHECK(RvaToFileOffset(b.data(), size, 0x500) == 0x500);
    CHECK(RvaToFileOffset(b.data(), size, kTextRva + 4) == kTextRaw + 4);
    // The first section reaches up to the next one, whatever its own size.
    CHECK(RvaToFileOffset(b.data(), size, kIdataRva - 1) == kTextRaw + 0xFFF);
    CHECK(RvaToFileOffset(b.data(), size, kIdataRva) == kIdataRaw);
    // The last one reaches up to SizeOfImage.
    CHECK(RvaToFileOffset(b.data(), size, kImageSize - 1) == kIdataRaw + 0xFFF);
    CHECK(RvaToFileOffset(b.data(), size, kImageSize) == kNoFileOffset);
    std::vector<uint8_t> junk(200, 'z');
    CHECK(RvaToFileOffset(junk.data(), uint32_t(junk.size()), 0x1000) == kNoFileOffset);
}

TEST_CASE("IsImageInfected maps only readable files up to 100 KiB") {
    SUBCASE("clean and infected images on disk") {
        TestFile clean("rk_clean.exe", BuildImage(".text", 0x60000020, {"kernel32.dll", "user32.dll"}));
        TestFile bad("rk_wininet.exe", BuildImage(".text", 0x60000020, {"kernel32.dll", "WININET.DLL"}));
        REQUIRE(clean.ok());
        REQUIRE(bad.ok());
        CHECK(IsImageInfected(clean.path()) == 0);
        CHECK(IsImageInfected(bad.path()) == 1);
    }
    SUBCASE("102400 bytes are examined, 102401 are not") {
        auto b = BuildImage(".text", 0x60000020, {"kernel32.dll"});
        b.resize(102400, 0);
        TestFile exact("rk_exact.exe", b);
        b.push_back(0);
        TestFile over("rk_over.exe", b);
        REQUIRE(exact.ok());
        REQUIRE(over.ok());
        CHECK(IsImageInfected(exact.path()) == 0);
        CHECK(IsImageInfected(over.path()) == 1);
    }
    SUBCASE("tiny, empty, missing, locked and text files") {
        std::vector<uint8_t> zeros(10, 0);
        TestFile ten("rk_ten.bin", zeros);
        TestFile empty("rk_empty.bin", nullptr, 0);
        std::string text = "This is a text file, not a program; its bytes at 60 read as a huge offset. ";
        TestFile huge("rk_text.txt", text.data(), text.size());
        REQUIRE(ten.ok());
        REQUIRE(empty.ok());
        REQUIRE(huge.ok());
        CHECK(IsImageInfected(ten.path()) == 1);
        CHECK(IsImageInfected(empty.path()) == 1);
        CHECK(IsImageInfected(huge.path()) == 0);
        CHECK(IsImageInfected(L"rk_no_such_file.exe") == 1);

        TestFile locked("rk_locked.exe", BuildImage(".text", 0x60000020, {"kernel32.dll"}));
        HANDLE h = ::CreateFileW(locked.path(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        REQUIRE(h != INVALID_HANDLE_VALUE);
        CHECK(IsImageInfected(locked.path()) == 1);
        ::CloseHandle(h);
        CHECK(IsImageInfected(locked.path()) == 0);
    }
}
