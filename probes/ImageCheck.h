#pragma once
// The quick look at an executable's headers that flags a startup program as infected.
#include <cstdint>

namespace rk {

constexpr uint32_t kMaxExaminedImageSize = 102400;
constexpr uint32_t kNoFileOffset = 0xFFFFFFFF;

// True when the file looks infected, false when it looks clean. Files that cannot be read or mapped,
// or are larger than kMaxExaminedImageSize, look infected.
bool IsImageInfected(const char* path);

// The verdict on a file's bytes (fileSize of them at image). The bytes are read the way a
// read-only view of the file presents them: past the file's end up to the end of its last
// 4096-byte page they read as zero, and any read beyond that ends the examination with false (clean), as
// a fault in the view would. No platform call is made.
bool ExamineImage(const uint8_t* image, uint32_t fileSize);

// File offset of an RVA, each section reaching up to the next one (the last up to SizeOfImage);
// an RVA below the first section is returned unchanged. kNoFileOffset when the RVA lies in no
// section or the headers cannot be read within the view described above.
uint32_t RvaToFileOffset(const uint8_t* image, uint32_t fileSize, uint32_t rva);

}  // namespace rk
