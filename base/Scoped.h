#pragma once
// Owners for what is not a handle: a heap block, a COM interface, this thread's COM
// initialisation, a critical section's lock and one-off cleanups. Each releases on every path, like the handle
// wrappers beside them.
#include <windows.h>
#include <objbase.h>

#include <cstdlib>
#include <memory>
#include <utility>

namespace rk {

// A malloc block; allocation failure is an ordinary result (null), not an exception.
struct FreeBlock {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using UniqueBlock = std::unique_ptr<T, FreeBlock>;

template <typename T>
UniqueBlock<T> AllocateBlock(size_t bytes) {
    return UniqueBlock<T>(static_cast<T*>(std::calloc(1, bytes)));
}

// One COM interface pointer, released once.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller holds, such as a new object's first.
    explicit ComPtr(T* owned) : m_p(owned) {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }
    // For the void** out-parameter of CoCreateInstance and QueryInterface.
    void** put() {
        reset();
        return reinterpret_cast<void**>(&m_p);
    }

private:
    T* m_p = nullptr;
};

// COM on this thread for the owner's lifetime; uninitialised only when the start succeeded.
class ComApartment {
public:
    ComApartment() : m_result(::CoInitialize(nullptr)) {}
    ~ComApartment() {
        if (SUCCEEDED(m_result)) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT m_result;
};

class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&m_section); }
    ~CriticalSection() { ::DeleteCriticalSection(&m_section); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { ::EnterCriticalSection(&m_section); }
    void Leave() { ::LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

// Holds the lock for its scope, so a throwing copy inside cannot leave it held.
class LockGuard {
public:
    explicit LockGuard(CriticalSection& section) : m_section(section) { m_section.Enter(); }
    ~LockGuard() { m_section.Leave(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    CriticalSection& m_section;
};

// One-off cleanup that no owner type fits (CloseClipboard and the like).
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

// Unused, the result would run the cleanup at once.
template <typename F>
[[nodiscard]] ScopeExit<F> MakeScopeExit(F f) { return ScopeExit<F>(std::move(f)); }

}  // namespace rk
