#pragma once
// A system function bound on its first call instead of at start-up. Its DLL is loaded then, from
// the system directory, and stays loaded for the rest of the process: probe threads abandoned at
// the bound may still be inside it, so it is never freed, and the object has no destructor to run
// at exit.
#include <windows.h>

#include "base/Handle.h"
#include "base/SystemLibrary.h"

namespace rk {

class LateBinding {
public:
    constexpr LateBinding(const char* dll, const char* name) : m_dll(dll), m_name(name) {}

    // The function, or nullptr with the loader's error as the last error, so the caller fails as
    // the function itself would have.
    template <typename Fn>
    Fn Get() {
        return reinterpret_cast<Fn>(Resolve());
    }

private:
    void* Resolve() {
        if (void* proc = ::InterlockedCompareExchangePointer(&m_proc, nullptr, nullptr)) return proc;
        UniqueModule module(LoadSystemLibrary(m_dll));
        if (!module) return nullptr;
        void* proc = reinterpret_cast<void*>(::GetProcAddress(module.get(), m_name));
        if (!proc) {
            const DWORD error = ::GetLastError();
            module.reset();
            ::SetLastError(error);
            return nullptr;
        }
        // Two threads may bind at once: the first keeps its load, the other lets its own go.
        if (!::InterlockedCompareExchangePointer(&m_proc, proc, nullptr)) module.release();
        return proc;
    }

    const char* m_dll;
    const char* m_name;
    void* m_proc = nullptr;  // read and written only through the interlocked calls
};

}  // namespace rk
