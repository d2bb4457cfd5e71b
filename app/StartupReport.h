#pragma once
#include <windows.h>

#include <atomic>
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

// What the start-up worker is given: where to write the report, what to set once it is written,
// and whom to tell.
struct StartupJob {
    HWND notify;
    AnsiString* out;
    std::atomic<bool>* finished;
};

// The start-up worker: makes the report with an engine of its own, sets *job->finished, posts the
// command ID_REPORT_DONE to job->notify, and only then unloads the engine. Its argument is a
// StartupJob, read before anything else.
void __cdecl StartupReportThread(void* job);

}  // namespace rk
