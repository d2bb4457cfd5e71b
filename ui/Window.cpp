#include "ui/Window.h"

namespace rk {

AnsiString Window::GetText() const {
    int length = ::GetWindowTextLengthA(m_hwnd);
    if (length <= 0) return AnsiString();
    AnsiString text(static_cast<size_t>(length) + 1, '\0');
    int got = ::GetWindowTextA(m_hwnd, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

}  // namespace rk
