#include "app/StartupReport.h"

#include <windows.h>

#include <memory>

#include "app/WorkerPost.h"
#include "base/Handle.h"
#include "base/FaultGuard.h"
#include "engine/CheckEngine.h"
#include "probes/BoundedText.h"
#include "probes/ProbeSection.h"
#include "res/resource.h"

namespace rk {

namespace {

struct RunState {
    CheckEngine* engine;
    AnsiString* out;
    UniqueVirtual* buffer;  // the 1 MiB report buffer, from virtual memory so zero-filled
};

void RunGuardedSteps(void* param) {
    RunState& state = *static_cast<RunState*>(param);
    CheckEngine& engine = *state.engine;
    if (!engine.Bind()) return;
    engine.Init();
    engine.Load(0, 0);
    state.buffer->reset(::VirtualAlloc(nullptr, kReportBufferSize, MEM_COMMIT, PAGE_READWRITE));
    char* text = static_cast<char*>(state.buffer->get());
    if (text) {
        text[0] = '\0';
        engine.PrepareReport(1);
        engine.GetReport(text, static_cast<int32_t>(kReportBufferSize));
        // An engine that leaves no terminator in the buffer keeps its text up to the buffer's
        // end, and nothing is read past it.
        uint32_t n = 0;
        if (BoundedLength(text, kReportBufferSize, &n) == kBoundedOk) {
            AppendProbeSections(text + n, kReportBufferSize - n);
            if (BoundedLength(text, kReportBufferSize, &n) != kBoundedOk) n = kReportBufferSize;
        } else {
            n = kReportBufferSize;
        }
        *state.out = AnsiString(text, n);
    } else {
        state.out->clear();
    }
}

}  // namespace

bool MakeStartupReport(CheckEngine& engine, AnsiString& out) {
    UniqueVirtual buffer;  // lives outside the guard so a fault never skips its release
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
