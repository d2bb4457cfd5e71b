#include "netdiag/NetDiagnostics.h"

#include "base/Handle.h"
#include "base/Scoped.h"
#include "base/SmallThread.h"
#include "config/Deployment.h"
#include "netdiag/DiagnosisRun.h"

namespace rk {

const char* const kProbeHosts[kProbeHostCount] = {kUpdateHost,    kDownloadHost, kMakerWebHost,
                                                  kSearchWebHost, kServiceHost1, kServiceHost2};

NetTargets ProductTargets() {
    NetTargets targets = {};
    for (int i = 0; i < kProbeHostCount; ++i) targets.hosts[i] = kProbeHosts[i];
    targets.updateFileUrl = kUpdateFileUrl;
    targets.publicAddressUrl = kPublicAddressUrl;
    targets.timeoutMs = kDiagnosisTimeoutMs;
    return targets;
}

namespace {

// The run states alive, with an event set while there are none. Never destroyed: abandoned probe
// threads may still release their run while the process's static objects are torn down.
class LiveRuns {
public:
    void Add() {
        LockGuard lock(m_lock);
        if (m_count++ == 0) ::ResetEvent(m_none.get());
    }
    void Remove() {
        LockGuard lock(m_lock);
        if (--m_count == 0) ::SetEvent(m_none.get());
    }
    LONG Count() {
        LockGuard lock(m_lock);
        return m_count;
    }
    bool WaitNone(DWORD timeoutMs) { return m_none && ::WaitForSingleObject(m_none.get(), timeoutMs) == WAIT_OBJECT_0; }

private:
    CriticalSection m_lock;
    UniqueHandle m_none{::CreateEventA(nullptr, TRUE, TRUE, nullptr)};
    LONG m_count = 0;
};

LiveRuns* const g_liveRuns = new LiveRuns;

LiveRuns& TheLiveRuns() { return *g_liveRuns; }

AnsiString OrEmpty(const char* text) { return text ? AnsiString(text) : AnsiString(); }

DWORD WINAPI ProbeThread(LPVOID param) {
    auto* start = static_cast<ProbeRun::ThreadStart*>(param);
    ProbeRun* run = start->run;
    // An exception leaving a thread would end the process; the slot keeps what the probe wrote.
    try {
        start->work(*run);
    } catch (...) {
    }
    run->ProbeFinished();
    run->Release();
    return 0;
}

// Each step's writer ends before the next begins: its section is done whatever it holds.
void RunStep(const ProbeStep& probe, ProbeRun& run) {
    if (!probe.work) return;
    SlotWriter text(&run.Slot(probe.slot));
    probe.work(run, probe.host, text);
}

}  // namespace

namespace step {
using N = NetDiagnostics;
void DownloadTest(ProbeRun& run, int, SlotWriter& out) { N::DownloadTest(run.UpdateFileUrl(), out); }
void IpConfig(ProbeRun&, int, SlotWriter& out) { N::CaptureIpConfig(out); }
void NetStat(ProbeRun&, int, SlotWriter& out) { N::CaptureNetStat(out); }
void NetStatWithinBound(ProbeRun& run, int, SlotWriter& out) { N::CaptureNetStat(out, run.RemainingMs()); }
void Ping(ProbeRun& run, int host, SlotWriter& out) { N::CapturePing(run.Host(host), out); }
void Tracert(ProbeRun& run, int host, SlotWriter& out) { N::CaptureTracert(run.Host(host), out); }
void ProxyReport(ProbeRun&, int, SlotWriter& out) { N::ProxyReport(out); }
void FirewallReport(ProbeRun&, int, SlotWriter& out) { N::FirewallReport(out); }
void PublicAddressLookup(ProbeRun& run, int, SlotWriter& out) { N::PublicAddressLookup(run.PublicAddressUrl(), out); }
}  // namespace step

ProbeRun::ProbeRun(const NetTargets& targets)
    : m_updateFileUrl(OrEmpty(targets.updateFileUrl)),
      m_publicAddressUrl(OrEmpty(targets.publicAddressUrl)),
      m_startTick(::GetTickCount()),
      m_boundMs(targets.timeoutMs) {
    for (int i = 0; i < kProbeHostCount; ++i) m_hosts[i] = OrEmpty(targets.hosts[i]);
    for (ThreadStart& start : m_threads) start.run = this;
    for (SharedSlot& slot : m_slots) slot.SetRun(&m_tools, m_folder ? &m_folder : nullptr);
    TheLiveRuns().Add();
}

ProbeRun::~ProbeRun() { TheLiveRuns().Remove(); }

DWORD ProbeRun::RemainingMs() const {
    if (m_boundMs == INFINITE) return INFINITE;
    const DWORD elapsed = ::GetTickCount() - m_startTick;
    return elapsed >= m_boundMs ? 0 : m_boundMs - elapsed;
}

void ProbeRun::End(AnsiString (&slots)[kResultSlotCount]) {
    {
        LockGuard lock(m_progressLock);
        m_over = true;
    }
    // Sealed first: a tool's file is read before the tool is ended and its probe deletes it.
    for (int i = 0; i < kResultSlotCount; ++i) slots[i] = m_slots[i].Seal();
    m_tools.EndAll();
}

void ProbeRun::ProbeFinished() {
    LockGuard lock(m_progressLock);
    if (m_over) return;
    ++m_finished;
    if (m_progress) {
        try {
            m_progress(m_finished);
        } catch (...) {
        }
    }
}

ProbeRun* ProbeRun::Create(const NetTargets& targets) { return new ProbeRun(targets); }

void ProbeRun::Release() {
    if (::InterlockedDecrement(&m_references) == 0) delete this;
}

LONG LiveProbeRuns() { return TheLiveRuns().Count(); }

bool WaitForProbeRunsToEnd(DWORD timeoutMs) { return TheLiveRuns().WaitNone(timeoutMs); }

RunPlan ProductPlan() {
    RunPlan plan;
    plan.before = [](ProbeRun& run) { RunStep(kBeforeProbes, run); };
    for (int i = 0; i < kProbeThreadCount; ++i) {
        const ProbeThreadEntry& thread = kProbeThreads[i];
        plan.threads[i] = [&thread](ProbeRun& run) {
            RunStep(thread.first, run);
            RunStep(thread.then, run);
        };
        // Windows commits only the stack pages used.
        plan.stackReserve[i] = thread.foreignCode ? kForeignCodeStackReserve : 0;
    }
    return plan;
}

bool RunPlanned(NetDiagnostics& record, AnsiString& out, const NetTargets& targets, const RunPlan& plan,
                const ProbeProgress& progress) {
    out.clear();
    ProbeRun* run = ProbeRun::Create(targets);
    auto releaseRun = MakeScopeExit([run] { run->Release(); });
    run->SetProgress(progress);

    if (plan.before) {
        try {
            plan.before(*run);
        } catch (...) {
        }
    }

    UniqueHandle threads[kProbeThreadCount];
    HANDLE waitable[kProbeThreadCount];
    DWORD started = 0;
    for (int i = 0; i < kProbeThreadCount; ++i) {
        if (!plan.threads[i]) continue;
        run->m_threads[i].work = plan.threads[i];
        run->AddReference();  // the thread's own, released when it ends
        const SIZE_T reserve = plan.stackReserve[i] ? plan.stackReserve[i] : kSmallStackReserve;
        HANDLE thread = CreateThreadWithStack(ProbeThread, &run->m_threads[i], reserve);
        if (!thread) {
            // A probe that never started leaves its slot empty.
            run->Release();
            continue;
        }
        threads[i].reset(thread);
        waitable[started++] = thread;
    }

    bool timedOut = false;
    if (started > 0) {
        // The bound counts from the run's start, the capture made before the probes included.
        DWORD wait = ::WaitForMultipleObjects(started, waitable, TRUE, run->RemainingMs());
        timedOut = wait == WAIT_TIMEOUT || wait == WAIT_FAILED;
    }

    // Sealing cuts every probe still running off its slot: what it had written stays, marked cut,
    // and its later writes go nowhere. Its thread runs on, unwaited, holding its reference to the
    // state; the console tools of the run end here.
    run->End(record.slots);
    out = AssembleDiagnosis(record.slots, timedOut);
    return !timedOut;
}

bool NetDiagnostics::Run(AnsiString& out) { return Run(out, ProductTargets()); }

bool NetDiagnostics::Run(AnsiString& out, const NetTargets& targets, const ProbeProgress& progress) {
    return RunPlanned(*this, out, targets, ProductPlan(), progress);
}

}  // namespace rk
