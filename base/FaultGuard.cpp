#include "base/FaultGuard.h"

#include <windows.h>

namespace rk {
namespace {

// Layout fixed by the x86 exception dispatcher: the registration record comes first.
struct GuardFrame {
    GuardFrame* next;
    void* handler;
    void* jumpBuffer[5];  // __builtin_setjmp's buffer
};

GuardFrame* ReadChainHead() {
    GuardFrame* head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void WriteChainHead(GuardFrame* head) {
    __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory");
}

extern "C" EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* establisher,
                                                      CONTEXT*, void*) {
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    GuardFrame* frame = static_cast<GuardFrame*>(establisher);
    // Let the frames above ours run their unwind handlers and drop them from the chain, then
    // leave the guard by its checkpoint.
    RtlUnwind(frame, nullptr, record, nullptr);
    WriteChainHead(frame->next);
    __builtin_longjmp(frame->jumpBuffer, 1);
}

struct CallState {
    GuardedFn fn;
    void* context;
};

void CallCatchingThrows(CallState* state, volatile bool* threw) {
    try {
        state->fn(state->context);
    } catch (...) {
        *threw = true;
    }
}

}  // namespace

__attribute__((noinline)) bool RunGuarded(GuardedFn fn, void* context) {
    GuardFrame frame;
    CallState state{fn, context};
    volatile bool threw = false;
    frame.next = ReadChainHead();
    frame.handler = reinterpret_cast<void*>(&GuardHandler);
    if (__builtin_setjmp(frame.jumpBuffer) != 0) {
        return false;  // reached from GuardHandler after a fault; the chain is already restored
    }
    WriteChainHead(&frame);
    CallCatchingThrows(&state, &threw);
    WriteChainHead(frame.next);
    return !threw;
}

}  // namespace rk
