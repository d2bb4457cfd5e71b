#pragma once
// The check engine's exported interface, as far as this tool knows it. The library is the
// suite's own and is bound at run time by name; every entry point is optional.
#include <cstdint>

namespace rk {

constexpr uint32_t kEngLibInfoSize = 260;
// Word offsets within the EngLibInfo block that EngLib_Init fills.
constexpr uint32_t kEngLibInfoExtraOffsets[5] = {44, 48, 52, 56, 60};
constexpr uint32_t kEngLibInfoPrepareReportOffset = 76;

using EngEntryFn = int(__cdecl*)();
using EngInitFn = int(__cdecl*)();
using EngLoadFn = int(__cdecl*)(int, int);
using EngLibInitFn = int(__cdecl*)(unsigned char* info);
using PrepareReportFn = int(__cdecl*)(int);
using EngGetReportFn = int(__cdecl*)(char* buffer, int size);

}  // namespace rk
