#pragma once
// The console tools one run has started. They join a job object, and the run keeps a handle to
// each, so that a tool stopped at the bound does not run on (a tracert would go on sending for
// minutes): at the run's end the job is terminated and every tool ended by its own handle too,
// which also covers a tool that could not join (before Windows 8 a process already in a job cannot
// join another, and this program may run in one).
#include <windows.h>

#include <vector>

#include "base/Handle.h"
#include "base/Scoped.h"

namespace rk {

class ConsoleTools {
public:
    ConsoleTools();
    ConsoleTools(const ConsoleTools&) = delete;
    ConsoleTools& operator=(const ConsoleTools&) = delete;

    // Takes a tool created suspended, before it can start a process of its own. False when the
    // run is over: the tool has been ended and must not be resumed.
    bool Adopt(HANDLE process);
    // Ends every tool that joined and waits, at most graceMs, until they have gone; tools handed
    // over later are ended at once.
    void EndAll(DWORD graceMs = 2000);

private:
    CriticalSection m_lock;
    UniqueHandle m_job;
    std::vector<UniqueHandle> m_tools;  // under m_lock
    bool m_over = false;                // under m_lock
};

}  // namespace rk
