#pragma once
// The check engine's exported interface, as far as this tool knows it. The library is the
// suite's own and is bound at run time by name; every entry point is optional.
#include <cstddef>
#include <cstdint>

namespace rk {

// The EngLib_Init block: 260 bytes, a 32-bit size word at offset 0, then pointer-sized words.
// An entry point sits at the word index it has in the binding's own table, so the byte offsets
// follow the pointer size: 44..60 and 76 on x86, 88..120 and 152 on x64.
constexpr uint32_t kEngLibInfoSize = 260;
constexpr size_t kEngLibInfoWord = sizeof(void*);
constexpr size_t kEngLibInfoExtraIndexes[5] = {11, 12, 13, 14, 15};
constexpr size_t kEngLibInfoPrepareReportIndex = 19;

constexpr size_t EngLibInfoOffset(size_t wordIndex) { return wordIndex * kEngLibInfoWord; }

static_assert(EngLibInfoOffset(kEngLibInfoPrepareReportIndex) + kEngLibInfoWord <= kEngLibInfoSize,
              "every copied word lies inside the block");
#if defined(__i386__)
static_assert(EngLibInfoOffset(11) == 44 && EngLibInfoOffset(19) == 76, "the x86 block layout");
#elif defined(__x86_64__)
static_assert(EngLibInfoOffset(11) == 88 && EngLibInfoOffset(19) == 152, "the x64 block layout");
#endif

using EngInitFn = int(__cdecl*)();
using EngLoadFn = int(__cdecl*)(int, int);
using EngLibInitFn = int(__cdecl*)(unsigned char* info);
using PrepareReportFn = int(__cdecl*)(int);
using EngGetReportFn = int(__cdecl*)(char* buffer, int size);

}  // namespace rk
