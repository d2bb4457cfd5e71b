// Prints the figures of a long run of the network diagnosis in one process: timed-out diagnoses
// whose probes block, then a normal one, with the process's handle count, thread count and
// private bytes along the way.
//   bench_soak [runs] [bound in ms]     (defaults: 100 runs, 1000 ms)
#include <cstdio>
#include <cstdlib>

#include "tests/unit/netdiag/SoakRun.h"

namespace {

void Print(const char* when, const rk_test::ProcessFigures& figures) {
    std::printf("%-44s handles %5lu  threads %3lu  private %8.1f KiB\n", when,
                static_cast<unsigned long>(figures.handles), static_cast<unsigned long>(figures.threads),
                figures.privateBytes / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 100;
    const DWORD bound = argc > 2 ? static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)) : 1000;
    SYSTEM_INFO system = {};
    ::GetNativeSystemInfo(&system);
    using WineVersion = const char*(__cdecl*)();
    auto wineVersion = reinterpret_cast<WineVersion>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    std::printf("soak: %d diagnoses bounded by %lu ms, then one normal diagnosis\n", runs,
                static_cast<unsigned long>(bound));
    std::printf("machine: %u processors, %s build, %s%s\n", static_cast<unsigned>(system.dwNumberOfProcessors),
                sizeof(void*) == 8 ? "x86_64" : "i686", wineVersion ? "Wine " : "Windows",
                wineVersion ? wineVersion() : "");
    const rk_test::SoakFigures figures = rk_test::RunSoak(runs, bound);
    Print("at start", figures.atStart);
    Print("before (after one warm-up diagnosis)", figures.before);
    Print("after the last abandoned probe ended", figures.afterAbandoned);
    Print("at end (after one normal diagnosis)", figures.atEnd);
    std::printf("timed out: %d of %d in %.1f s; abandoned probes ended: %s; normal diagnosis: %s%s\n",
                figures.timedOutRuns, runs, figures.timedOutSeconds, figures.abandonedEnded ? "yes" : "NO",
                figures.normalCompleted ? "completed" : "NOT completed",
                figures.normalHasDownload ? ", own download reported" : ", download MISSING");
    if (figures.before.handlesFromSystemList)
        std::printf("(handles counted in the system's handle list: GetProcessHandleCount reports none here)\n");
    if (figures.before.privateFromRegions)
        std::printf("(private bytes summed over committed private regions: PrivateUsage reads 0 here)\n");
    const long handleGrowth = static_cast<long>(figures.afterAbandoned.handles) - static_cast<long>(figures.before.handles);
    const long threadGrowth = static_cast<long>(figures.afterAbandoned.threads) - static_cast<long>(figures.before.threads);
    std::printf("growth once abandoned probes ended: %+ld handles, %+ld threads, %+.1f KiB private\n", handleGrowth,
                threadGrowth,
                (static_cast<double>(figures.afterAbandoned.privateBytes) - static_cast<double>(figures.before.privateBytes)) /
                    1024.0);
    return 0;
}
