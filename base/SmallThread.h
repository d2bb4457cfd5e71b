#pragma once
// Threads that need little stack: the diagnosis worker and most of its probes. Without a size of
// their own they would each reserve the exe's default (and Wine commits a thread's whole
// reservation). And the one way to start a worker that nobody waits for.
#include <windows.h>

#include <memory>
#include <new>
#include <utility>

namespace rk {

// The deepest probe uses well under half of this (tests/unit/netdiag measures it).
constexpr SIZE_T kSmallStackReserve = 256 * 1024;

// Where other vendors' code runs (proxy scripts, network hooks): as much as the exe's own threads.
constexpr SIZE_T kForeignCodeStackReserve = 1024 * 1024;

// Reserving rather than committing: Windows commits a stack's pages only as they are used.
inline HANDLE CreateThreadWithStack(LPTHREAD_START_ROUTINE start, void* param, SIZE_T reserve) {
    return ::CreateThread(nullptr, reserve, start, param, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
}

namespace detail {

template <typename F>
DWORD WINAPI RunDetached(void* param) {
    const std::unique_ptr<F> work(static_cast<F*>(param));
    (*work)();
    return 0;
}

}  // namespace detail

// Runs `work` on a thread of its own that nobody joins: its end is whatever the work posts. False
// when the thread cannot start; the work is then destroyed here without running.
template <typename F>
bool StartDetached(F work, SIZE_T reserve = kSmallStackReserve) {
    std::unique_ptr<F> handed(new (std::nothrow) F(std::move(work)));
    if (!handed) return false;
    const HANDLE thread = CreateThreadWithStack(&detail::RunDetached<F>, handed.get(), reserve);
    if (!thread) return false;
    handed.release();  // the thread's now
    ::CloseHandle(thread);
    return true;
}

}  // namespace rk
