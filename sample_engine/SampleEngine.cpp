// A small stand-in for the suite's check engine: writes a short, real summary of this machine
// so the tool runs end to end without the suite.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "engine/EngineInterface.h"

namespace {

int g_prepared = 0;

void AppendLine(char* buffer, int size, int& used, const char* format, ...) {
    if (used >= size - 1) return;
    va_list args;
    va_start(args, format);
    int n = _vsnprintf(buffer + used, static_cast<size_t>(size - 1 - used), format, args);
    va_end(args);
    if (n < 0) {
        used = size - 1;  // cut at the buffer's end
    } else {
        used += n;
    }
    buffer[used] = '\0';
}

}  // namespace

extern "C" {

__declspec(dllexport) int __cdecl PrepareReport(int mode) {
    g_prepared = mode;
    return 1;
}

__declspec(dllexport) int __cdecl EngLib_Init(unsigned char* info) {
    if (!info) return 0;
    unsigned int size;
    std::memcpy(&size, info, sizeof size);
    const size_t at = rk::EngLibInfoOffset(rk::kEngLibInfoPrepareReportIndex);
    if (size < at + sizeof(void*)) return 0;
    void* prepare = reinterpret_cast<void*>(&PrepareReport);
    std::memcpy(info + at, &prepare, sizeof prepare);
    return 1;
}

__declspec(dllexport) int __cdecl EngInit() { return 1; }
__declspec(dllexport) int __cdecl EngLoad(int, int) { return 1; }

__declspec(dllexport) int __cdecl EngGetReport(char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    int used = 0;
    buffer[0] = '\0';
    AppendLine(buffer, size, used, "[系统概况]\r\n");

    OSVERSIONINFOA os = {};
    os.dwOSVersionInfoSize = sizeof os;
    if (::GetVersionExA(&os))
        AppendLine(buffer, size, used, "操作系统版本: %lu.%lu.%lu %s\r\n", os.dwMajorVersion, os.dwMinorVersion,
                   os.dwBuildNumber, os.szCSDVersion);

    MEMORYSTATUS memory = {};
    memory.dwLength = sizeof memory;
    ::GlobalMemoryStatus(&memory);
    AppendLine(buffer, size, used, "物理内存: 共 %lu MB, 可用 %lu MB\r\n",
               static_cast<unsigned long>(memory.dwTotalPhys / (1024 * 1024)),
               static_cast<unsigned long>(memory.dwAvailPhys / (1024 * 1024)));

    SYSTEM_INFO system = {};
    ::GetSystemInfo(&system);
    AppendLine(buffer, size, used, "处理器数量: %lu\r\n", system.dwNumberOfProcessors);

    DWORD uptime = ::GetTickCount() / 1000;
    AppendLine(buffer, size, used, "已运行时间: %lu 小时 %lu 分 %lu 秒\r\n", uptime / 3600, uptime / 60 % 60,
               uptime % 60);

    char windows[MAX_PATH] = {};
    if (::GetWindowsDirectoryA(windows, MAX_PATH) >= 3) {
        char root[4] = {windows[0], ':', '\\', '\0'};
        ULARGE_INTEGER freeBytes, totalBytes, totalFree;
        if (::GetDiskFreeSpaceExA(root, &freeBytes, &totalBytes, &totalFree))
            AppendLine(buffer, size, used, "系统盘 %c: 剩余空间 %lu MB\r\n", windows[0],
                       static_cast<unsigned long>(freeBytes.QuadPart / (1024 * 1024)));
    }
    AppendLine(buffer, size, used, "\r\n=======================================\r\n");
    return 1;
}

}  // extern "C"
