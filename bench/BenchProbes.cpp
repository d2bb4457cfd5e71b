// Prints speed figures for the start-up report's work: MD5 of a large file, the header
// examination, the section appends into a 1 MiB buffer, and the whole start-up run with the
// engine beside this program.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/StartupReport.h"
#include "engine/CheckEngine.h"
#include "probes/BoundedText.h"
#include "probes/ImageCheck.h"
#include "probes/Md5.h"
#include "bench/Clock.h"

namespace {

template <typename F>
double BestOf(int runs, F f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        double start = NowMs();
        f();
        double elapsed = NowMs() - start;
        if (elapsed < best) best = elapsed;
    }
    return best;
}

}  // namespace

int main() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::string path = std::string(temp) + "rekkor-bench.bin";
    const DWORD kSize = 32 * 1024 * 1024;
    {
        std::vector<char> data(kSize);
        for (DWORD i = 0; i < kSize; ++i) data[i] = static_cast<char>(i * 2654435761u >> 24);
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(file, data.data(), kSize, &written, nullptr);
        ::CloseHandle(file);
    }
    uint8_t digest[16];
    double md5Ms = BestOf(3, [&] { rk::ComputeFileMd5(path.c_str(), digest); });
    std::printf("md5 of 32 MiB file:           %8.1f ms  (%.1f MiB/s)\n", md5Ms, 32.0 * 1000.0 / md5Ms);
    ::DeleteFileA(path.c_str());

    std::vector<uint8_t> image(102400, 0);
    double examineMs = BestOf(5, [&] {
        for (int i = 0; i < 1000; ++i) rk::ExamineImage(image.data(), static_cast<uint32_t>(image.size()));
    });
    std::printf("header examination (x1000):   %8.3f ms\n", examineMs);

    std::vector<char> buffer(rk::kReportBufferSize, '\0');
    double appendMs = BestOf(3, [&] {
        buffer[0] = '\0';
        for (int i = 0; i < 20000; ++i) rk::BoundedAppend(buffer.data(), rk::kReportBufferSize, "文件大小: 12345\r\n");
    });
    std::printf("20000 appends into 1 MiB:     %8.1f ms\n", appendMs);

    double runMs = BestOf(3, [&] {
        rk::CheckEngine engine;
        rk::AnsiString text;
        rk::MakeStartupReport(engine, text);
    });
    std::printf("whole start-up run:           %8.1f ms\n", runMs);

    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory);
    std::printf("peak working set:             %8.1f MiB\n", memory.PeakWorkingSetSize / (1024.0 * 1024.0));
    return 0;
}
