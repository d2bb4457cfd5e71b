#pragma once
// The console tools one run has started. They join a job object that ends them all when the run
// lets go of it, so a tool stopped at the bound does not run on (a tracert would go on sending
// for minutes). Where a tool cannot join (before Windows 8 a process already in a job cannot join
// another, and this program may run in one), it runs on unowned, as it would without the job.
#include <windows.h>

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
    // Ends every tool that joined; tools handed over later are ended at once.
    void EndAll();

private:
    CriticalSection m_lock;
    UniqueHandle m_job;
    bool m_over = false;  // under m_lock
};

}  // namespace rk
