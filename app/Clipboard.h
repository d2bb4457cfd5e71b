#pragma once
// The clipboard as the copy command sees it.
#include <windows.h>

#include "app/OutputRules.h"

namespace rk {

// What the clipboard holds as text, as report bytes, read with `owner` as the opening window.
ClipboardView ReadClipboard(HWND owner);

// Leaves the clipboard empty, when it can be opened.
void EmptyTheClipboard(HWND owner);

}  // namespace rk
