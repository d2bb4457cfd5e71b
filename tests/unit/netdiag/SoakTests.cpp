// A short soak: ten diagnoses that time out while their probes block, then a normal one. Once the
// abandoned probes have ended, the process holds no more handles or threads than before, within
// a small fixed margin. The long soak with its figures is bench/soak.sh.
#include <doctest/doctest.h>
#include <windows.h>

#include <cstdio>

#include "base/Handle.h"

#include "tests/common/TestPaths.h"
#include "tests/unit/netdiag/SoakRun.h"

namespace {

// Room for what the system itself may keep a little longer: a thread still on its way out, a
// handle cached by a library. A leak of one per run shows over ten runs.
const DWORD kHandleMargin = 5;
const DWORD kThreadMargin = 2;

// Ends the process with what the soak was waiting for when it makes no end in time, well before
// ctest's own bound would stop it without a word.
DWORD WINAPI Watchdog(void* done) {
    if (::WaitForSingleObject(done, 400000) == WAIT_OBJECT_0) return 0;
    std::fprintf(stderr, "soak: still waiting for %s after 400 s\n", rk_test::SoakStage());
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return 0;
}

}  // namespace

TEST_CASE("ten timed-out diagnoses whose probes block leave no handles or threads behind") {
    const rk::UniqueHandle done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const rk::UniqueHandle watchdog(::CreateThread(nullptr, 0, &Watchdog, done.get(), 0, nullptr));
    const rk_test::SoakFigures figures = rk_test::RunSoak(10, 1000);
    ::SetEvent(done.get());
    INFO("handles " << figures.before.handles << " -> " << figures.afterAbandoned.handles << " -> "
                    << figures.atEnd.handles);
    INFO("threads " << figures.before.threads << " -> " << figures.afterAbandoned.threads << " -> "
                    << figures.atEnd.threads);
    CHECK(figures.timedOutRuns == 10);
    REQUIRE(figures.abandonedEnded);
    CHECK(figures.normalCompleted);
    CHECK(figures.normalHasDownload);
    CHECK(figures.before.handles > 0);  // the count is read at all on this system
    CHECK(figures.afterAbandoned.handles <= figures.before.handles + kHandleMargin);
    CHECK(figures.afterAbandoned.threads <= figures.before.threads + kThreadMargin);
    CHECK(figures.atEnd.handles <= figures.before.handles + kHandleMargin);
    CHECK(figures.atEnd.threads <= figures.before.threads + kThreadMargin);
    CHECK(rk_test::RunLeftovers().empty());  // failed downloads and cut-off tools included
}
