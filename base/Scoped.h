#pragma once
// Owners for what is not a handle: a heap block, a COM interface, this thread's COM or OLE
// initialisation, a critical section's lock and one-off cleanups. Each releases on every path, like
// the handle wrappers beside them, and can be moved.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>

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
    ComPtr(ComPtr&& other) noexcept : m_p(other.release()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            m_p = other.release();
        }
        return *this;
    }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }
    // Hands the reference to the caller.
    T* release() {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    // For the void** out-parameter of CoCreateInstance and QueryInterface.
    void** put() {
        reset();
        return reinterpret_cast<void**>(&m_p);
    }

private:
    T* m_p = nullptr;
};

// COM or OLE on this thread for the owner's lifetime; undone only when the start succeeded.
template <HRESULT (*Start)(), void (*Stop)()>
class UniqueApartment {
public:
    UniqueApartment() : m_started(SUCCEEDED(Start())) {}
    ~UniqueApartment() { reset(); }
    UniqueApartment(const UniqueApartment&) = delete;
    UniqueApartment& operator=(const UniqueApartment&) = delete;
    UniqueApartment(UniqueApartment&& other) noexcept : m_started(other.release()) {}
    UniqueApartment& operator=(UniqueApartment&& other) noexcept {
        if (this != &other) {
            reset();
            m_started = other.release();
        }
        return *this;
    }

    explicit operator bool() const { return m_started; }
    // True when the caller now owes the matching stop.
    bool release() {
        const bool started = m_started;
        m_started = false;
        return started;
    }
    void reset() {
        if (m_started) Stop();
        m_started = false;
    }

private:
    bool m_started;
};

inline HRESULT StartCom() { return ::CoInitialize(nullptr); }
inline void StopCom() { ::CoUninitialize(); }
inline HRESULT StartOle() { return ::OleInitialize(nullptr); }
inline void StopOle() { ::OleUninitialize(); }
using ComApartment = UniqueApartment<StartCom, StopCom>;
// OLE adds the clipboard and drag and drop that the rich edit control uses.
using OleApartment = UniqueApartment<StartOle, StopOle>;

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
