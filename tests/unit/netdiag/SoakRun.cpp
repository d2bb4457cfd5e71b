// winsock2.h must come before windows.h.
#include "tests/common/LoopbackHttp.h"
#include "tests/unit/netdiag/SoakRun.h"

#include <tlhelp32.h>

#include <atomic>
#include <vector>

#include "base/Handle.h"
#include "netdiag/DiagnosisRun.h"
#include "netdiag/NetDiagnostics.h"
#include "tests/common/LoopbackNginx.h"
#include "tests/common/LoopbackTargets.h"
#include "tests/common/ProcessMemory.h"

namespace rk_test {

namespace {

// Each wait for abandoned probes, and the settling of library threads, well within the test's
// own bound: the whole soak stays far below ctest's 600 s however each wait ends.
const DWORD kEndWaitMs = 45000;

std::atomic<const char*> g_stage{"not started"};

DWORD ThreadsOfThisProcess() {
    rk::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return 0;
    const DWORD self = ::GetCurrentProcessId();
    DWORD count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == self) ++count;
    return count;
}

// The system's handle list, for systems whose GetProcessHandleCount reports nothing (Wine).
struct SystemHandleEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectType;
    UCHAR attributes;
    USHORT value;
    PVOID object;
    ACCESS_MASK grantedAccess;
};
struct SystemHandleList {
    ULONG count;
    SystemHandleEntry entries[1];
};

DWORD HandlesFromSystemList() {
    using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    const ULONG kSystemHandleInformation = 16;
    std::vector<char> buffer(1 << 20);
    for (int attempt = 0; attempt < 6; ++attempt) {
        ULONG needed = 0;
        LONG status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
            const USHORT self = static_cast<USHORT>(::GetCurrentProcessId());
            DWORD count = 0;
            for (ULONG i = 0; i < list->count; ++i)
                if (list->entries[i].processId == self) ++count;
            return count;
        }
        buffer.resize(buffer.size() * 2);
    }
    return 0;
}


// A whole product diagnosis; 1 when it ended within the bound.
int Diagnose(const rk::NetTargets& targets, rk::AnsiString* downloadSection = nullptr) {
    rk::NetDiagnostics record;
    rk::AnsiString out;
    const int result = record.Run(out, targets);
    if (downloadSection) *downloadSection = record.slots[rk::kDownloadSlot];
    return result;
}

}  // namespace

const char* SoakStage() { return g_stage; }

ProcessFigures MeasureThisProcess() {
    ProcessFigures figures;
    if (!::GetProcessHandleCount(::GetCurrentProcess(), &figures.handles) || figures.handles == 0) {
        figures.handles = HandlesFromSystemList();
        figures.handlesFromSystemList = true;
    }
    figures.threads = ThreadsOfThisProcess();
    const MemoryFigures memory = MemoryOf(::GetCurrentProcess());
    figures.privateBytes = memory.privateBytes;
    figures.privateFromRegions = memory.privateFromRegions;
    return figures;
}

SoakFigures RunSoak(int runs, DWORD boundMs) {
    SoakFigures figures;
    figures.atStart = MeasureThisProcess();

    if (!NginxServe("/mirelon/mirelonup35.ini", std::string(1536, 'u')) ||
        !NginxServe("/index.html", "<p><span>>查询结果: 127.0.0.1</span></p>"))
        return figures;
    const std::string updateUrl = NginxUrl("/mirelon/mirelonup35.ini");
    const std::string lookupUrl = NginxUrl("/");
    rk::NetTargets normal = LoopbackTargets(60000);
    normal.updateFileUrl = updateUrl.c_str();
    normal.publicAddressUrl = lookupUrl.c_str();

    // Warm-up: the first diagnosis loads and sets up what stays for the process's life.
    g_stage = "the warm-up diagnosis";
    Diagnose(normal);
    g_stage = "the warm-up's probes to end";
    rk::WaitForProbeRunsToEnd(kEndWaitMs);
    figures.before = MeasureThisProcess();

    {
        SilentServer blocking;
        if (!blocking.Start()) return figures;
        const std::string blockingUpdateUrl = blocking.Url("/mirelon/mirelonup35.ini");
        const std::string blockingLookupUrl = blocking.Url("/");
        rk::NetTargets bounded = LoopbackTargets(boundMs);
        bounded.updateFileUrl = blockingUpdateUrl.c_str();
        bounded.publicAddressUrl = blockingLookupUrl.c_str();
        const DWORD start = ::GetTickCount();
        g_stage = "a timed-out diagnosis";
        for (int i = 0; i < runs; ++i)
            if (Diagnose(bounded) == 0) ++figures.timedOutRuns;
        figures.timedOutSeconds = (::GetTickCount() - start) / 1000.0;
        // The blocked downloads fail once the server goes; the pings end on their own.
        g_stage = "the blocking server to close";
        blocking.Close();
        g_stage = "the abandoned probes to end";
        figures.abandonedEnded = rk::WaitForProbeRunsToEnd(kEndWaitMs);
    }
    // The urlmon threads behind each run's cut-off downloads end a moment after the probes; ours would stay.
    g_stage = "the library threads to settle";
    const DWORD settle = ::GetTickCount();
    while ((figures.afterAbandoned = MeasureThisProcess()).threads > figures.before.threads &&
           ::GetTickCount() - settle < kEndWaitMs)
        ::Sleep(50);

    rk::AnsiString download;
    g_stage = "the closing normal diagnosis";
    figures.normalCompleted = Diagnose(normal, &download) == 1;
    figures.normalHasDownload = download.find("文件大小1536字节") != rk::AnsiString::npos;
    g_stage = "the closing diagnosis's probes to end";
    rk::WaitForProbeRunsToEnd(kEndWaitMs);
    figures.atEnd = MeasureThisProcess();
    g_stage = "nothing: the soak has ended";
    return figures;
}

}  // namespace rk_test
