// Stands in for a third-party firewall process: FirewallDummy <ready event> <parent pid>.
// Signals that it runs, then lives until its parent ends (the test ends it sooner).
// As "FirewallDummy service" it is a service that runs until it is told to stop.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;

void Report(DWORD state) {
    SERVICE_STATUS status = {SERVICE_WIN32_OWN_PROCESS, state, state == SERVICE_RUNNING ? DWORD(SERVICE_ACCEPT_STOP) : 0,
                             NO_ERROR, 0, 0, 0};
    ::SetServiceStatus(g_status, &status);
}

DWORD WINAPI Control(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_STOP) ::SetEvent(g_stop);
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, char**) {
    g_stop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_status = ::RegisterServiceCtrlHandlerExA("", &Control, nullptr);
    if (!g_status) return;
    Report(SERVICE_RUNNING);
    ::WaitForSingleObject(g_stop, INFINITE);
    Report(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "service") == 0) {
        SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(""), &ServiceMain}, {nullptr, nullptr}};
        return ::StartServiceCtrlDispatcherA(table) ? 0 : 1;
    }
    if (argc < 3) return 2;
    HANDLE ready = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(std::strtoul(argv[1], nullptr, 10)));
    HANDLE parent = ::OpenProcess(SYNCHRONIZE, FALSE, std::strtoul(argv[2], nullptr, 10));
    ::SetEvent(ready);
    ::CloseHandle(ready);
    if (parent) {
        ::WaitForSingleObject(parent, INFINITE);
        ::CloseHandle(parent);
    }
    return 0;
}
