#pragma once
// Binding to the suite's check engine check.dll, loaded from the tool's own directory.
#include <windows.h>

#include <cstdint>
#include <utility>

#include "base/Handle.h"
#include "engine/EngineInterface.h"

namespace rk {

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
    // The entry points go with the library they lie in.
    CheckEngine(CheckEngine&& other) noexcept : m_module(std::move(other.m_module)), m_entries(other.m_entries) {
        other.m_entries = EngineEntryPoints();
    }

    // True when the library is loaded (now or before), false when it cannot be loaded.
    bool Bind();
    void Unbind();
    bool IsBound() const { return static_cast<bool>(m_module); }
    HMODULE Module() const { return m_module.get(); }
    const EngineEntryPoints& EntryPoints() const { return m_entries; }

    // Forwarders: 0 without calling anything when the entry point is absent.
    int32_t Init();
    int32_t Load(int32_t a, int32_t b);
    int32_t PrepareReport(int32_t mode);
    int32_t GetReport(char* buffer, int32_t size);

private:
    UniqueModule m_module;
    EngineEntryPoints m_entries;
};

}  // namespace rk
