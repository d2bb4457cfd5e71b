#pragma once
// The suite's shortcut on the desktop of the user who sees the tool.
#include <cstdint>

namespace rk {

// The shortcut's target in the report's bytes; false when there is none or it cannot be resolved.
bool GetDesktopShortcutTarget(char* target, uint32_t capacity);

}  // namespace rk
