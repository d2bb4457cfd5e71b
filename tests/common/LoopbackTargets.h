#pragma once
// Diagnosis targets on this machine only, for the tests and the loopback test builds: the hosts
// are names of 127.0.0.1 and the two URLs point at a port where nothing listens.
#include "netdiag/NetDiagnostics.h"

namespace rk_test {

inline rk::NetTargets LoopbackTargets(DWORD timeoutMs) {
    rk::NetTargets targets = {};
    // Six names of this machine: parallel pings and tracerts of one name would share a temp file.
    static const char* const kNames[rk::kProbeHostCount] = {"127.0.0.1", "localhost",  "127.1",
                                                            "127.0.1",   "2130706433", "127.0.0.01"};
    for (int i = 0; i < rk::kProbeHostCount; ++i) targets.hosts[i] = kNames[i];
    targets.updateFileUrl = "http://127.0.0.1:9/mirelon/mirelonup35.ini";
    targets.publicAddressUrl = "http://127.0.0.1:9/";
    targets.timeoutMs = timeoutMs;
    return targets;
}

}  // namespace rk_test
