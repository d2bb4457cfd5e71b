// The binding against the recording engine, which lies beside this test as check.dll.
#include <doctest/doctest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <utility>

#include "app/StartupReport.h"
#include "engine/CheckEngine.h"

using namespace rk;

namespace {

HMODULE LoadedEngine() { return ::GetModuleHandleA("check.dll"); }

std::string CallLog(const CheckEngine& engine) {
    using LogFn = const char*(__cdecl*)();
    auto fn = reinterpret_cast<LogFn>(::GetProcAddress(engine.Module(), "Test_CallLog"));
    REQUIRE(reinterpret_cast<void*>(fn) != nullptr);
    return fn();
}

void ClearLog(const CheckEngine& engine) {
    using ClearFn = void(__cdecl*)();
    auto fn = reinterpret_cast<ClearFn>(::GetProcAddress(engine.Module(), "Test_ClearLog"));
    REQUIRE(reinterpret_cast<void*>(fn) != nullptr);
    fn();
}

void* Export(HMODULE module, const char* name) { return reinterpret_cast<void*>(::GetProcAddress(module, name)); }

struct InitResult {
    explicit InitResult(const char* value) { ::SetEnvironmentVariableA("REKKOR_TEST_INIT_RESULT", value); }
    ~InitResult() { ::SetEnvironmentVariableA("REKKOR_TEST_INIT_RESULT", nullptr); }
};

}  // namespace

TEST_CASE("a second Bind returns 1 without loading the library again") {
    REQUIRE(LoadedEngine() == nullptr);
    CheckEngine engine;
    REQUIRE(engine.Bind() == 1);
    HMODULE first = engine.Module();
    CHECK(first == LoadedEngine());
    EngineEntryPoints before = engine.EntryPoints();
    CHECK(engine.Bind() == 1);
    CHECK(engine.Module() == first);
    CHECK(std::memcmp(&before, &engine.EntryPoints(), sizeof before) == 0);
    // One FreeLibrary unloads it: the library was loaded once.
    engine.Unbind();
    CHECK(LoadedEngine() == nullptr);
    CHECK_FALSE(engine.IsBound());
}

TEST_CASE("an unbound binding forwards nothing and unbinds quietly") {
    CheckEngine engine;
    char buffer[16] = "untouched";
    CHECK(engine.Init() == 0);
    CHECK(engine.Load(0, 0) == 0);
    CHECK(engine.PrepareReport(1) == 0);
    CHECK(engine.GetReport(buffer, sizeof buffer) == 0);
    CHECK(std::string(buffer) == "untouched");
    engine.Unbind();
    engine.Unbind();
    CHECK_FALSE(engine.IsBound());
    EngineEntryPoints none;
    CHECK(std::memcmp(&none, &engine.EntryPoints(), sizeof none) == 0);
}

TEST_CASE("bound forwarding passes arguments through and returns the engine's result") {
    CheckEngine engine;
    REQUIRE(engine.Bind() == 1);
    ClearLog(engine);
    char buffer[64] = {};
    CHECK(engine.Init() == 11);
    CHECK(engine.Load(3, 4) == 12);
    CHECK(engine.PrepareReport(1) == 13);
    CHECK(engine.GetReport(buffer, sizeof buffer) == 14);
    CHECK(CallLog(engine) == "EngInit;EngLoad(3,4);PrepareReport(1);EngGetReport(64);");
    CHECK(std::string(buffer) == "recorded\r\n");
}

TEST_CASE("names resolve into their fields and the block words land only when EngLib_Init succeeds") {
    SUBCASE("EngLib_Init succeeds") {
        CheckEngine engine;
        REQUIRE(engine.Bind() == 1);
        HMODULE m = engine.Module();
        const EngineEntryPoints& e = engine.EntryPoints();
        const std::pair<void*, const char*> fields[] = {
            {e.engInit, "EngInit"}, {e.engLoad, "EngLoad"}, {e.engGetNext, "EngGetNext"}, {e.engCount, "EngCount"},
            {e.engRemove, "EngRemove"}, {e.engGetReport, "EngGetReport"}, {e.engPost, "EngPost"},
            {e.engGetGroup, "EngGetGroup"}, {e.engLibInit, "EngLib_Init"}, {e.engEnable, "EngEnable"},
            {e.engSetLoadDisabled, "EngSetLoadDisabled"}, {e.engDisable, "EngDisable"}, {e.extra[0], "Extra0"},
            {e.extra[1], "Extra1"}, {e.extra[2], "Extra2"}, {e.extra[3], "Extra3"}, {e.extra[4], "Extra4"},
            {e.prepareReport, "PrepareReport"}};
        for (const auto& field : fields) CHECK_MESSAGE(field.first == Export(m, field.second), field.second);
        CHECK(CallLog(engine).find("BadSize") == std::string::npos);
    }
    SUBCASE("EngLib_Init fails") {
        InitResult fail("0");
        CheckEngine engine;
        REQUIRE(engine.Bind() == 1);
        const EngineEntryPoints& e = engine.EntryPoints();
        for (void* extra : e.extra) CHECK(extra == nullptr);
        CHECK(e.prepareReport == nullptr);
        CHECK(e.engGetReport != nullptr);
        ClearLog(engine);
        CHECK(engine.PrepareReport(1) == 0);
        CHECK(CallLog(engine) == "");
    }
}

TEST_CASE("after Unbind every forwarder returns 0, PrepareReport too") {
    CheckEngine engine;
    REQUIRE(engine.Bind() == 1);
    engine.Unbind();
    char buffer[8] = {};
    CHECK(engine.Init() == 0);
    CHECK(engine.Load(0, 0) == 0);
    CHECK(engine.PrepareReport(1) == 0);
    CHECK(engine.GetReport(buffer, sizeof buffer) == 0);
    CHECK(LoadedEngine() == nullptr);
}

TEST_CASE("destroying a bound binding unloads the library") {
    {
        CheckEngine engine;
        REQUIRE(engine.Bind() == 1);
        CHECK(LoadedEngine() != nullptr);
    }
    CHECK(LoadedEngine() == nullptr);
}

TEST_CASE("the start-up run calls the engine in its order and hands over the text") {
    CheckEngine engine;
    AnsiString text;
    CHECK(MakeStartupReport(engine, text));
    REQUIRE(engine.IsBound());
    CHECK(CallLog(engine) == "EngLib_Init;EngInit;EngLoad(0,0);PrepareReport(1);EngGetReport(1048576);");
    CHECK(text.compare(0, 10, "recorded\r\n") == 0);
}
