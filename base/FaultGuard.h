#pragma once
// A catch-all guard for code we do not control (the check engine, probes reading hostile
// files). mingw's GCC has no __try/__except, so the guard brings a structured exception handler
// of its own: on i686 a registration record pushed on the thread's fs:0 chain, on x86_64 (the
// test build) a small assembly frame whose unwind data names the handler. Either way a processor
// fault that no inner handler takes unwinds to the guard, which reports it. C++ exceptions are
// caught as well.

namespace rk {

using GuardedFn = void (*)(void* context);

// Runs fn(context). Returns true when it returned normally, false when it raised a processor
// fault or threw. After a fault, objects with destructors inside fn's frames are not destroyed:
// keep resources that must be released outside the guarded call.
bool RunGuarded(GuardedFn fn, void* context);

template <typename F>
bool RunGuarded(F& f) {
    return RunGuarded([](void* p) { (*static_cast<F*>(p))(); }, &f);
}

}  // namespace rk
