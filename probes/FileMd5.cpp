#include "probes/FileMd5.h"

#include <windows.h>

#include "base/Handle.h"
#include "base/Scoped.h"

namespace rk {
namespace {

constexpr uint32_t kReadChunk = 4096;

}  // namespace

bool ComputeFileMd5(const wchar_t* path, uint8_t digest[16]) {
    UniqueBlock<char> chunk = AllocateBlock<char>(kReadChunk);
    if (!chunk) return false;
    UniqueFile file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    Md5 md5;
    DWORD got = 0;
    while (::ReadFile(file.get(), chunk.get(), kReadChunk, &got, nullptr) && got != 0) md5.Update(chunk.get(), got);
    md5.Finish(digest);
    return true;
}

}  // namespace rk
