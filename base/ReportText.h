#pragma once

namespace rk {

// Closes every section of the report: an empty line's CR LF, 39 equals signs, CR LF.
constexpr char kSectionSeparator[] = "\r\n=======================================\r\n";

}  // namespace rk
