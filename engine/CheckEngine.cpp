#include "engine/CheckEngine.h"

#include <shlwapi.h>

#include <cstring>

namespace rk {
namespace {

void* Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(module, name));
}

void* ReadEntryWord(const unsigned char* block, size_t wordIndex) {
    void* value;
    std::memcpy(&value, block + EngLibInfoOffset(wordIndex), sizeof value);
    return value;
}

// The engine's own libraries lie beside it. The process's DLL search is the system directory only,
// so its imports are searched for in its folder too, and in nothing else an ordinary program
// controls. Where the platform has no such flags (XP, Vista and 7 without KB2533623), the altered
// search takes them from its folder first.
HMODULE LoadEngineLibrary(const wchar_t* path) {
    constexpr DWORD kSearchDllLoadDir = 0x00000100;  // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
    constexpr DWORD kSearchSystem32 = 0x00000800;    // LOAD_LIBRARY_SEARCH_SYSTEM32
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const bool searchFlags = kernel && ::GetProcAddress(kernel, "AddDllDirectory") != nullptr;
    return ::LoadLibraryExW(path, nullptr, searchFlags ? kSearchDllLoadDir | kSearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

CheckEngine::~CheckEngine() { Unbind(); }

bool CheckEngine::Bind() {
    if (m_module) return true;
    // The tool's own path may be longer than MAX_PATH while its folder and "\check.dll" still fit,
    // so it is read into a larger buffer. A path cut at the buffer's end (XP leaves no terminator
    // then) is not the tool's: load nothing.
    wchar_t own[2 * MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, own, 2 * MAX_PATH);
    if (length == 0 || length >= 2 * MAX_PATH) return false;
    ::PathRemoveFileSpecW(own);
    if (::lstrlenW(own) >= MAX_PATH) return false;
    wchar_t path[MAX_PATH] = {};
    lstrcpynW(path, own, MAX_PATH);
    // The joined path must fit in MAX_PATH; PathAppend fails rather than truncate, and then we
    // load nothing instead of a library of some other name.
    if (!::PathAppendW(path, L"check.dll")) return false;
    m_module.reset(LoadEngineLibrary(path));
    if (!m_module) return false;
    HMODULE module = m_module.get();

    m_entries.engInit = Resolve(module, "EngInit");
    m_entries.engLoad = Resolve(module, "EngLoad");
    m_entries.engGetNext = Resolve(module, "EngGetNext");
    m_entries.engCount = Resolve(module, "EngCount");
    m_entries.engRemove = Resolve(module, "EngRemove");
    m_entries.engGetReport = Resolve(module, "EngGetReport");
    m_entries.engPost = Resolve(module, "EngPost");
    m_entries.engGetGroup = Resolve(module, "EngGetGroup");
    m_entries.engLibInit = Resolve(module, "EngLib_Init");
    m_entries.engEnable = Resolve(module, "EngEnable");
    m_entries.engSetLoadDisabled = Resolve(module, "EngSetLoadDisabled");
    m_entries.engDisable = Resolve(module, "EngDisable");

    unsigned char info[kEngLibInfoSize] = {};
    uint32_t size = kEngLibInfoSize;
    std::memcpy(info, &size, sizeof size);
    if (!m_entries.engLibInit) return true;
    if (reinterpret_cast<EngLibInitFn>(m_entries.engLibInit)(info) == 0) return true;
    for (int i = 0; i < 5; ++i)
        m_entries.extra[i] = ReadEntryWord(info, kEngLibInfoExtraIndexes[i]);
    m_entries.prepareReport = ReadEntryWord(info, kEngLibInfoPrepareReportIndex);
    return true;
}

void CheckEngine::Unbind() {
    if (!m_module) return;
    m_module.reset();
    m_entries = EngineEntryPoints();
}

int32_t CheckEngine::Init() {
    if (!m_entries.engInit) return 0;
    return reinterpret_cast<EngInitFn>(m_entries.engInit)();
}

int32_t CheckEngine::Load(int32_t a, int32_t b) {
    if (!m_entries.engLoad) return 0;
    return reinterpret_cast<EngLoadFn>(m_entries.engLoad)(a, b);
}

int32_t CheckEngine::PrepareReport(int32_t mode) {
    if (!m_entries.prepareReport) return 0;
    return reinterpret_cast<PrepareReportFn>(m_entries.prepareReport)(mode);
}

int32_t CheckEngine::GetReport(char* buffer, int32_t size) {
    if (!m_entries.engGetReport) return 0;
    return reinterpret_cast<EngGetReportFn>(m_entries.engGetReport)(buffer, size);
}

}  // namespace rk
