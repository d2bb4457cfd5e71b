#pragma once
// A catch-all guard for code we do not control (the check engine, probes reading hostile
// files). mingw's GCC has no __try/__except, so the guard pushes an x86 SEH registration of its
// own: a processor fault that no inner handler takes unwinds to the guard, which reports it.
// C++ exceptions are caught as well.

namespace rk {

using GuardedFn = void (*)(void* context);

// Runs fn(context). Returns true when it returned normally, false when it raised a processor
// fault or threw. After a fault, objects with destructors inside fn's frames are not destroyed:
// keep resources that must be released outside the guarded call.
bool RunGuarded(GuardedFn fn, void* context);

// Convenience for lambdas.
template <typename F>
bool RunGuarded(F& f) {
    return RunGuarded([](void* p) { (*static_cast<F*>(p))(); }, &f);
}

}  // namespace rk
