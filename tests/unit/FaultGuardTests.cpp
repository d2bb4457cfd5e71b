#include <doctest/doctest.h>
#include <windows.h>

#include <process.h>
#include <stdexcept>

#include "base/FaultGuard.h"

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
