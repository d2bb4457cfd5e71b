#include "app/StartupReport.h"

#include <windows.h>

#include <memory>

#include "app/WorkerPost.h"
#include "base/FaultGuard.h"
#include "engine/CheckEngine.h"
#include "probes/BoundedText.h"
#include "probes/SystemProbes.h"
#include "res/resource.h"

namespace rk {

namespace {

// The 1 MiB report buffer, straight from virtual memory (so it starts zero-filled).
class ReportBuffer {
public:
    ReportBuffer() = default;
    char* Allocate() {
        m_data = static_cast<char*>(::VirtualAlloc(nullptr, kReportBufferSize, MEM_COMMIT, PAGE_READWRITE));
        return m_data;
    }
    ~ReportBuffer() {
        if (!m_data) return;
        ::VirtualFree(m_data, kReportBufferSize, MEM_DECOMMIT);
        ::VirtualFree(m_data, 0, MEM_RELEASE);
    }
    ReportBuffer(const ReportBuffer&) = delete;
    ReportBuffer& operator=(const ReportBuffer&) = delete;

private:
    char* m_data = nullptr;
};

struct RunState {
    CheckEngine* engine;
    AnsiString* out;
    ReportBuffer* buffer;
};

void RunGuardedSteps(void* param) {
    RunState& state = *static_cast<RunState*>(param);
    CheckEngine& engine = *state.engine;
    if (!engine.Bind()) return;
    engine.Init();
    engine.Load(0, 0);
    char* text = state.buffer->Allocate();
    if (text) {
        text[0] = '\0';
        engine.PrepareReport(1);
        engine.GetReport(text, static_cast<int32_t>(kReportBufferSize));
        // An engine that leaves no terminator in the buffer keeps its text up to the buffer's
        // end, and nothing is read past it.
        uint32_t n = kReportBufferSize;
        BoundedLength(text, kReportBufferSize, &n);
        if (n < kReportBufferSize) {
            AppendProbeSections(text + n, kReportBufferSize - n);
            n = kReportBufferSize;
            BoundedLength(text, kReportBufferSize, &n);
        }
        *state.out = AnsiString(text, n);
    } else {
        state.out->clear();
    }
}

}  // namespace

bool MakeStartupReport(CheckEngine& engine, AnsiString& out) {
    ReportBuffer buffer;  // lives outside the guard so a fault never skips its release
    RunState state{&engine, &out, &buffer};
    return RunGuarded(&RunGuardedSteps, &state);
}

void RunStartupJob(StartupJob& job) {
    CheckEngine engine;
    MakeStartupReport(engine, job.text);
    // The wait dialog ends only once this is set, whoever posts the command. The engine is
    // unloaded when `engine` goes out of scope, the job let go of after that.
    job.finished = true;
    PostCompletion(job.notify, WM_COMMAND, ID_REPORT_DONE, 0);
}

}  // namespace rk
