#include "probes/ImageCheck.h"

#include <windows.h>

#include "base/Handle.h"

namespace rk {

bool IsImageInfected(const wchar_t* path) {
    if (::GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return true;
    UniqueFile file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file) return true;
    DWORD size = ::GetFileSize(file.get(), nullptr);
    if (size > kMaxExaminedImageSize) return true;
    // An empty file cannot be mapped.
    if (size == 0) return true;
    UniqueHandle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    file.reset();
    if (!mapping) return true;
    UniqueView view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    mapping.reset();
    if (!view) return true;
    // The file may have shrunk since its size was read (others may write to it): never look
    // past what the view really holds.
    MEMORY_BASIC_INFORMATION region = {};
    if (::VirtualQuery(view.get(), &region, sizeof region) == 0) return true;
    if (region.RegionSize < size) size = static_cast<DWORD>(region.RegionSize);
    return ExamineImage(static_cast<const uint8_t*>(view.get()), size);
}

}  // namespace rk
