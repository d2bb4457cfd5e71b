#include "app/StartupReport.h"

#include <windows.h>

#include "base/FaultGuard.h"
#include "engine/CheckEngine.h"

namespace rk {

uint32_t BoundedTextLength(const char* buffer, uint32_t capacity) {
    uint32_t n = 0;
    while (n < capacity && buffer[n] != '\0') ++n;
    return n;
}

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
    char* data() const { return m_data; }

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
        uint32_t n = BoundedTextLength(text, kReportBufferSize);
        if (n < kReportBufferSize) {
            engine.AppendProbeSections(text + n, kReportBufferSize - n);
            *state.out = AnsiString(text, BoundedTextLength(text, kReportBufferSize));
        } else {
            // The engine left no terminator in the buffer: keep its text up to the buffer's
            // end rather than read past it.
            *state.out = AnsiString(text, kReportBufferSize);
        }
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

}  // namespace rk
