#pragma once
// Binding to the suite's check engine check.dll, loaded from the tool's own directory.
// Also home of the local system probes that lay out the tool's own report sections behind the
// engine's text; those use none of the binding's fields.
#include <windows.h>

#include <cstdint>

#include "engine/EngineInterface.h"

namespace rk {

struct FileFacts;

// Entry points in the order of the binding's table; null means absent.
struct EngineEntryPoints {
    void* engInit = nullptr;
    void* engLoad = nullptr;
    void* engGetNext = nullptr;
    void* engCount = nullptr;
    void* engRemove = nullptr;
    void* engGetReport = nullptr;
    void* engPost = nullptr;
    void* engGetGroup = nullptr;
    void* engLibInit = nullptr;
    void* extra[5] = {};  // copied from the information block, words 11..15
    void* engEnable = nullptr;
    void* engSetLoadDisabled = nullptr;
    void* engDisable = nullptr;
    void* prepareReport = nullptr;  // copied from the information block, word 19
};

class CheckEngine {
public:
    CheckEngine() = default;
    virtual ~CheckEngine();
    CheckEngine(const CheckEngine&) = delete;
    CheckEngine& operator=(const CheckEngine&) = delete;

    // 1 when the library is loaded (now or before), 0 when it cannot be loaded.
    int32_t Bind();
    void Unbind();
    bool IsBound() const { return m_module != nullptr; }
    HMODULE Module() const { return m_module; }
    const EngineEntryPoints& EntryPoints() const { return m_entries; }

    // Forwarders: 0 without calling anything when the entry point is absent.
    int32_t Init();
    int32_t Load(int32_t a, int32_t b);
    int32_t PrepareReport(int32_t mode);
    int32_t GetReport(char* buffer, int32_t size);

    // The tool's own sections behind the engine text: text points at the text's terminating
    // zero, size is the room left from there to the buffer's end.
    int32_t AppendProbeSections(char* text, uint32_t size);
    int32_t AppendUserinitFacts(char* text, uint32_t size);
    int32_t GatherFileFacts(const char* path, FileFacts* facts);
    int32_t GetDesktopShortcutTarget(char* target, uint32_t capacity);

private:
    HMODULE m_module = nullptr;
    EngineEntryPoints m_entries;
};

}  // namespace rk
