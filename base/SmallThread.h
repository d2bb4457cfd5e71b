#pragma once
// Threads that need little stack: the diagnosis worker and its probes. Without a size of their
// own they would each reserve the exe's default (and Wine commits a thread's whole reservation).
#include <windows.h>

namespace rk {

// The deepest probe uses well under half of this (tests/unit/netdiag measures it).
constexpr SIZE_T kSmallStackReserve = 256 * 1024;

// A thread with kSmallStackReserve reserved for its stack; NULL when it cannot start.
inline HANDLE CreateSmallThread(LPTHREAD_START_ROUTINE start, void* param) {
    return ::CreateThread(nullptr, kSmallStackReserve, start, param, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
}

}  // namespace rk
