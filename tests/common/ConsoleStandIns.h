#pragma once
// The console commands ping.exe and tracert.exe replaced, for one test, by stand-ins the test
// controls: standins\ beside the test program comes first in PATH, so the system's command
// interpreter finds them before the system's. Held, they run until Release.
#include <windows.h>

#include <string>

#include "base/Handle.h"
#include "tests/common/Environment.h"
#include "tests/common/TestPaths.h"

namespace rk_test {

class ConsoleStandIns {
public:
    enum Mode { kAtOnce, kHeld };
    explicit ConsoleStandIns(Mode mode)
        : m_path("PATH", ExeFolder() + "standins;" + CurrentPath()),
          m_release(::CreateEventA(nullptr, TRUE, FALSE, ReleaseName().c_str())),
          m_hold("REKKOR_STANDIN_HOLD", mode == kHeld ? ReleaseName() : "") {}
    ~ConsoleStandIns() { Release(); }
    // Lets every held stand-in end; those started later run on until Hold.
    void Release() { ::SetEvent(m_release.get()); }
    void Hold() { ::ResetEvent(m_release.get()); }

private:
    static std::string ReleaseName() { return "RekkorStandInRelease-" + std::to_string(::GetCurrentProcessId()); }
    static std::string CurrentPath() {
        char path[32768] = {};
        ::GetEnvironmentVariableA("PATH", path, sizeof path);
        return path;
    }
    EnvironmentOverride m_path;
    rk::UniqueHandle m_release;
    EnvironmentOverride m_hold;
};

}  // namespace rk_test
