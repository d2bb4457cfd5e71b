#include "probes/ImageHeaders.h"

namespace rk {
namespace {

constexpr uint32_t kPageSize = 4096;
constexpr uint32_t kSuspectCharacteristics = 0xE0000060;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kImportDescriptorSize = 20;
constexpr uint16_t kPe32PlusMagic = 0x20B;

// Reads from a file's bytes as a mapped view shows them. The first read outside the view sets
// the fault flag; every read after it returns 0, so callers test the flag once per step.
class ViewReader {
public:
    ViewReader(const uint8_t* image, uint32_t fileSize)
        : m_image(image), m_fileSize(fileSize),
          m_viewSize((static_cast<uint64_t>(fileSize) + kPageSize - 1) / kPageSize * kPageSize) {}

    bool Faulted() const { return m_faulted; }

    uint8_t Byte(uint64_t offset) {
        if (m_faulted || offset >= m_viewSize) {
            m_faulted = true;
            return 0;
        }
        return offset < m_fileSize ? m_image[offset] : 0;
    }
    uint16_t Word(uint64_t offset) { return static_cast<uint16_t>(Byte(offset) | Byte(offset + 1) << 8); }
    uint32_t Dword(uint64_t offset) { return Word(offset) | static_cast<uint32_t>(Word(offset + 2)) << 16; }

private:
    const uint8_t* m_image;
    uint64_t m_fileSize;
    uint64_t m_viewSize;
    bool m_faulted = false;
};

struct Headers {
    uint64_t nt;
    uint64_t firstSection;
};

Headers Locate(ViewReader& view) {
    Headers h;
    h.nt = view.Dword(60);
    h.firstSection = h.nt + 24 + view.Word(h.nt + 20);
    return h;
}

uint32_t RvaToOffset(ViewReader& view, uint32_t rva) {
    Headers h = Locate(view);
    uint32_t count = view.Word(h.nt + 6);
    uint32_t sizeOfImage = view.Dword(h.nt + 80);
    uint32_t firstVa = view.Dword(h.firstSection + 12);
    if (view.Faulted()) return kNoFileOffset;
    if (rva < firstVa) return rva;
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t section = h.firstSection + static_cast<uint64_t>(i) * kSectionHeaderSize;
        uint32_t va = view.Dword(section + 12);
        uint32_t end = i + 1 < count ? view.Dword(section + kSectionHeaderSize + 12) : sizeOfImage;
        uint32_t raw = view.Dword(section + 20);
        if (view.Faulted()) return kNoFileOffset;
        if (va <= rva && rva < end) {
            // A raw offset past 4 GiB lies in no file: never let it wrap onto a real offset.
            uint64_t offset = static_cast<uint64_t>(raw) + (rva - va);
            return offset < kNoFileOffset ? static_cast<uint32_t>(offset) : kNoFileOffset;
        }
    }
    return kNoFileOffset;
}

bool NameIsWininet(ViewReader& view, uint64_t offset) {
    static const char kName[] = "wininet.dll";
    for (uint32_t i = 0;; ++i) {
        uint8_t c = view.Byte(offset + i);
        if (view.Faulted()) return false;
        if (c >= 'A' && c <= 'Z') c = static_cast<uint8_t>(c - 'A' + 'a');
        if (c != static_cast<uint8_t>(kName[i])) return false;
        if (c == 0) return true;
    }
}

}  // namespace

uint32_t RvaToFileOffset(const uint8_t* image, uint32_t fileSize, uint32_t rva) {
    ViewReader view(image, fileSize);
    return RvaToOffset(view, rva);
}

bool ExamineImage(const uint8_t* image, uint32_t fileSize) {
    ViewReader view(image, fileSize);
    Headers h = Locate(view);
    uint32_t characteristics = view.Dword(h.firstSection + 36);
    if (view.Faulted()) return false;
    if (characteristics == kSuspectCharacteristics) return true;

    // The name compares as strncmp over 8 bytes with ".text": five bytes equal and then a zero.
    static const char kText[] = ".text";
    for (uint32_t i = 0; i < 6; ++i) {
        uint8_t c = view.Byte(h.firstSection + i);
        if (view.Faulted()) return false;
        if (c != static_cast<uint8_t>(kText[i])) return true;
    }

    // The import directory is data directory entry 1, whose place depends on the optional
    // header's kind (PE32 or PE32+). An entry that the header's own sizes leave out is absent.
    bool plus = view.Word(h.nt + 24) == kPe32PlusMagic;
    uint32_t optionalSize = view.Word(h.nt + 20);
    uint32_t directoryCount = view.Dword(h.nt + (plus ? 132 : 116));
    if (view.Faulted()) return false;
    if (directoryCount < 2 || optionalSize < (plus ? 128u : 112u)) return false;
    uint32_t importRva = view.Dword(h.nt + (plus ? 144 : 128));
    if (view.Faulted()) return false;
    if (importRva == 0) return false;
    uint32_t descriptor = RvaToOffset(view, importRva);
    if (descriptor == kNoFileOffset) return false;
    // The walk ends at the list's end, at wininet.dll, or when it runs out of the view.
    for (uint64_t at = descriptor;; at += kImportDescriptorSize) {
        uint32_t nameRva = view.Dword(at + 12);
        if (view.Faulted()) return false;
        if (nameRva == 0) return false;
        uint32_t name = RvaToOffset(view, nameRva);
        if (name == kNoFileOffset) return false;
        if (NameIsWininet(view, name)) return true;
        if (view.Faulted()) return false;
    }
}

}  // namespace rk
