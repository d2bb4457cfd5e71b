#pragma once
// Builds small PE images (PE32, or PE32+ when asked) byte by byte for the header examination tests.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace rk_test {

constexpr uint32_t kNtOffset = 0x80;
constexpr uint32_t kSectionTable = kNtOffset + 24 + 0xF0;  // room for either optional header
constexpr uint32_t kTextRva = 0x1000, kTextRaw = 0x200;
constexpr uint32_t kIdataRva = 0x2000, kIdataRaw = 0x400;
constexpr uint32_t kImageSize = 0x3000;
constexpr uint32_t kFileSize = 0x600;

inline void Put16(std::vector<uint8_t>& b, uint32_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
inline void Put32(std::vector<uint8_t>& b, uint32_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// Two sections: the first (named firstName) at 0x1000, ".idata" at 0x2000 holding the import
// descriptors and the library names.
enum class PeKind { Pe32, Pe32Plus };

// Where the import directory's RVA lies: data directory entry 1 of the optional header.
constexpr uint32_t kImportEntry(PeKind kind) { return kNtOffset + (kind == PeKind::Pe32Plus ? 144 : 128); }

inline std::vector<uint8_t> BuildImage(const char* firstName, uint32_t characteristics,
                                       const std::vector<std::string>& imports, PeKind kind = PeKind::Pe32) {
    std::vector<uint8_t> b(kFileSize, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 60, kNtOffset);
    std::memcpy(&b[kNtOffset], "PE\0\0", 4);
    bool plus = kind == PeKind::Pe32Plus;
    Put16(b, kNtOffset + 4, plus ? 0x8664 : 0x14C);
    Put16(b, kNtOffset + 6, 2);
    Put16(b, kNtOffset + 20, 0xF0);
    Put16(b, kNtOffset + 24, plus ? 0x20B : 0x10B);
    Put32(b, kNtOffset + 80, kImageSize);
    Put32(b, kNtOffset + (plus ? 132 : 116), 16);  // NumberOfRvaAndSizes
    Put32(b, kImportEntry(kind), imports.empty() ? 0 : kIdataRva);

    std::memcpy(&b[kSectionTable], firstName, std::strlen(firstName) < 8 ? std::strlen(firstName) : 8);
    Put32(b, kSectionTable + 12, kTextRva);
    Put32(b, kSectionTable + 20, kTextRaw);
    Put32(b, kSectionTable + 36, characteristics);
    std::memcpy(&b[kSectionTable + 40], ".idata", 6);
    Put32(b, kSectionTable + 40 + 12, kIdataRva);
    Put32(b, kSectionTable + 40 + 20, kIdataRaw);
    Put32(b, kSectionTable + 40 + 36, 0xC0000040);

    uint32_t nameRva = kIdataRva + 0x100;
    for (size_t i = 0; i < imports.size(); ++i) {
        Put32(b, kIdataRaw + uint32_t(i) * 20 + 12, nameRva);
        uint32_t raw = nameRva - kIdataRva + kIdataRaw;
        std::memcpy(&b[raw], imports[i].c_str(), imports[i].size() + 1);
        nameRva += uint32_t(imports[i].size()) + 1;
    }
    return b;
}

}  // namespace rk_test
