// Check engines that misbehave on purpose, one DLL per behaviour (selected by a define), and a
// recording engine for the binding's unit tests.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#define EXPORT extern "C" __declspec(dllexport)

// Where an engine puts the five further entry points and PrepareReport in the EngLib_Init block,
// written out here rather than taken from the binding, so the binding's layout is really tested.
#if defined(__x86_64__)
static const size_t kEntryOffsets[6] = {88, 96, 104, 112, 120, 152};
#else
static const size_t kEntryOffsets[6] = {44, 48, 52, 56, 60, 76};
#endif
static const size_t kPrepareReportOffset = kEntryOffsets[5];

#if defined(ENGINE_ONLY_GETREPORT)

EXPORT int __cdecl EngGetReport(char* buffer, int size) {
    const char text[] = "only EngGetReport\r\n";
    if (size < static_cast<int>(sizeof text)) return 0;
    std::memcpy(buffer, text, sizeof text);
    return 1;
}

#elif defined(ENGINE_INIT_FAILS)

EXPORT int __cdecl PrepareReport(int) {
    // Never reached through the binding: EngLib_Init fails, so this address is not copied.
    std::abort();
}
EXPORT int __cdecl EngLib_Init(unsigned char* info) {
    void* prepare = reinterpret_cast<void*>(&PrepareReport);
    std::memcpy(info + kPrepareReportOffset, &prepare, sizeof prepare);
    return 0;
}
EXPORT int __cdecl EngGetReport(char* buffer, int size) {
    const char text[] = "init failed, text all the same\r\n";
    if (size < static_cast<int>(sizeof text)) return 0;
    std::memcpy(buffer, text, sizeof text);
    return 1;
}

#elif defined(ENGINE_FAULT)

EXPORT int __cdecl EngGetReport(char* buffer, int) {
    std::memcpy(buffer, "partial", 8);
    volatile int* nowhere = nullptr;
    *nowhere = 1;  // access violation inside the engine
    return 1;
}

#elif defined(ENGINE_FILL)

// Leaves REKKOR_TEST_FILL_ROOM bytes of the buffer, its terminator's included (1 when unset).
EXPORT int __cdecl EngGetReport(char* buffer, int size) {
    char room[16] = {};
    const int left = ::GetEnvironmentVariableA("REKKOR_TEST_FILL_ROOM", room, sizeof room) ? std::atoi(room) : 1;
    std::memset(buffer, 'A', static_cast<size_t>(size - left));
    buffer[size - left] = '\0';
    return 1;
}

#elif defined(ENGINE_NOTERM)

EXPORT int __cdecl EngGetReport(char* buffer, int size) {
    std::memset(buffer, 'B', static_cast<size_t>(size));
    return 1;
}

#elif defined(ENGINE_BLOCKING)

// Holds the report until the test sets the named event, so the wait dialog can be examined.
EXPORT int __cdecl EngGetReport(char* buffer, int size) {
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, "RekkorTestEngineRelease");
    if (release) {
        ::WaitForSingleObject(release, 60000);
        ::CloseHandle(release);
    }
    const char text[] = "released\r\n";
    if (size >= static_cast<int>(sizeof text)) std::memcpy(buffer, text, sizeof text);
    return 1;
}

#elif defined(ENGINE_RECORDING)

// Records every call in order; the unit tests read the log through Test_CallLog.
static std::string g_log;

static void Record(const char* what) { g_log += what; g_log += ';'; }

EXPORT const char* __cdecl Test_CallLog() { return g_log.c_str(); }
EXPORT void __cdecl Test_ClearLog() { g_log.clear(); }

EXPORT int __cdecl EngInit() { Record("EngInit"); return 11; }
EXPORT int __cdecl EngLoad(int a, int b) {
    g_log += "EngLoad(" + std::to_string(a) + "," + std::to_string(b) + ");";
    return 12;
}
EXPORT int __cdecl PrepareReport(int mode) {
    g_log += "PrepareReport(" + std::to_string(mode) + ");";
    return 13;
}
EXPORT int __cdecl EngGetReport(char* buffer, int size) {
    g_log += "EngGetReport(" + std::to_string(size) + ");";
    const char text[] = "recorded\r\n";
    if (size >= static_cast<int>(sizeof text)) std::memcpy(buffer, text, sizeof text);
    return 14;
}
EXPORT int __cdecl EngGetNext() { return 0; }
EXPORT int __cdecl EngCount() { return 0; }
EXPORT int __cdecl EngRemove() { return 0; }
EXPORT int __cdecl EngPost() { return 0; }
EXPORT int __cdecl EngGetGroup() { return 0; }
EXPORT int __cdecl EngEnable() { return 0; }
EXPORT int __cdecl EngSetLoadDisabled() { return 0; }
EXPORT int __cdecl EngDisable() { return 0; }
EXPORT int __cdecl Extra0() { return 0; }
EXPORT int __cdecl Extra1() { return 0; }
EXPORT int __cdecl Extra2() { return 0; }
EXPORT int __cdecl Extra3() { return 0; }
EXPORT int __cdecl Extra4() { return 0; }

// Fills the five further entry points and PrepareReport; its result comes from the
// environment so a test can make it fail.
EXPORT int __cdecl EngLib_Init(unsigned char* info) {
    Record("EngLib_Init");
    unsigned int size;
    std::memcpy(&size, info, sizeof size);
    if (size != 260) Record("BadSize");
    void* words[6] = {reinterpret_cast<void*>(&Extra0), reinterpret_cast<void*>(&Extra1),
                      reinterpret_cast<void*>(&Extra2), reinterpret_cast<void*>(&Extra3),
                      reinterpret_cast<void*>(&Extra4), reinterpret_cast<void*>(&PrepareReport)};
    for (int i = 0; i < 6; ++i) std::memcpy(info + kEntryOffsets[i], &words[i], sizeof(void*));
    char result[16] = {};
    if (::GetEnvironmentVariableA("REKKOR_TEST_INIT_RESULT", result, sizeof result) && result[0] == '0')
        return 0;
    return 1;
}

#elif defined(ENGINE_BESIDE)

// From a library of the engine's own that lies beside it, as a suite's runtime does.
extern "C" __declspec(dllimport) const char* __cdecl BesideText();
EXPORT int __cdecl EngGetReport(char* buffer, int size) {
    const std::string text = std::string(BesideText()) + "\r\n";
    if (size <= static_cast<int>(text.size())) return 0;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 1;
}

#else
#error "choose an engine behaviour"
#endif
