#pragma once
// The network diagnosis in one table: its result slots, the probe threads that fill them and the
// order the slots are joined in. The run's plan and every count follow from it: a new probe needs
// its rows and its step here, the step's body in NetDiagnostics.cpp, and nothing else.
#include <iterator>

namespace rk {

class ProbeRun;
class SlotWriter;

// The result slots, each named by the section it holds; its value is its place in
// NetDiagnostics::slots. The hosts are those of kProbeHosts.
enum ResultSlot : int {
    kIpConfigSlot,
    kPingHost0Slot,
    kUnusedSlot,  // never written nor joined; keeps the later slots in their places
    kProxySlot,
    kDownloadSlot,
    kTracertHost0Slot,
    kTracertHost1Slot,
    kPingHost1Slot,
    kFirewallSlot,
    kPublicAddressSlot,
    kPingHost2Slot,
    kTracertHost3Slot,
    kTracertHost4Slot,
    kTracertHost5Slot,
    kTracertHost2Slot,
    kNetStatSlot,
    kResultSlotCount
};

// The slots in the order they are joined.
inline constexpr ResultSlot kOutputOrder[] = {
    kPingHost0Slot, kPingHost1Slot, kPingHost2Slot,
    kProxySlot, kIpConfigSlot, kDownloadSlot, kFirewallSlot, kPublicAddressSlot,
    kTracertHost0Slot, kTracertHost1Slot, kTracertHost3Slot, kTracertHost4Slot, kTracertHost5Slot, kTracertHost2Slot,
    kNetStatSlot};

// The probes as a thread runs them: each takes what it needs of the run, ping and tracert the
// host of the given index.
using ProbeStepWork = void (*)(ProbeRun& run, int host, SlotWriter& out);
namespace step {
void DownloadTest(ProbeRun& run, int host, SlotWriter& out);
void IpConfig(ProbeRun& run, int host, SlotWriter& out);
void NetStat(ProbeRun& run, int host, SlotWriter& out);
void NetStatWithinBound(ProbeRun& run, int host, SlotWriter& out);
void Ping(ProbeRun& run, int host, SlotWriter& out);
void Tracert(ProbeRun& run, int host, SlotWriter& out);
void ProxyReport(ProbeRun& run, int host, SlotWriter& out);
void FirewallReport(ProbeRun& run, int host, SlotWriter& out);
void PublicAddressLookup(ProbeRun& run, int host, SlotWriter& out);
}  // namespace step

// One probe writing its section into its slot; none without work.
struct ProbeStep {
    ProbeStepWork work = nullptr;
    ResultSlot slot = kUnusedSlot;
    int host = 0;
};

struct ProbeThreadEntry {
    ProbeStep first;
    ProbeStep then = {};  // once the first is done
    // urlmon and WinINet run proxy scripts and other vendors' network hooks on some threads:
    // those get the stack a thread usually has, the others a small one.
    bool foreignCode = false;
};

// Made on the run's thread before the probes start, so bounded by the run's own bound.
inline constexpr ProbeStep kBeforeProbes = {step::NetStatWithinBound, kNetStatSlot};

// The probe threads, in the order they start.
inline constexpr ProbeThreadEntry kProbeThreads[] = {
    {{step::DownloadTest, kDownloadSlot}, {}, true},
    {{step::IpConfig, kIpConfigSlot}, {step::NetStat, kNetStatSlot}},
    {{step::Ping, kPingHost0Slot, 0}},
    {{step::Tracert, kTracertHost0Slot, 0}},
    {{step::ProxyReport, kProxySlot}, {step::FirewallReport, kFirewallSlot}},
    {{step::Ping, kPingHost1Slot, 1}},
    {{step::Tracert, kTracertHost1Slot, 1}},
    {{step::Tracert, kTracertHost3Slot, 3}},
    {{step::Tracert, kTracertHost4Slot, 4}},
    {{step::Tracert, kTracertHost5Slot, 5}},
    {{step::Ping, kPingHost2Slot, 2}},
    {{step::PublicAddressLookup, kPublicAddressSlot}, {}, true},
    {{step::Tracert, kTracertHost2Slot, 2}},
};

constexpr int kOutputSlotCount = static_cast<int>(std::size(kOutputOrder));
constexpr int kProbeThreadCount = static_cast<int>(std::size(kProbeThreads));

// A slot left out of the output, or joined twice, would pass unnoticed in the report.
constexpr bool JoinsEverySlotOnce() {
    int joined[kResultSlotCount] = {};
    for (ResultSlot slot : kOutputOrder) ++joined[slot];
    for (int slot = 0; slot < kResultSlotCount; ++slot)
        if (joined[slot] != (slot == kUnusedSlot ? 0 : 1)) return false;
    return true;
}
static_assert(JoinsEverySlotOnce(), "kOutputOrder must join every slot but kUnusedSlot once");

}  // namespace rk
