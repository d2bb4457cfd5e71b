#pragma once
// MD5 (RFC 1321) over whole files.
#include <cstdint>

#include "probes/Md5.h"

namespace rk {

// Digest of the whole file, read in 4096-byte pieces. True with the digest written, false
// (digest untouched) when the file cannot be opened. A read error part-way gives the digest of what
// was read.
bool ComputeFileMd5(const wchar_t* path, uint8_t digest[16]);

}  // namespace rk
