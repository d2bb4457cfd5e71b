#pragma once
// The inside of a diagnosis run, open to the tests: the state shared with the probe threads, the
// table of thread work, the output assembly and the console capture steps.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "base/AnsiString.h"
#include "base/Handle.h"
#include "base/Scoped.h"
#include "netdiag/ConsoleTools.h"
#include "netdiag/RunFolder.h"
#include "netdiag/DiagnosisText.h"
#include "netdiag/NetDiagnostics.h"
#include "netdiag/SlotWriter.h"

namespace rk {

struct FirewallProfiles;

// Steps of the probes, open to the tests.
void AppendProxyList(AnsiString text, SlotWriter& result);
// The file's size as FindFirstFile reports it; kNoFileSize (high part 0) when it is not there.
constexpr DWORD kNoFileSize = 0xFFFFFFFF;
DWORD QueryFileSize(const wchar_t* path, DWORD* sizeHigh);
// Asks a service's state, as QueryServiceStatus does; tests pass one that fails.
using ServiceQuery = BOOL(WINAPI*)(SC_HANDLE service, SERVICE_STATUS* status);
// Asks the platform's firewall API which profiles are in effect and whether each is on; tests
// pass their own answers.
using FirewallApi = FirewallProfiles (*)();
FirewallProfiles QueryFirewallProfiles();
void AppendFirewallState(SlotWriter& result, ServiceQuery query = &::QueryServiceStatus,
                         FirewallApi api = &QueryFirewallProfiles);
SC_HANDLE OpenFirewallService(const char* name);
bool IsFirewallPolicyEnabled();
bool FindFirewallProcess(const char* name, SlotWriter& result);
bool GetCompanyName(const wchar_t* path, AnsiString& company);
extern const char* const kKnownFirewallProcesses[22];

// What a run shares with its probe threads. It lives on the heap and is reference-counted: the
// run holds one reference and every probe thread one, so a thread abandoned at the bound still
// finds its slot and its host copies after the run has returned.
class ProbeRun {
public:
    static ProbeRun* Create(const NetTargets& targets);
    void AddReference() { ::InterlockedIncrement(&m_references); }
    // Frees the state when the last holder lets go.
    void Release();

    SharedSlot& Slot(int index) { return m_slots[index]; }
    const char* Host(int index) const { return m_hosts[index].c_str(); }
    const char* UpdateFileUrl() const { return m_updateFileUrl.c_str(); }
    const char* PublicAddressUrl() const { return m_publicAddressUrl.c_str(); }
    // What is left of the run's bound, counted from the run's start.
    DWORD RemainingMs() const;
    // Seals every slot into `slots`: the probes still running write nowhere from then on. Then
    // ends the console tools the run started.
    void End(AnsiString (&slots)[kResultSlotCount]);
    // Counts a probe that has finished its work and tells the run's listener the new count; a
    // probe that finishes after the run has ended is not counted.
    void ProbeFinished();
    void SetProgress(const ProbeProgress& progress) { m_progress = progress; }

    // What each probe thread is started with.
    struct ThreadStart {
        ProbeRun* run;
        std::function<void(ProbeRun&)> work;
    };
    ThreadStart m_threads[kProbeThreadCount];

private:
    explicit ProbeRun(const NetTargets& targets);
    ~ProbeRun();
    ProbeRun(const ProbeRun&) = delete;
    ProbeRun& operator=(const ProbeRun&) = delete;

    volatile LONG m_references = 1;
    CriticalSection m_progressLock;
    ProbeProgress m_progress;
    int m_finished = 0;
    bool m_over = false;  // under m_progressLock
    ConsoleTools m_tools;  // before the slots, which point at it and at the folder
    RunFolder m_folder;
    SharedSlot m_slots[kResultSlotCount];
    AnsiString m_hosts[kProbeHostCount];
    AnsiString m_updateFileUrl;
    AnsiString m_publicAddressUrl;
    DWORD m_startTick;
    DWORD m_boundMs;
};

using ProbeWork = std::function<void(ProbeRun&)>;

// What a run does: the capture made on the calling thread before the probes start (may be empty),
// and the work of each probe thread, in creation order.
struct RunPlan {
    ProbeWork before;
    ProbeWork threads[kProbeThreadCount];
    // The stack each thread reserves; 0 is kSmallStackReserve.
    SIZE_T stackReserve[kProbeThreadCount] = {};
};

// The plan that kProbeThreads and kBeforeProbes describe.
RunPlan ProductPlan();

// The run itself, with the plan given. Fills record.slots and out; true when every probe ended
// within targets.timeoutMs. `progress` hears the count of probes finished as each one finishes.
bool RunPlanned(NetDiagnostics& record, AnsiString& out, const NetTargets& targets, const RunPlan& plan,
                const ProbeProgress& progress = {});

// Shared run states not yet released (a test's way to see that abandoned threads let go).
LONG LiveProbeRuns();
// Waits until every run state has been released: every probe thread, abandoned ones included,
// has finished its work. True when that happened within timeoutMs.
bool WaitForProbeRunsToEnd(DWORD timeoutMs);

// Console captures.
constexpr size_t kCapturePathSize = MAX_PATH;
constexpr size_t kCaptureCommandSize = 520;
constexpr DWORD kCaptureChunkSize = 4096;

struct CaptureKind {
    const char* header;
    const wchar_t* tool;       // in the system directory, without ".exe"; names the output file too
    const wchar_t* arguments;  // after the tool's quoted path; the host follows when there is one
    bool takesHost;
};
extern const CaptureKind kIpConfigCapture;
extern const CaptureKind kPingCapture;
extern const CaptureKind kTracertCapture;
extern const CaptureKind kNetStatCapture;

struct CaptureCommandLine {
    std::wstring application;  // the tool's full path
    std::wstring commandLine;
    std::wstring outputName;   // of the file in the run's folder
};

// Composes the tool's path, command line and output file name. False when the path or the command
// line would not fit its buffer or the host holds a character that no host name has.
bool ComposeCapture(const CaptureKind& kind, const char* host, const std::wstring& systemDir, CaptureCommandLine& line);

// Runs the application with its standard output in outputPath, a new file, and reads that file
// back into out under header. A tool still running after waitMs leaves the section open.
bool CaptureCommand(const char* header, const std::wstring& application, const std::wstring& commandLine,
                    const std::wstring& outputPath, SlotWriter& out, DWORD waitMs = INFINITE);

// A whole capture of one kind, in the writer's run folder.
bool CaptureOfKind(const CaptureKind& kind, const char* host, SlotWriter& out, DWORD waitMs = INFINITE);

// The call that starts the console tools; tests put one in that records what it is given. Returns
// the one it replaces; null puts CreateProcessW back.
using ProcessStarter = decltype(&::CreateProcessW);
ProcessStarter SetProcessStarter(ProcessStarter starter);

}  // namespace rk
