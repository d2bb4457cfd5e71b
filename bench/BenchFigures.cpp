// The measuring half of bench/run.sh. Each command prints "key value" lines that the script turns
// into its table; times are medians of the runs asked for.
//   bench_figures startup <tool exe> <bare exe> <runs>  start both in turn, order alternated
//   bench_figures engine <runs>                          the sample engine's calls, timed here
//   bench_figures diagnosis <runs>                       probes of known durations, one slowed
//   bench_figures bound <bound ms> <runs>                one probe that never ends
//   bench_figures memory                                 this process before and after a diagnosis
//   bench_figures ole                                    OLE's start in this process
//   bench_figures md5 <file> <runs>
//   bench_figures diagnosed <tool> <bare> <runs>         the tool's own memory after a diagnosis
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/StartupReport.h"
#include "base/Handle.h"
#include "engine/CheckEngine.h"
#include "netdiag/DiagnosisRun.h"
#include "netdiag/NetDiagnostics.h"
#include "probes/FileMd5.h"
#include "res/resource.h"
#include "tests/common/LoopbackTargets.h"
#include "tests/common/ProcessMemory.h"
#include "tests/gui/Driver.h"
#include "bench/Clock.h"

namespace {

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void Print(const char* key, double value) { std::printf("%s %.3f\n", key, value); }

struct StartRun {
    bool ok = false;
    double ms = 0;
    double firstWindowMs = 0;  // any window of the program visible (the tool's wait dialog)
    double visibleMs = 0;      // the main window visible, its text maybe not yet in
    rk_test::MemoryFigures memory;
};

// Starts exe, polls until its main dialog is visible with the report control and, when
// wantReport, that control holds text; measures the process there, then presses Exit.
StartRun StartOnce(const std::string& exe, bool wantReport) {
    StartRun run;
    rk_test::AppProcess app;
    const double start = NowMs();
    if (!app.Start(exe)) return run;
    HWND main = nullptr;
    const double deadline = start + 30000;
    while (NowMs() < deadline) {
        main = rk_test::FindMainWindow(app.Pid());
        if (main && run.visibleMs == 0) run.visibleMs = NowMs() - start;
        if (run.firstWindowMs == 0)
            for (HWND window : rk_test::TopLevelWindows(app.Pid()))
                if (::IsWindowVisible(window)) run.firstWindowMs = NowMs() - start;
        if (main && (!wantReport || !rk_test::ItemText(main, IDC_REPORT_EDIT).empty())) break;
        main = nullptr;
        ::Sleep(1);
    }
    if (!main) {
        std::fprintf(stderr, "bench_figures: no main window%s\n", wantReport ? " with the report" : "");
        return run;
    }
    run.ms = NowMs() - start;
    run.memory = rk_test::MemoryOf(app.Handle());
    rk_test::Click(main, IDCANCEL);
    run.ok = app.WaitExit();
    if (!run.ok) std::fprintf(stderr, "bench_figures: the program did not end after Exit\n");
    return run;
}

std::string FullPath(const char* path) {
    char full[MAX_PATH] = {};
    ::GetFullPathNameA(path, MAX_PATH, full, nullptr);
    return full;
}

int Startup(const std::string& tool, const std::string& bare, int runs) {
    std::vector<double> toolFirstMs, toolVisibleMs, toolMs, bareMs, toolWs, bareWs, toolPrivate, barePrivate;
    bool fromRegions = false;
    // One untimed start of each first: the prefix's services and the fonts come up once per
    // session, and neither side should pay for them.
    if (!StartOnce(bare, false).ok || !StartOnce(tool, true).ok) {
        std::fprintf(stderr, "bench_figures: the warm-up start failed\n");
        return 1;
    }
    for (int i = 0; i < runs; ++i) {
        // Alternated, so neither side always runs on a warmer machine.
        for (int side = 0; side < 2; ++side) {
            const bool isTool = (side == 0) == (i % 2 == 1);
            const StartRun run = StartOnce(isTool ? tool : bare, isTool);
            if (!run.ok) {
                std::fprintf(stderr, "bench_figures: %s did not show its main window or did not close\n",
                             (isTool ? tool : bare).c_str());
                return 1;
            }
            fromRegions = fromRegions || run.memory.privateFromRegions;
            (isTool ? toolMs : bareMs).push_back(run.ms);
            if (isTool) toolVisibleMs.push_back(run.visibleMs);
            if (isTool) toolFirstMs.push_back(run.firstWindowMs);
            (isTool ? toolWs : bareWs).push_back(run.memory.peakWorkingSet);
            (isTool ? toolPrivate : barePrivate).push_back(run.memory.privateBytes);
        }
    }
    Print("startup_tool_ms", Median(toolMs));
    Print("startup_tool_visible_ms", Median(toolVisibleMs));
    Print("startup_tool_first_window_ms", Median(toolFirstMs));
    Print("startup_bare_ms", Median(bareMs));
    Print("startup_tool_peak_ws", Median(toolWs));
    Print("startup_bare_peak_ws", Median(bareWs));
    Print("startup_tool_private", Median(toolPrivate));
    Print("startup_bare_private", Median(barePrivate));
    Print("private_from_regions", fromRegions ? 1 : 0);
    return 0;
}

// The engine's side of the start-up: its calls in the order the tool makes them, timed around
// each call, and the whole start-up run for comparison.
int Engine(int runs) {
    std::vector<double> bind, calls, whole;
    std::vector<char> buffer(rk::kReportBufferSize);
    for (int i = 0; i < runs; ++i) {
        {
            rk::CheckEngine engine;
            double start = NowMs();
            if (!engine.Bind()) {
                std::fprintf(stderr, "bench_figures: no check.dll beside this program\n");
                return 1;
            }
            bind.push_back(NowMs() - start);
            start = NowMs();
            engine.Init();
            engine.Load(0, 0);
            buffer[0] = '\0';
            engine.PrepareReport(1);
            engine.GetReport(buffer.data(), static_cast<int32_t>(buffer.size()));
            calls.push_back(NowMs() - start);
        }
        rk::CheckEngine engine;
        rk::AnsiString text;
        const double start = NowMs();
        rk::MakeStartupReport(engine, text);
        whole.push_back(NowMs() - start);
    }
    Print("engine_load_ms", Median(bind));
    Print("engine_calls_ms", Median(calls));
    Print("startup_run_ms", Median(whole));
    return 0;
}

rk::ProbeWork SleepFor(DWORD ms) {
    return [ms](rk::ProbeRun&) { ::Sleep(ms); };
}

int Diagnosis(int runs) {
    const DWORD kSlowestMs = 1500;
    rk::RunPlan plan;
    for (int i = 0; i < rk::kProbeThreadCount; ++i) plan.threads[i] = SleepFor(100 + 40 * i);
    plan.threads[5] = SleepFor(kSlowestMs);  // the one slowed on purpose
    const rk::NetTargets targets = rk_test::LoopbackTargets(30000);
    std::vector<double> wall;
    for (int i = 0; i < runs; ++i) {
        rk::NetDiagnostics record;
        rk::AnsiString out;
        const double start = NowMs();
        const bool inTime = rk::RunPlanned(record, out, targets, plan);
        wall.push_back(NowMs() - start);
        if (!inTime) {
            std::fprintf(stderr, "bench_figures: the planned diagnosis reached its bound\n");
            return 1;
        }
    }
    Print("diagnosis_wall_ms", Median(wall));
    Print("diagnosis_slowest_ms", kSlowestMs);
    return 0;
}

int Bound(DWORD boundMs, int runs) {
    // The probe that never ends during its run; let go afterwards so the process ends cleanly.
    rk::UniqueHandle release(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE event = release.get();
    rk::RunPlan plan;
    for (int i = 0; i < rk::kProbeThreadCount; ++i) plan.threads[i] = SleepFor(50);
    plan.threads[7] = [event](rk::ProbeRun&) { ::WaitForSingleObject(event, INFINITE); };
    const rk::NetTargets targets = rk_test::LoopbackTargets(boundMs);
    std::vector<double> past;
    for (int i = 0; i < runs; ++i) {
        rk::NetDiagnostics record;
        rk::AnsiString out;
        const double start = NowMs();
        const bool inTime = rk::RunPlanned(record, out, targets, plan);
        past.push_back(NowMs() - start - boundMs);
        if (inTime) {
            std::fprintf(stderr, "bench_figures: a run with a probe that never ends reported no timeout\n");
            return 1;
        }
    }
    ::SetEvent(event);
    if (!rk::WaitForProbeRunsToEnd(10000)) std::fprintf(stderr, "bench_figures: abandoned probes did not end\n");
    Print("bound_ms", boundMs);
    Print("bound_past_ms", Median(past));
    Print("bound_past_max_ms", *std::max_element(past.begin(), past.end()));
    return 0;
}

// This process at start, after the start-up run with the sample engine, and after one product
// diagnosis against this machine.
int InProcessMemory() {
    const rk_test::MemoryFigures atStart = rk_test::MemoryOf(::GetCurrentProcess());
    {
        rk::CheckEngine engine;
        rk::AnsiString text;
        rk::MakeStartupReport(engine, text);
    }
    const rk_test::MemoryFigures afterStartup = rk_test::MemoryOf(::GetCurrentProcess());
    {
        rk::NetDiagnostics record;
        rk::AnsiString out;
        record.Run(out, rk_test::LoopbackTargets(10000));
    }
    rk::WaitForProbeRunsToEnd(20000);
    const rk_test::MemoryFigures afterDiagnosis = rk_test::MemoryOf(::GetCurrentProcess());
    Print("inproc_start_peak_ws", atStart.peakWorkingSet);
    Print("inproc_start_private", atStart.privateBytes);
    Print("inproc_startup_peak_ws", afterStartup.peakWorkingSet);
    Print("inproc_startup_private", afterStartup.privateBytes);
    Print("inproc_diagnosis_peak_ws", afterDiagnosis.peakWorkingSet);
    Print("inproc_diagnosis_private", afterDiagnosis.privateBytes);
    Print("inproc_private_from_regions", afterDiagnosis.privateFromRegions ? 1 : 0);
    return 0;
}

// What the tool does before its dialog that the bare dialog does not: OLE, loaded and started in
// a fresh process (run once per process).
int Ole() {
    const double start = NowMs();
    HMODULE ole = ::LoadLibraryA("ole32.dll");
    using Initialize = HRESULT(WINAPI*)(void*);
    auto initialize = ole ? reinterpret_cast<Initialize>(reinterpret_cast<void*>(::GetProcAddress(ole, "OleInitialize")))
                          : nullptr;
    if (!initialize) return 1;
    initialize(nullptr);
    Print("ole_ms", NowMs() - start);
    return 0;
}

int Md5(const char* path, int runs) {
    std::vector<double> times;
    uint8_t digest[16];
    std::wstring wide(path, path + std::strlen(path));  // the bench's files have ASCII names
    for (int i = 0; i < runs; ++i) {
        const double start = NowMs();
        if (!rk::ComputeFileMd5(wide.c_str(), digest)) {
            std::fprintf(stderr, "bench_figures: cannot read %s\n", path);
            return 1;
        }
        times.push_back(NowMs() - start);
    }
    Print("md5_ms", Median(times));
    return 0;
}

}  // namespace

int Diagnosed(const std::string& tool, const std::string& bare, int runs);  // BenchDiagnosed.cpp

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "startup" && argc == 5) return Startup(FullPath(argv[2]), FullPath(argv[3]), std::atoi(argv[4]));
    if (command == "engine" && argc == 3) return Engine(std::atoi(argv[2]));
    if (command == "diagnosis" && argc == 3) return Diagnosis(std::atoi(argv[2]));
    if (command == "bound" && argc == 4)
        return Bound(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)), std::atoi(argv[3]));
    if (command == "memory" && argc == 2) return InProcessMemory();
    if (command == "ole" && argc == 2) return Ole();
    if (command == "diagnosed" && argc == 5) return Diagnosed(FullPath(argv[2]), FullPath(argv[3]), std::atoi(argv[4]));
    if (command == "md5" && argc == 4) return Md5(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: bench_figures startup|engine|diagnosis|bound|memory|md5 ...\n");
    return 2;
}
