// Stands in for a third-party firewall process: FirewallDummy <ready event> <parent pid>.
// Signals that it runs, then lives until its parent ends (the test ends it sooner).
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
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
