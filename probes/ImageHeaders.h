#pragma once
// The examination of an executable's headers, over bytes already in memory. No platform calls:
// the caller maps the file (IsImageInfected) or hands in bytes from anywhere.
#include <cstdint>

namespace rk {

constexpr uint32_t kNoFileOffset = 0xFFFFFFFF;

// The verdict on a file's bytes (fileSize of them at image). The bytes are read the way a
// read-only view of the file presents them: past the file's end up to the end of its last
// 4096-byte page they read as zero, and any read beyond that ends the examination with false (clean), as
// a fault in the view would. Nothing at or past image + fileSize is ever touched.
bool ExamineImage(const uint8_t* image, uint32_t fileSize);

// File offset of an RVA, each section reaching up to the next one (the last up to SizeOfImage);
// an RVA below the first section is returned unchanged. kNoFileOffset when the RVA lies in no
// section or the headers cannot be read within the view described above.
uint32_t RvaToFileOffset(const uint8_t* image, uint32_t fileSize, uint32_t rva);

}  // namespace rk
