// The header examination natively, over images held in heap blocks of exactly the file's size: a
// read past the file's end that is not answered as the view would answer it shows up at once.
#include <doctest/doctest.h>

#include <vector>

#include "PeImage.h"
#include "probes/ImageHeaders.h"

using namespace rk;
using namespace rk_test;

namespace {

int Examine(const std::vector<uint8_t>& b) { return ExamineImage(b.data(), uint32_t(b.size())); }

}  // namespace

TEST_CASE("every truncation of an image is examined within its bytes") {
    for (PeKind kind : {PeKind::Pe32, PeKind::Pe32Plus}) {
        const std::vector<uint8_t> whole = BuildImage(".text", 0x60000020, {"kernel32.dll", "wininet.dll"}, kind);
        for (size_t size = 0; size <= whole.size(); ++size) {
            CAPTURE(size);
            std::vector<uint8_t> cut(whole.begin(), whole.begin() + size);
            cut.shrink_to_fit();
            const int verdict = Examine(cut);
            // Bytes past the end read as zero: once the name "wininet.dll" is in, its terminator
            // need not be.
            const size_t wininetEnd = kIdataRaw + 0x100 + sizeof "kernel32.dll" + 11;
            if (size >= wininetEnd) CHECK(verdict == 1);
            // Nothing to read at all: the first read faults, which counts as clean.
            if (size == 0) CHECK(verdict == 0);
            const uint32_t offset = RvaToFileOffset(cut.data(), uint32_t(size), kIdataRva + 0x10);
            if (size >= kSectionTable + 80) CHECK(offset == kIdataRaw + 0x10);
        }
        CHECK(Examine(whole) == 1);
    }
}

TEST_CASE("offsets past the view end the examination as clean") {
    auto b = BuildImage(".text", 0x60000020, {"wininet.dll"});
    Put32(b, 60, 0x7FFFFFF0);
    CHECK(Examine(b) == 0);
    Put32(b, 60, 0xFFFFFFFF);
    CHECK(Examine(b) == 0);
}

