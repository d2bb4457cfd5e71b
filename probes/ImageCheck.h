#pragma once
// The quick look at an executable's headers that flags a startup program as infected.
#include <cstdint>

#include "probes/ImageHeaders.h"

namespace rk {

constexpr uint32_t kMaxExaminedImageSize = 102400;

// True when the file looks infected, false when it looks clean. Files that cannot be read or mapped,
// or are larger than kMaxExaminedImageSize, look infected. The mapped bytes go to ExamineImage.
bool IsImageInfected(const wchar_t* path);

}  // namespace rk
