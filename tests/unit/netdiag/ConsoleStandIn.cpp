// Stands in for ping.exe and tracert.exe in the system directory, and for the tools planted beside
// the tool: prints "stand-in <name> <arguments>" on its standard output (and, when
// REKKOR_STANDIN_MARK is set, leaves "<its path>.ran"), then, when REKKOR_STANDIN_HOLD names
// an event, prints a line of its own without its line end (a tool cut off mid-line) and waits
// until the test sets it, so the test decides when the command ends.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    if (::GetEnvironmentVariableA("REKKOR_STANDIN_MARK", nullptr, 0))
        ::CloseHandle(::CreateFileA((std::string(exe) + ".ran").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    std::string name(exe);
    name = name.substr(name.find_last_of('\\') + 1);
    std::string line = "stand-in " + name;
    for (int i = 1; i < argc; ++i) line += std::string(" ") + argv[i];
    line += "\r\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    char hold[256] = {};
    if (::GetEnvironmentVariableA("REKKOR_STANDIN_HOLD", hold, sizeof hold)) {
        ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), "held", 4, &written, nullptr);
        if (HANDLE release = ::OpenEventA(SYNCHRONIZE, FALSE, hold)) {
            ::WaitForSingleObject(release, 120000);
            ::CloseHandle(release);
        }
    }
    return 0;
}
