// The tool's own memory after a real diagnosis: its loopback build and the bare dialog are started
// in turn; the tool's diagnosis button is pressed and the process is read from outside while the
// outcome box is up. Every committed region is given an owner (a module image, a mapped file, a
// thread's stack or block, a heap, another private allocation) so the growth can be broken down.
//   bench_figures diagnosed <loopback tool exe> <bare exe> <runs>
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/gui/Driver.h"

namespace {

struct Owned {
    std::string kind;  // private, image or mapped
    SIZE_T bytes = 0;
};
using Owners = std::map<std::string, Owned>;

struct Snapshot {
    double peakWorkingSet = 0;
    double privateBytes = 0;  // committed private regions
    Owners owners;
};

std::string Hex(const void* address) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", address);
    return text;
}

using QueryThread = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using QueryProcess = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

struct ThreadBasics {
    LONG exitStatus;
    void* teb;
    void* clientId[2];
    ULONG_PTR affinity;
    LONG priority;
    LONG basePriority;
};

struct ProcessBasics {
    LONG exitStatus;
    void* peb;
    ULONG_PTR affinity;
    LONG basePriority;
    ULONG_PTR pid;
    ULONG_PTR parentPid;
};

void* AllocationOf(HANDLE process, const void* address) {
    MEMORY_BASIC_INFORMATION region = {};
    if (::VirtualQueryEx(process, address, &region, sizeof region) != sizeof region) return nullptr;
    return region.AllocationBase;
}

// Names the private allocations that hold each thread's stack and its thread block (from the TEB
// the system keeps for it), and the heaps the process block lists.
std::string ModuleAt(const std::map<void*, std::string>& modules, HANDLE process, const void* address) {
    auto module = modules.find(AllocationOf(process, address));
    return module != modules.end() ? module->second : "an unnamed region";
}

void NamePrivateOwners(HANDLE process, DWORD pid, const std::map<void*, std::string>& modules,
                       std::map<void*, std::string>& names) {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    auto queryThread = reinterpret_cast<QueryThread>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQueryInformationThread")));
    auto queryProcess = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQueryInformationProcess")));
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (queryThread && snapshot != INVALID_HANDLE_VALUE) {
        THREADENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
            if (entry.th32OwnerProcessID != pid) continue;
            HANDLE thread = ::OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
            if (!thread) continue;
            ThreadBasics basics = {};
            NT_TIB tib = {};
            if (queryThread(thread, 0, &basics, sizeof basics, nullptr) == 0 && basics.teb &&
                ::ReadProcessMemory(process, basics.teb, &tib, sizeof tib, nullptr)) {
                names[AllocationOf(process, basics.teb)] = "thread blocks";
                // Each stack named by where its thread started: the tool's own or a system DLL's.
                void* start = nullptr;
                queryThread(thread, 9, &start, sizeof start, nullptr);
                if (tib.StackBase)
                    names[AllocationOf(process, static_cast<char*>(tib.StackBase) - 1)] =
                        "stack of a thread started in " + ModuleAt(modules, process, start);
            }
            ::CloseHandle(thread);
        }
    }
    if (snapshot != INVALID_HANDLE_VALUE) ::CloseHandle(snapshot);
    ProcessBasics basics = {};
    if (!queryProcess || queryProcess(process, 0, &basics, sizeof basics, nullptr) != 0 || !basics.peb) return;
    void* processHeap = nullptr;
    if (::ReadProcessMemory(process, static_cast<char*>(basics.peb) + (sizeof(void*) == 8 ? 0x30 : 0x18), &processHeap,
                            sizeof processHeap, nullptr) && processHeap)
        names[AllocationOf(process, processHeap)] = "process heap";
    // NumberOfHeaps and ProcessHeaps in the process block.
    const size_t countAt = sizeof(void*) == 8 ? 0xE8 : 0x88, listAt = sizeof(void*) == 8 ? 0xF0 : 0x90;
    ULONG count = 0;
    void* list = nullptr;
    if (!::ReadProcessMemory(process, static_cast<char*>(basics.peb) + countAt, &count, sizeof count, nullptr) ||
        !::ReadProcessMemory(process, static_cast<char*>(basics.peb) + listAt, &list, sizeof list, nullptr))
        return;
    std::vector<void*> heaps(std::min<ULONG>(count, 64));
    if (!heaps.empty() && ::ReadProcessMemory(process, list, heaps.data(), heaps.size() * sizeof(void*), nullptr))
        for (void* heap : heaps) names[AllocationOf(process, heap)] = "heaps";
}

std::map<void*, std::string> ModuleNames(DWORD pid) {
    std::map<void*, std::string> names;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE) return names;
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Module32First(snapshot, &entry); more; more = ::Module32Next(snapshot, &entry))
        names[entry.modBaseAddr] = entry.szModule;
    ::CloseHandle(snapshot);
    return names;
}

// Pages of a committed region holding anything but zeros. Wine commits a thread's whole stack;
// Windows commits only the pages a thread has used, which are these (a stack is zero-filled).
SIZE_T PagesInUse(HANDLE process, const MEMORY_BASIC_INFORMATION& region) {
    SIZE_T used = 0;
    std::vector<char> page(4096);
    for (SIZE_T at = 0; at < region.RegionSize; at += page.size()) {
        SIZE_T read = 0;
        if (!::ReadProcessMemory(process, static_cast<const char*>(region.BaseAddress) + at, page.data(), page.size(),
                                 &read) || read != page.size())
            continue;
        if (std::any_of(page.begin(), page.end(), [](char c) { return c != 0; })) used += page.size();
    }
    return used;
}

