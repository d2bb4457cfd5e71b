#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "base/AnsiString.h"

namespace rk {

class CheckEngine;

constexpr uint32_t kReportBufferSize = 1048576;

// Binds the engine, lets it write its report into a fresh 1 MiB buffer, appends the probe
// sections behind it and assigns the text to `out`. A fault or exception anywhere in the
// engine or the probes ends the work early; the buffer is released on every path. Returns
// false when the work was cut short by a fault.
bool MakeStartupReport(CheckEngine& engine, AnsiString& out);

// One start-up report, shared by the window and its worker: the worker writes the text and only
// then sets `finished`; the window reads the text only once it sees `finished`. On the heap, so
// that a wait dialog ended early (any program can post WM_QUIT to its thread) leaves the worker
// writing into memory that is still there.
struct StartupJob {
    HWND notify = nullptr;
    AnsiString text;
    std::atomic<bool> finished{false};
};

// The start-up worker: makes the report with an engine of its own into the job, sets `finished`,
// posts the command ID_REPORT_DONE to the job's window, and only then unloads the engine.
void RunStartupJob(StartupJob& job);

}  // namespace rk
