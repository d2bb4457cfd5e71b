// The header examination over any bytes, against a model written apart from it, with the file
// size smaller than, equal to or larger than the bytes given.
//
// Input: mode (1 byte), a size adjustment (2 bytes), then the file's bytes.
//   mode 0: the file is exactly the bytes;
//   mode 1: the file is shorter than the bytes held (what follows it must count for nothing);
//   mode 2: the file goes on past the bytes with zeros (within the same last page it must not
//           change the verdict).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzInput.h"
#include "probes/ImageHeaders.h"

using rk_fuzz::Check;

namespace {

// The view as the platform maps a file: its bytes, zeros up to the end of the last 4096-byte
// page, a fault beyond. A fault ends the examination with "clean".
struct Fault {};

class ModelView {
public:
    ModelView(const uint8_t* bytes, uint32_t fileSize)
        : m_bytes(bytes, bytes + fileSize) {
        m_bytes.resize((uint64_t(fileSize) + 4095) / 4096 * 4096, 0);
    }
    uint32_t U8(uint64_t at) const {
        if (at >= m_bytes.size()) throw Fault();
        return m_bytes[at];
    }
    uint32_t U16(uint64_t at) const { return U8(at) | U8(at + 1) << 8; }
    uint32_t U32(uint64_t at) const { return U16(at) | U16(at + 2) << 16; }

private:
    std::vector<uint8_t> m_bytes;
};

uint32_t ModelRva(const ModelView& v, uint32_t rva) {
    try {
        const uint64_t nt = v.U32(60);
        const uint64_t sections = nt + 24 + v.U16(nt + 20);
        const uint32_t count = v.U16(nt + 6);
        const uint32_t sizeOfImage = v.U32(nt + 80);
        if (rva < v.U32(sections + 12)) return rva;
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t header = sections + 40ull * i;
            const uint32_t va = v.U32(header + 12);
            const uint32_t end = i + 1 < count ? v.U32(header + 40 + 12) : sizeOfImage;
            const uint32_t raw = v.U32(header + 20);
            if (va <= rva && rva < end) {
                const uint64_t offset = uint64_t(raw) + (rva - va);
                return offset >= 0xFFFFFFFFull ? rk::kNoFileOffset : uint32_t(offset);
            }
        }
        return rk::kNoFileOffset;
    } catch (const Fault&) {
        return rk::kNoFileOffset;
    }
}

bool ModelVerdict(const ModelView& v) {
    try {
        const uint64_t nt = v.U32(60);
        const uint64_t first = nt + 24 + v.U16(nt + 20);
        if (v.U32(first + 36) == 0xE0000060) return true;
        static const char kText[6] = {'.', 't', 'e', 'x', 't', '\0'};
        for (int i = 0; i < 6; ++i)
            if (v.U8(first + i) != uint8_t(kText[i])) return true;
        const bool plus = v.U16(nt + 24) == 0x20B;
        const uint32_t optionalSize = v.U16(nt + 20);
        const uint32_t directories = v.U32(nt + (plus ? 132 : 116));
        if (directories < 2 || optionalSize < (plus ? 128u : 112u)) return false;
        const uint32_t importRva = v.U32(nt + (plus ? 144 : 128));
        if (importRva == 0) return false;
        const uint32_t descriptor = ModelRva(v, importRva);
        if (descriptor == rk::kNoFileOffset) return false;
        for (uint64_t at = descriptor;; at += 20) {
            const uint32_t nameRva = v.U32(at + 12);
            if (nameRva == 0) return false;
            const uint32_t name = ModelRva(v, nameRva);
            if (name == rk::kNoFileOffset) return false;
            static const char kWininet[] = "wininet.dll";
            bool same = true;
            for (uint32_t i = 0; i < sizeof kWininet; ++i) {
                uint32_t c = v.U8(uint64_t(name) + i);
                if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
                if (c != uint8_t(kWininet[i])) {
                    same = false;
                    break;
                }
            }
            if (same) return true;
        }
    } catch (const Fault&) {
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rk_fuzz::Input in(data, size);
    const uint8_t mode = in.Byte() % 3;
    const uint16_t adjust = in.Word();
    const std::string bytes = in.Rest();
    if (bytes.size() > 1u << 20) return 0;

    uint32_t fileSize = uint32_t(bytes.size());
    std::vector<uint8_t> held = rk_fuzz::Exact(bytes);
    if (mode == 1) {
        fileSize -= adjust % (fileSize + 1);
    } else if (mode == 2) {
        fileSize += adjust;
        held.resize(fileSize, 0);
        held.shrink_to_fit();
    }
    // The file's own bytes, in a block of exactly its size.
    const std::vector<uint8_t> file(held.begin(), held.begin() + fileSize);

    const ModelView model(file.data(), fileSize);
    const bool verdict = rk::ExamineImage(file.data(), fileSize);
    Check(verdict == ModelVerdict(model));
    // What the caller holds past the file's end counts for nothing.
    Check(rk::ExamineImage(held.data(), fileSize) == verdict);

    // RVAs taken from the bytes themselves and around the sections.
    rk_fuzz::Input rvas(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    for (int i = 0; i < 4; ++i) {
        const uint32_t rva = i < 2 ? rvas.Dword() : rvas.Dword() % 0x10000;
        const uint32_t offset = rk::RvaToFileOffset(file.data(), fileSize, rva);
        Check(offset == ModelRva(model, rva));
        Check(rk::RvaToFileOffset(held.data(), fileSize, rva) == offset);
    }

    // A file that goes on with zeros within its last page reads the same.
    if (mode == 0 && fileSize % 4096 != 0) {
        const uint32_t padded = fileSize + (adjust % (4096 - fileSize % 4096));
        std::vector<uint8_t> longer(file);
        longer.resize(padded, 0);
        longer.shrink_to_fit();
        Check(rk::ExamineImage(longer.data(), padded) == verdict);
    }
    return 0;
}
