#pragma once
// One network diagnosis: the probes of the diagnosis table on threads of their own, bounded by
// one wait, their sections joined in the table's order.
#include <windows.h>

#include <cstdint>
#include <functional>

#include "base/AnsiString.h"
#include "netdiag/DiagnosisTable.h"
#include "netdiag/DiagnosisText.h"
#include "netdiag/SlotWriter.h"

namespace rk {

constexpr int kProbeHostCount = 6;
constexpr DWORD kDiagnosisTimeoutMs = 300000;

// UpdateHost, DownloadHost, MakerWebHost, SearchWebHost, ServiceHost1, ServiceHost2.
extern const char* const kProbeHosts[kProbeHostCount];

// What a run reaches. The product passes ProductTargets(); tests pass loopback targets and a
// short bound.
struct NetTargets {
    const char* hosts[kProbeHostCount];
    const char* updateFileUrl;     // download test
    const char* publicAddressUrl;  // public address lookup
    DWORD timeoutMs;
};
NetTargets ProductTargets();

// Told the count of probes finished so far, from the probe thread that has just finished; never
// after the run has returned.
using ProbeProgress = std::function<void(int finished)>;

struct NetDiagnostics {
    AnsiString slots[kResultSlotCount];

    // Fills `out` with the whole diagnosis; true when every probe ended within the bound.
    bool Run(AnsiString& out);
    bool Run(AnsiString& out, const NetTargets& targets, const ProbeProgress& progress = {});

    // The probes. Each writes its section into `out` as it goes, failure lines included, and
    // answers whether it got what it looked for; the run does not ask.
    static bool CaptureIpConfig(SlotWriter& out);
    static bool CapturePing(const char* host, SlotWriter& out);
    static bool CaptureTracert(const char* host, SlotWriter& out);
    static bool CaptureNetStat(SlotWriter& out, DWORD waitMs = INFINITE);
    static bool ProxyReport(SlotWriter& out);
    static bool DownloadTest(const char* url, SlotWriter& out);
    static bool FirewallReport(SlotWriter& out);
    static bool PublicAddressLookup(const char* url, SlotWriter& out);
};

}  // namespace rk
