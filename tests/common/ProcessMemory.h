#pragma once
// A process's memory figures, for the soak and the bench.
#include <windows.h>
#include <psapi.h>

namespace rk_test {

// Committed private memory, summed region by region: what PrivateUsage reads where the counters
// leave it at 0 (Wine).
inline SIZE_T PrivateCommitted(HANDLE process) {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region = {};
    for (const char* at = nullptr; ::VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total;
}

struct MemoryFigures {
    SIZE_T peakWorkingSet = 0;
    SIZE_T privateBytes = 0;
    bool privateFromRegions = false;
};

inline MemoryFigures MemoryOf(HANDLE process) {
    MemoryFigures memory;
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        memory.peakWorkingSet = counters.PeakWorkingSetSize;
        memory.privateBytes = counters.PrivateUsage;
    }
    if (memory.privateBytes == 0) {
        memory.privateBytes = PrivateCommitted(process);
        memory.privateFromRegions = true;
    }
    return memory;
}

}  // namespace rk_test
