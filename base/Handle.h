#pragma once
// Owning wrappers for Win32 handles. One template serves every kind; the invalid value is part
// of the type, so a handle that fails as NULL and one that fails as INVALID_HANDLE_VALUE cannot
// be mixed up. It is given as bits: INVALID_HANDLE_VALUE is no constant expression.
#include <windows.h>
#include <cstdint>
#include <utility>

namespace rk {

template <typename T, intptr_t InvalidBits, typename Close>
class UniqueAny {
    static T Invalid() { return (T)InvalidBits; }

public:
    UniqueAny() = default;
    explicit UniqueAny(T value) : m_value(value) {}
    ~UniqueAny() { reset(); }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : m_value(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T get() const { return m_value; }
    explicit operator bool() const { return m_value != Invalid(); }
    T release() {
        T value = m_value;
        m_value = Invalid();
        return value;
    }
    void reset(T value = Invalid()) {
        if (m_value != Invalid()) Close()(m_value);
        m_value = value;
    }
    // For out-parameters: releases what is held and hands out the slot.
    T* put() {
        reset();
        return &m_value;
    }

private:
    T m_value = Invalid();
};

struct CloseHandleFn { void operator()(HANDLE h) const { ::CloseHandle(h); } };
struct FreeLibraryFn { void operator()(HMODULE h) const { ::FreeLibrary(h); } };
struct UnmapViewFn { void operator()(const void* p) const { ::UnmapViewOfFile(p); } };
struct FindCloseFn { void operator()(HANDLE h) const { ::FindClose(h); } };
struct RegCloseKeyFn { void operator()(HKEY h) const { ::RegCloseKey(h); } };
struct VirtualFreeFn {
    void operator()(void* p) const {
        ::VirtualFree(p, 0, MEM_RELEASE);
    }
};

// Kernel objects that fail as NULL: threads, events, processes, mappings.
using UniqueHandle = UniqueAny<HANDLE, 0, CloseHandleFn>;
// CreateFile and CreateToolhelp32Snapshot fail as INVALID_HANDLE_VALUE.
using UniqueFile = UniqueAny<HANDLE, -1, CloseHandleFn>;
using UniqueModule = UniqueAny<HMODULE, 0, FreeLibraryFn>;
using UniqueView = UniqueAny<const void*, 0, UnmapViewFn>;
using UniqueFind = UniqueAny<HANDLE, -1, FindCloseFn>;
using UniqueRegKey = UniqueAny<HKEY, 0, RegCloseKeyFn>;
using UniqueVirtualAlloc = UniqueAny<void*, 0, VirtualFreeFn>;

// One-off cleanup that no wrapper type fits (CoUninitialize and the like).
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : m_f(std::move(f)) {}
    ~ScopeExit() {
        if (m_armed) m_f();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    void dismiss() { m_armed = false; }

private:
    F m_f;
    bool m_armed = true;
};

template <typename F>
ScopeExit<F> MakeScopeExit(F f) { return ScopeExit<F>(std::move(f)); }

}  // namespace rk
