#pragma once
// Owning wrappers for Win32 handles: one template for every kind, told apart by the call that
// releases them, and an owner of a started process.
#include <windows.h>

namespace rk {

// Some calls fail with NULL and some with INVALID_HANDLE_VALUE, so both count as empty: neither is
// ever closed, whichever owner a handle lands in.
template <typename T, void (*CloseFn)(T)>
class UniqueAny {
    static bool Empty(T value) { return value == nullptr || value == reinterpret_cast<T>(INVALID_HANDLE_VALUE); }

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
    explicit operator bool() const { return !Empty(m_value); }
    T release() {
        T value = m_value;
        m_value = nullptr;
        return value;
    }
    void reset(T value = nullptr) {
        if (!Empty(m_value)) CloseFn(m_value);
        m_value = value;
    }
    // For out-parameters: releases what is held and hands out the slot.
    T* put() {
        reset();
        return &m_value;
    }

private:
    T m_value = nullptr;
};

inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void UnmapView(const void* p) { ::UnmapViewOfFile(p); }
inline void CloseFind(HANDLE h) { ::FindClose(h); }
inline void CloseService(SC_HANDLE h) { ::CloseServiceHandle(h); }
inline void ReleaseModule(HMODULE h) { ::FreeLibrary(h); }
inline void ReleaseLocal(void* p) { ::LocalFree(p); }
inline void ReleaseVirtual(void* p) { ::VirtualFree(p, 0, MEM_RELEASE); }

// Kernel objects: threads, events, processes, mappings, files, snapshots.
using UniqueHandle = UniqueAny<HANDLE, CloseKernelHandle>;
// The same owner, named for what CreateFile and CreateToolhelp32Snapshot return.
using UniqueFile = UniqueHandle;
using UniqueView = UniqueAny<const void*, UnmapView>;
using UniqueFind = UniqueAny<HANDLE, CloseFind>;
using UniqueService = UniqueAny<SC_HANDLE, CloseService>;
// A library loaded with LoadLibrary, freed once.
using UniqueModule = UniqueAny<HMODULE, ReleaseModule>;
// A LocalAlloc block.
using UniqueLocal = UniqueAny<void*, ReleaseLocal>;
// A VirtualAlloc region, released whole (which decommits it too).
using UniqueVirtual = UniqueAny<void*, ReleaseVirtual>;

// What CreateProcess hands back: the process and its first thread, each closed once.
class UniqueProcess {
public:
    UniqueProcess() = default;
    ~UniqueProcess() { reset(); }
    UniqueProcess(const UniqueProcess&) = delete;
    UniqueProcess& operator=(const UniqueProcess&) = delete;
    UniqueProcess(UniqueProcess&& other) noexcept : m_info(other.release()) {}
    UniqueProcess& operator=(UniqueProcess&& other) noexcept {
        if (this != &other) {
            reset();
            m_info = other.release();
        }
        return *this;
    }

    HANDLE process() const { return m_info.hProcess; }
    HANDLE thread() const { return m_info.hThread; }
    DWORD id() const { return m_info.dwProcessId; }
    explicit operator bool() const { return m_info.hProcess != nullptr; }
    void reset() {
        if (m_info.hThread) ::CloseHandle(m_info.hThread);
        if (m_info.hProcess) ::CloseHandle(m_info.hProcess);
        m_info = PROCESS_INFORMATION();
    }
    // Hands both handles to the caller.
    PROCESS_INFORMATION release() {
        const PROCESS_INFORMATION info = m_info;
        m_info = PROCESS_INFORMATION();
        return info;
    }
    // For CreateProcess's out-parameter: releases what is held and hands out a cleared record.
    PROCESS_INFORMATION* put() {
        reset();
        return &m_info;
    }

private:
    PROCESS_INFORMATION m_info = {};
};

}  // namespace rk
