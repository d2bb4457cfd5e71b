// Command-line driver for scripts/run.sh:
//   rkdriver snapshot <Rekkor.exe> <report file>   start the tool, wait for its main window,
//                                                   write the report control's text to the file
//   rkdriver close                                  press Exit in the tool's main window
#include <windows.h>

#include <cstdio>
#include <string>

#include "res/resource.h"
#include "tests/gui/Driver.h"

namespace {

HWND FindAnyMainWindow() {
    HWND found = nullptr;
    rk_test::WaitUntil([&] {
        found = nullptr;
        for (HWND hwnd = ::FindWindowExA(nullptr, nullptr, "#32770", nullptr); hwnd && !found;
             hwnd = ::FindWindowExA(nullptr, hwnd, "#32770", nullptr))
            if (::IsWindowVisible(hwnd) && ::GetDlgItem(hwnd, IDC_REPORT_EDIT)) found = hwnd;
        return found != nullptr;
    });
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "snapshot" && argc == 4) {
        char exe[MAX_PATH] = {};
        ::GetFullPathNameA(argv[2], MAX_PATH, exe, nullptr);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        std::string folder(exe);
        folder = folder.substr(0, folder.find_last_of('\\'));
        std::string commandLine = std::string("\"") + exe + "\"";
        if (!::CreateProcessA(exe, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                              &info)) {
            std::fprintf(stderr, "rkdriver: cannot start %s\n", exe);
            return 1;
        }
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
        HWND main = rk_test::WaitForMainWindow(info.dwProcessId);
        if (!main) {
            std::fprintf(stderr, "rkdriver: no main window\n");
            return 1;
        }
        std::string report = rk_test::ItemText(main, IDC_REPORT_EDIT);
        FILE* out = std::fopen(argv[3], "wb");
        if (!out) return 1;
        std::fwrite(report.data(), 1, report.size(), out);
        std::fclose(out);
        std::printf("rkdriver: main window up, report of %u bytes\n", static_cast<unsigned>(report.size()));
        return 0;
    }
    if (command == "close") {
        HWND main = FindAnyMainWindow();
        if (!main) return 1;
        rk_test::Click(main, IDCANCEL);
        return rk_test::WaitGone(main) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: rkdriver snapshot <exe> <report file> | rkdriver close\n");
    return 2;
}
