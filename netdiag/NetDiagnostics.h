#pragma once
// One network diagnosis: thirteen probes on threads of their own, bounded by one wait, their
// sections joined in a fixed order.
#include <windows.h>

#include <cstdint>

#include "base/AnsiString.h"
#include "netdiag/ProbeText.h"

namespace rk {

constexpr int kResultSlotCount = 16;
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

struct NetDiagnostics {
    AnsiString slots[kResultSlotCount];

    // Fills `out` with the whole diagnosis; 1 when every probe ended within the bound, else 0.
    int32_t Run(AnsiString& out);
    int32_t Run(AnsiString& out, const NetTargets& targets);

    // The probes. Each writes its section into `out` as it goes and returns nonzero on success.
    static int32_t CaptureIpConfig(ProbeText& out);
    static int32_t CapturePing(const char* host, ProbeText& out);
    static int32_t CaptureTracert(const char* host, ProbeText& out);
    static int32_t CaptureNetStat(ProbeText& out);
    static int32_t ProxyReport(ProbeText& out);
    static int32_t DownloadTest(const char* url, ProbeText& out);
    static int32_t FirewallReport(ProbeText& out);
    static int32_t PublicAddressLookup(const char* url, ProbeText& out);

    // Steps of the probes above, open to the tests.
    static void AppendProxyList(AnsiString text, ProbeText& result);
    static DWORD QueryFileSize(const char* path, DWORD* sizeHigh);
    static int32_t AppendFirewallState(ProbeText& result);
    static SC_HANDLE OpenFirewallService(const char* name);
    static bool IsFirewallPolicyEnabled();
    static bool FindFirewallProcess(const char* name, ProbeText& result);
    static bool GetCompanyName(const char* path, AnsiString& company);
    static const char* const kKnownFirewallProcesses[22];
};

}  // namespace rk
