#pragma once
// String literals joined at compile time, so a constant built from others is written once.
#include <cstddef>

namespace rk {

template <size_t N>
struct JoinedText {
    char m_text[N];
    constexpr const char* c_str() const { return m_text; }
    constexpr operator const char*() const { return m_text; }
};

namespace detail {

template <size_t Out, size_t N>
constexpr void AppendPart(JoinedText<Out>& out, size_t& at, const char (&part)[N]) {
    for (size_t i = 0; i + 1 < N && part[i] != '\0'; ++i) out.m_text[at++] = part[i];
}

}  // namespace detail

// JoinText("http://", kHost, "/path"): the parts one after the other, zero-terminated.
template <size_t... N>
constexpr JoinedText<(N + ... + 0) - sizeof...(N) + 1> JoinText(const char (&... parts)[N]) {
    JoinedText<(N + ... + 0) - sizeof...(N) + 1> out{};
    size_t at = 0;
    (detail::AppendPart(out, at, parts), ...);
    out.m_text[at] = '\0';
    return out;
}

}  // namespace rk