Snapshot Take(HANDLE process, DWORD pid) {
    Snapshot shot;
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(process, &counters, sizeof counters))
        shot.peakWorkingSet = static_cast<double>(counters.PeakWorkingSetSize);
    const std::map<void*, std::string> modules = ModuleNames(pid);
    std::map<void*, std::string> privateNames;
    NamePrivateOwners(process, pid, modules, privateNames);
    MEMORY_BASIC_INFORMATION region = {};
    const char* address = nullptr;
    while (::VirtualQueryEx(process, address, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT) {
            std::string name, kind;
            if (region.Type == MEM_PRIVATE) {
                kind = "private";
                shot.privateBytes += static_cast<double>(region.RegionSize);
                auto known = privateNames.find(region.AllocationBase);
                // Other private allocations by size: the heaps' further blocks and the large ones.
                name = known != privateNames.end() ? known->second : "other private at " + Hex(region.AllocationBase);
                if (name.compare(0, 6, "stack ") == 0) {
                    Owned& inUse = shot.owners[name + ", pages in use"];
                    inUse.kind = "in-use";
                    inUse.bytes += PagesInUse(process, region);
                }
            } else if (region.Type == MEM_IMAGE) {
                kind = "image";
                auto module = modules.find(region.AllocationBase);
                name = module != modules.end() ? module->second : "image at " + Hex(region.AllocationBase);
            } else {
                kind = "mapped";
                char file[MAX_PATH] = {};
                name = ::GetMappedFileNameA(process, region.BaseAddress, file, sizeof file)
                           ? std::string(file)
                           : "mapping at " + Hex(region.AllocationBase);
            }
            Owned& owned = shot.owners[name];
            owned.kind = kind;
            owned.bytes += region.RegionSize;
        }
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return shot;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One line per owner: "owner <phase> <kind> <bytes> <name>"; the table prints the largest.
void PrintOwners(const char* phase, const Owners& owners) {
    for (const auto& [name, owned] : owners)
        std::printf("owner %s %s %llu %s\n", phase, owned.kind.c_str(), static_cast<unsigned long long>(owned.bytes),
                    name.c_str());
}

bool BareOnce(const std::string& exe, Snapshot& shot) {
    rk_test::AppProcess app;
    if (!app.Start(exe)) return false;
    HWND main = rk_test::WaitForMainWindow(app.Pid(), 30000);
    if (!main) return false;
    shot = Take(app.Handle(), app.Pid());
    rk_test::Click(main, IDCANCEL);
    return app.WaitExit();
}

bool ToolOnce(const std::string& exe, Snapshot& started, Snapshot& diagnosed) {
    rk_test::AppProcess app;
    if (!app.Start(exe)) return false;
    HWND main = nullptr;
    rk_test::WaitUntil([&] {
        main = rk_test::FindMainWindow(app.Pid());
        return main && !rk_test::ItemText(main, IDC_REPORT_EDIT).empty();
    }, 30000);
    if (!main) return false;
    started = Take(app.Handle(), app.Pid());
    rk_test::Click(main, IDC_NET_DIAG);
    HWND box = rk_test::WaitForDialog(app.Pid(), "Mirelon", 120000, main);
    if (!box) {
        std::fprintf(stderr, "bench_figures: no outcome box after the diagnosis\n");
        return false;
    }
    diagnosed = Take(app.Handle(), app.Pid());
    rk_test::Click(box, IDOK);
    if (!rk_test::WaitUntil([&] { return rk_test::AllButtons(main, true); }, 30000)) return false;
    rk_test::Click(main, IDCANCEL);
    return app.WaitExit();
}

}  // namespace

int Diagnosed(const std::string& tool, const std::string& bare, int runs) {
    std::vector<double> bareWs, barePrivate, startWs, startPrivate, diagWs, diagPrivate;
    Snapshot lastStarted, lastDiagnosed, lastBare;
    for (int i = 0; i < runs; ++i) {
        // Alternated, so neither side always runs on a warmer machine.
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == (i % 2 == 0)) {
                if (!BareOnce(bare, lastBare)) {
                    std::fprintf(stderr, "bench_figures: the bare dialog did not open or close\n");
                    return 1;
                }
                bareWs.push_back(lastBare.peakWorkingSet);
                barePrivate.push_back(lastBare.privateBytes);
            } else {
                if (!ToolOnce(tool, lastStarted, lastDiagnosed)) {
                    std::fprintf(stderr, "bench_figures: the tool's diagnosis run failed\n");
                    return 1;
                }
                startWs.push_back(lastStarted.peakWorkingSet);
                startPrivate.push_back(lastStarted.privateBytes);
                diagWs.push_back(lastDiagnosed.peakWorkingSet);
                diagPrivate.push_back(lastDiagnosed.privateBytes);
            }
        }
    }
    std::printf("diagnosed_bare_peak_ws %.3f\n", Median(bareWs));
    std::printf("diagnosed_bare_private %.3f\n", Median(barePrivate));
    std::printf("diagnosed_start_peak_ws %.3f\n", Median(startWs));
    std::printf("diagnosed_start_private %.3f\n", Median(startPrivate));
    std::printf("diagnosed_tool_peak_ws %.3f\n", Median(diagWs));
    std::printf("diagnosed_tool_private %.3f\n", Median(diagPrivate));
    PrintOwners("bare", lastBare.owners);
    PrintOwners("started", lastStarted.owners);
    PrintOwners("diagnosed", lastDiagnosed.owners);
    return 0;
}
