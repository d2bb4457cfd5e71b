#pragma once
// Owning wrappers for Win32 handles. One template serves every kind; the invalid value is part
// of the type, so a handle that fails as NULL and one that fails as INVALID_HANDLE_VALUE cannot
// be mixed up.
#include <windows.h>
#include <utility>

namespace rk {

// Traits give the invalid value and the release call: Traits::Invalid(), Traits::Close(value).
template <typename T, typename Traits>
class UniqueAny {
    static T Invalid() { return Traits::Invalid(); }

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
    void reset(T value = Traits::Invalid()) {
        if (m_value != Invalid()) Traits::Close(m_value);
        m_value = value;
    }
    // For out-parameters: releases what is held and hands out the slot.
    T* put() {
        reset();
        return &m_value;
    }

private:
    T m_value = Traits::Invalid();
};

template <typename T, void (*CloseFn)(T)>
struct NullTraits {
    static T Invalid() { return nullptr; }
    static void Close(T value) { CloseFn(value); }
};
template <typename T, void (*CloseFn)(T)>
struct InvalidHandleTraits {
    static T Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(T value) { CloseFn(value); }
};

inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void UnmapView(const void* p) { ::UnmapViewOfFile(p); }
inline void CloseFind(HANDLE h) { ::FindClose(h); }
inline void CloseService(SC_HANDLE h) { ::CloseServiceHandle(h); }
inline void ReleaseModule(HMODULE h) { ::FreeLibrary(h); }
inline void ReleaseLocal(void* p) { ::LocalFree(p); }

// Kernel objects that fail as NULL: threads, events, processes, mappings.
using UniqueHandle = UniqueAny<HANDLE, NullTraits<HANDLE, CloseKernelHandle>>;
// CreateFile and CreateToolhelp32Snapshot fail as INVALID_HANDLE_VALUE.
using UniqueFile = UniqueAny<HANDLE, InvalidHandleTraits<HANDLE, CloseKernelHandle>>;
using UniqueView = UniqueAny<const void*, NullTraits<const void*, UnmapView>>;
using UniqueFind = UniqueAny<HANDLE, InvalidHandleTraits<HANDLE, CloseFind>>;
using UniqueService = UniqueAny<SC_HANDLE, NullTraits<SC_HANDLE, CloseService>>;
// A library loaded with LoadLibrary, freed once.
using UniqueModule = UniqueAny<HMODULE, NullTraits<HMODULE, ReleaseModule>>;
// A LocalAlloc block.
using UniqueLocal = UniqueAny<void*, NullTraits<void*, ReleaseLocal>>;

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
