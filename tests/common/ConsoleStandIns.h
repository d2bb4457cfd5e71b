#pragma once
// The console tools ping.exe and tracert.exe replaced, for one test, by stand-ins the test
// controls: the tool starts them by their full path, so they take the system's tools' places in
// the system directory, which gets its own back afterwards (Wine runs them there only for a
// process started with WINEDLLOVERRIDES naming them, as scripts/wine-env.sh does). Held, they run
// until Release.
#include <windows.h>

#include <string>

#include "base/Handle.h"
#include "tests/common/Environment.h"
#include "tests/common/Processes.h"
#include "tests/common/SystemPlacement.h"
#include "tests/common/TestPaths.h"

namespace rk_test {

inline std::string SystemTool(const char* name) {
    char dir[MAX_PATH] = {};
    ::GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\" + name;
}

class ConsoleStandIns {
public:
    enum Mode { kAtOnce, kHeld };
    explicit ConsoleStandIns(Mode mode)
        : m_release(::CreateEventA(nullptr, TRUE, FALSE, ReleaseName().c_str())),
          m_hold("REKKOR_STANDIN_HOLD", mode == kHeld ? ReleaseName() : "") {
        for (SetAside* placed : {&m_ping, &m_tracert}) {
            const std::string name = placed->path.substr(placed->path.find_last_of('\\') + 1);
            REQUIRE(::CopyFileA((ExeFolder() + "standins\\" + name).c_str(), placed->path.c_str(), FALSE));
        }
    }
    // The system's tools come back once the stand-ins have ended.
    ~ConsoleStandIns() {
        Release();
        for (int i = 0; i < 200 && (ProcessRunning("ping.exe") != false || ProcessRunning("tracert.exe") != false); ++i)
            ::Sleep(50);
    }
    // Lets every held stand-in end; those started later run on until Hold.
    void Release() { ::SetEvent(m_release.get()); }
    void Hold() { ::ResetEvent(m_release.get()); }

private:
    static std::string ReleaseName() { return "RekkorStandInRelease-" + std::to_string(::GetCurrentProcessId()); }
    SetAside m_ping{SystemTool("ping.exe")};
    SetAside m_tracert{SystemTool("tracert.exe")};
    rk::UniqueHandle m_release;
    EnvironmentOverride m_hold;
};

}  // namespace rk_test
