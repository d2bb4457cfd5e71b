#pragma once
#include <cstdint>

#include "base/AnsiString.h"

namespace rk {

class CheckEngine;

constexpr uint32_t kReportBufferSize = 1048576;

// Binds the engine, lets it write its report into a fresh ReportBuffer, appends the probe
// sections behind it and assigns the text to `out`. A fault or exception anywhere in the
// engine or the probes ends the work early; the buffer is released on every path. Returns
// false when the work was cut short by a fault.
bool MakeStartupReport(CheckEngine& engine, AnsiString& out);

}  // namespace rk
