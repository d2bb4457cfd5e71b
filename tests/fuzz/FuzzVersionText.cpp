// Version and company texts from what the platform's version query may answer: a pointer into
// the version block or anywhere else, and a length in whatever unit. The block is a heap block of
// exactly its size.
//
// Input: where the answer points (1 byte: into the block, at its end, elsewhere, null), its offset
// (2 bytes), its length (4 bytes), the capacity of the text field (2 bytes), then the block.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "base/VersionText.h"

using rk_fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rk_fuzz::Input in(data, size);
    const uint8_t where = in.Byte() % 4;
    const uint16_t offset = in.Word();
    in.Dword();  // the answer's length, which bounds nothing: the seeds keep its place
    const uint32_t capacity = in.Word() % 300;
    const std::vector<uint8_t> block = rk_fuzz::Exact(in.Rest());
    const std::vector<uint8_t> elsewhere = rk_fuzz::Exact("elsewhere, unterminated");
    const uint32_t blockSize = uint32_t(block.size());

    const uint8_t* value = nullptr;
    bool inside = false;
    switch (where) {
    case 0:
        if (blockSize) {
            value = block.data() + offset % blockSize;
            inside = true;
        }
        break;
    case 1: value = block.data() + blockSize; break;  // one past the end: no text there
    case 2: value = elsewhere.data() + offset % elsewhere.size(); break;
    default: break;
    }

    // The model: the bytes from the answer, no further than the block's
    // end, up to the first zero among them.
    std::string expected;
    if (inside) {
        const size_t start = size_t(value - block.data());
        const size_t room = blockSize - start;
        for (size_t i = 0; i < room && block[start + i] != 0; ++i) expected += char(block[start + i]);
    }

    Check(rk::VersionValueInBlock(block.data(), blockSize, value) == inside);
    Check(rk::VersionValueSpan(block.data(), blockSize, value) == expected.size());
    Check(rk::VersionValueText(block.data(), blockSize, value) == expected);

    std::vector<char> field(capacity, '#');
    field.shrink_to_fit();
    const bool whole = rk::CopyVersionText(block.data(), blockSize, value, field.data(), capacity);
    if (capacity == 0) {
        Check(!whole);
    } else {
        const std::string kept = expected.substr(0, capacity - 1);
        Check(whole == (kept.size() == expected.size()));
        Check(std::memcmp(field.data(), kept.data(), kept.size()) == 0);
        Check(field[kept.size()] == '\0');
        for (size_t i = kept.size() + 1; i < capacity; ++i) Check(field[i] == '#');
    }
    return 0;
}
