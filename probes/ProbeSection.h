#pragma once

namespace rk {

// Closes every section of the report.
constexpr char kSectionSeparator[] = "\r\n=======================================\r\n";

}  // namespace rk
