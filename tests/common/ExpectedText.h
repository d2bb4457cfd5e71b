#pragma once
// Texts the report must hold, written out here rather than taken from the program, so a wrong
// constant in the program shows up as a failed test.

namespace rk_test {

// The line that closes every section.
constexpr char kSeparator[] = "\r\n=======================================\r\n";

}  // namespace rk_test
