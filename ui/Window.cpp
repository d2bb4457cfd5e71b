#include "ui/Window.h"

#include <cstring>

namespace rk {

AnsiString Window::GetText() const {
    // The reported length may count characters rather than code page 936 bytes (rich edit does),
    // so the buffer grows until the text fits with room to spare.
    size_t capacity = static_cast<size_t>(SendMsg(WM_GETTEXTLENGTH)) * 2 + 2;
    if (capacity < 1024) capacity = 1024;
    for (;;) {
        AnsiString text(capacity, '\0');
        SendMsg(WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(&text[0]));
        size_t length = strnlen(text.c_str(), capacity);
        if (length + 1 < capacity) {
            text.resize(length);
            return text;
        }
        capacity *= 2;
    }
}

}  // namespace rk
