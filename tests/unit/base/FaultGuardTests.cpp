#include <doctest/doctest.h>
#include <windows.h>

#include <process.h>
#include <stdexcept>
#include <string>

#include "base/FaultGuard.h"
#include "base/Handle.h"

using namespace rk;

namespace {

void WriteThroughNull(void*) {
    volatile int* nowhere = nullptr;
    *nowhere = 42;
}

void Nothing(void* p) { *static_cast<int*>(p) = 7; }

void Throws(void*) { throw std::runtime_error("thrown"); }

// A fault that an inner guard takes must not reach the outer one.
void InnerGuardTakesFault(void* p) {
    *static_cast<bool*>(p) = RunGuarded(&WriteThroughNull, nullptr);
}

unsigned __stdcall GuardOnThread(void* p) {
    *static_cast<bool*>(p) = RunGuarded(&WriteThroughNull, nullptr);
    return 0;
}

// Read through a variable so the compiler cannot prove the write faults and drop the calls
// leading to it.
int* volatile g_nowhere = nullptr;
int g_typedCatches = 0;

// Each level has a destructor to run and a handler for C++ exceptions; neither takes a fault.
__attribute__((noinline)) void FaultBelow(int depth) {
    std::string level(static_cast<size_t>(depth) + 1, 'x');
    if (depth == 0) {
        *g_nowhere = static_cast<int>(level.size());
        return;
    }
    try {
        FaultBelow(depth - 1);
    } catch (const std::exception&) {
        ++g_typedCatches;
    }
}

void FaultFiveFramesDown(void*) { FaultBelow(5); }

// IsBadWritePtr probes the address under a handler of its own: code that handles its own faults,
// as the engine may, gets them first.
void ProbeReadOnlyMemory(void* p) {
    *static_cast<BOOL*>(p) = ::IsBadWritePtr(reinterpret_cast<void*>(&Nothing), 1);
}

}  // namespace

TEST_CASE("a processor fault inside the guard is caught") {
    CHECK_FALSE(RunGuarded(&WriteThroughNull, nullptr));
    // The SEH chain is restored: guards keep working afterwards.
    CHECK_FALSE(RunGuarded(&WriteThroughNull, nullptr));
    int value = 0;
    CHECK(RunGuarded(&Nothing, &value));
    CHECK(value == 7);
}

TEST_CASE("a C++ exception inside the guard is caught") { CHECK_FALSE(RunGuarded(&Throws, nullptr)); }

TEST_CASE("nested guards: the innermost takes the fault") {
    bool innerResult = true;
    CHECK(RunGuarded(&InnerGuardTakesFault, &innerResult));
    CHECK_FALSE(innerResult);
}

TEST_CASE("a guard on a worker thread catches that thread's fault") {
    bool result = true;
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &GuardOnThread, &result, 0, nullptr));
    REQUIRE(thread != nullptr);
    CHECK(::WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0);
    ::CloseHandle(thread);
    CHECK_FALSE(result);
}

TEST_CASE("lambdas run under the guard") {
    int calls = 0;
    auto body = [&] { ++calls; };
    CHECK(RunGuarded(body));
    CHECK(calls == 1);
}

TEST_CASE("a fault under several C++ frames reaches the guard, not their handlers") {
    g_typedCatches = 0;
    CHECK_FALSE(RunGuarded(&FaultFiveFramesDown, nullptr));
    CHECK(g_typedCatches == 0);
    int value = 0;
    CHECK(RunGuarded(&Nothing, &value));
    CHECK(value == 7);
}

TEST_CASE("a fault that the guarded code handles itself does not reach the guard") {
    BOOL bad = FALSE;
    CHECK(RunGuarded(&ProbeReadOnlyMemory, &bad));
    CHECK(bad);
}

TEST_CASE("a handle owner counts both failure values as empty") {
    CHECK_FALSE(UniqueHandle(INVALID_HANDLE_VALUE));
    CHECK_FALSE(UniqueFile(nullptr));
    CHECK_FALSE(UniqueFind(INVALID_HANDLE_VALUE));
}
