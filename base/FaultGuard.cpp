// How the guard works. A processor fault (access violation, division by zero) is a structured
// exception; GCC has no __try/__except, so each architecture registers a handler by hand:
// - i686: a registration record pushed on the thread's fs:0 chain, with a __builtin_setjmp
//   checkpoint in it. On a fault the handler calls RtlUnwind (the SEH handlers above it run their
//   unwind pass and leave the chain), restores the chain head and longjmps to the checkpoint.
// - x86_64: handlers are found through unwind tables, not run-time records, so the guard is a
//   small assembly frame whose unwind data names rk_GuardHandler. On a fault the handler calls
//   RtlUnwindEx, which resumes at the frame's landing with the callee-saved registers restored.
// Both leave GCC's own exceptions alone: a C++ throw is caught by a try/catch just inside the
// guard (on x86_64 it travels as an SEH exception too, so the handler lets it pass).
//
// What a fault skips: C++ destructors in the guarded frames. On i686 GCC's frames keep their
// cleanups off the fs:0 chain, so the unwind passes them by and the longjmp drops them; on x86_64
// libgcc makes no promise for an exception that is not its own. Whatever must be released after
// a fault therefore lives outside the guarded call (the start-up report's buffer does).
#include "base/FaultGuard.h"

#include <windows.h>

#if defined(__x86_64__)

// x64 exceptions are table-based: a handler belongs to a function through its unwind data, not
// to a record pushed at run time. So the guard's frame is a small assembly function whose unwind
// data names rk_GuardHandler. The C++ call inside it keeps its own try/catch, because GCC's C++
// exceptions travel as SEH exceptions too and must be caught before they reach the guard.

namespace rk {
namespace {

struct CallState {
    GuardedFn fn;
    void* context;
};

// Codes GCC raises for a C++ throw, its unwind and its forced unwind. They are caught below the
// guard or belong to an unwind in progress; the guard leaves them alone either way.
constexpr DWORD kGccThrow = 0x20474343;
constexpr DWORD kGccUnwind = 0x21474343;
constexpr DWORD kGccForced = 0x22474343;

bool IsGccException(DWORD code) { return code == kGccThrow || code == kGccUnwind || code == kGccForced; }

}  // namespace
}  // namespace rk

extern "C" {

// Defined in the assembly below.
int rk_GuardFrame(rk::CallState* state, volatile bool* threw);
extern const char rk_GuardLanding[];

__attribute__((used)) void rk_CallCatchingThrows(rk::CallState* state, volatile bool* threw) {
    try {
        state->fn(state->context);
    } catch (...) {
        *threw = true;
    }
}

// Called only in the search pass (the frame registers it for exceptions, not for unwinding):
// any fault that no inner frame took ends at the guard. RtlUnwindEx runs the unwind handlers of
// the frames above ours and resumes at the landing with all non-volatile registers restored.
__attribute__((used)) EXCEPTION_DISPOSITION rk_GuardHandler(EXCEPTION_RECORD* record, void* establisherFrame,
                                                             CONTEXT*, DISPATCHER_CONTEXT* dispatch) {
    if (record->ExceptionFlags & EXCEPTION_UNWIND) return ExceptionContinueSearch;
    if (rk::IsGccException(record->ExceptionCode)) return ExceptionContinueSearch;
    RtlUnwindEx(establisherFrame, const_cast<char*>(rk_GuardLanding), record, nullptr, dispatch->ContextRecord,
                dispatch->HistoryTable);
    return ExceptionContinueSearch;  // not reached
}

}  // extern "C"

// int rk_GuardFrame(state, threw): 1 when the call returned, 0 when a fault unwound to the
// landing. The instruction after the call is not an epilogue, so the unwinder sees the call site
// as inside the body and consults the handler.
__asm__(
    "    .text\n"
    "    .p2align 4\n"
    "    .globl rk_GuardFrame\n"
    "    .def rk_GuardFrame; .scl 2; .type 32; .endef\n"
    "    .seh_proc rk_GuardFrame\n"
    "rk_GuardFrame:\n"
    "    .seh_handler rk_GuardHandler, @except\n"
    "    pushq %rbp\n"
    "    .seh_pushreg %rbp\n"
    "    movq %rsp, %rbp\n"
    "    .seh_setframe %rbp, 0\n"
    "    subq $32, %rsp\n"
    "    .seh_stackalloc 32\n"
    "    .seh_endprologue\n"
    "    call rk_CallCatchingThrows\n"
    "    movl $1, %eax\n"
    "    leaq 0(%rbp), %rsp\n"
    "    popq %rbp\n"
    "    ret\n"
    "    .globl rk_GuardLanding\n"
    "rk_GuardLanding:\n"
    "    xorl %eax, %eax\n"
    "    leaq 0(%rbp), %rsp\n"
    "    popq %rbp\n"
    "    ret\n"
    "    .seh_endproc\n");

namespace rk {

bool RunGuarded(GuardedFn fn, void* context) {
    CallState state{fn, context};
    volatile bool threw = false;
    if (rk_GuardFrame(&state, &threw) == 0) return false;  // a fault unwound to the guard's landing
    return !threw;
}

}  // namespace rk

#else  // i686

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

#endif
