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

}  // namespace

CheckEngine::~CheckEngine() { Unbind(); }

bool CheckEngine::Bind() {
    if (m_module) return true;
    // The tool's own path may be longer than MAX_PATH while its folder and "\check.dll" still fit,
    // so it is read into a larger buffer. A path cut at the buffer's end (XP leaves no terminator
    // then) is not the tool's: load nothing.
    char own[2 * MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(::GetModuleHandleA(nullptr), own, sizeof own);
    if (length == 0 || length >= sizeof own) return false;
    // The folder, cut at its last separator (a code page 936 trail byte 0x5C is no separator).
    ::PathRemoveFileSpecA(own);
    if (std::strlen(own) >= MAX_PATH) return false;
    char path[MAX_PATH] = {};
    lstrcpynA(path, own, MAX_PATH);
    // The joined path must fit in MAX_PATH; PathAppend fails rather than truncate, and then we
    // load nothing instead of a library of some other name.
    if (!::PathAppendA(path, "check.dll")) return false;
    m_module.reset(::LoadLibraryA(path));
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
