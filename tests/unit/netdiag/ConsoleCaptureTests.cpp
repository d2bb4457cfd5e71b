// The console captures: composing the command line and the temp file path within their buffers,
// byte-exact reading of the redirected output, failures, and parallel pings.
#include <doctest/doctest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/Handle.h"
#include "base/Scoped.h"
#include "netdiag/DiagnosisRun.h"
#include "netdiag/RunFolder.h"
#include "tests/common/ConsoleStandIns.h"
#include "tests/common/Environment.h"
#include "tests/common/ExpectedText.h"
#include "tests/common/SystemPlacement.h"
#include "tests/common/TestPaths.h"
#include "tests/common/Text.h"
#include "tests/unit/netdiag/NetDiagEmit.h"

using namespace rk;
using namespace rk_test;


namespace {

const char kPingHeader[] = "[ping 命令信息]\r\n";
const AnsiString kFailed = AnsiString("[emit]\r\n") + kSeparator;

struct Ping {
    const char* host;
    SlotWriter out;
    bool result = false;
};

DWORD WINAPI PingThread(LPVOID p) {
    Ping* ping = static_cast<Ping*>(p);
    ping->result = NetDiagnostics::CapturePing(ping->host, ping->out);
    return 0;
}

// Captures what the emitter prints, as the product captures a tool's output.
AnsiString CaptureEmitter(const std::string& arguments, bool& result, DWORD waitMs = INFINITE) {
    RunFolder folder;
    const std::wstring emitter = Wide(ExeFolder() + "netdiag_emit.exe");
    const std::wstring output = folder.NewFilePath(L"emit.txt");
    SlotWriter out;
    result = CaptureCommand("[emit]\r\n", emitter, L"\"" + emitter + L"\" " + Wide(arguments), output, out, waitMs);
    if (waitMs == INFINITE) CHECK(::GetFileAttributesW(output.c_str()) == INVALID_FILE_ATTRIBUTES);
    return out.Text();
}

// What the tools are started with, recorded on the way to CreateProcessW.
struct Started {
    std::wstring application, commandLine, directory;
    DWORD flags = 0, startFlags = 0;
    BOOL inherit = FALSE;
    bool outputInheritable = false;
};
std::vector<Started> g_started;

BOOL WINAPI RecordStart(LPCWSTR application, LPWSTR commandLine, LPSECURITY_ATTRIBUTES process,
                        LPSECURITY_ATTRIBUTES thread, BOOL inherit, DWORD flags, LPVOID environment, LPCWSTR directory,
                        LPSTARTUPINFOW startup, LPPROCESS_INFORMATION info) {
    DWORD handleFlags = 0;
    ::GetHandleInformation(startup->hStdOutput, &handleFlags);
    g_started.push_back({application ? application : L"", commandLine, directory ? directory : L"", flags,
                         startup->dwFlags, inherit, (handleFlags & HANDLE_FLAG_INHERIT) != 0});
    return ::CreateProcessW(application, commandLine, process, thread, inherit, flags, environment, directory, startup,
                            info);
}

}  // namespace

TEST_CASE("the tool's path, command line and output name are composed as the family table gives them") {
    const std::wstring system = L"D:\\WINDOWS\\system32";
    CaptureCommandLine line;
    const struct { const CaptureKind& kind; const char* host; const wchar_t* command; const wchar_t* name; } kCases[] = {
        {kPingCapture, "H", L"\"D:\\WINDOWS\\system32\\ping.exe\" H", L"ping-H.txt"},
        {kTracertCapture, "h.example", L"\"D:\\WINDOWS\\system32\\tracert.exe\" h.example", L"tracert-h.example.txt"},
        {kIpConfigCapture, nullptr, L"\"D:\\WINDOWS\\system32\\ipconfig.exe\" /all", L"ipconfig.txt"},
        {kNetStatCapture, nullptr, L"\"D:\\WINDOWS\\system32\\netstat.exe\" -nr", L"netstat.txt"}};
    for (const auto& c : kCases) {
        REQUIRE(ComposeCapture(c.kind, c.host, system, line));
        CHECK(line.commandLine == c.command);
        CHECK(line.outputName == c.name);
    }
    SUBCASE("a command line beyond 520 characters is refused") {
        CHECK_FALSE(ComposeCapture(kTracertCapture, std::string(510, 'h').c_str(), L"C:\\S", line));
        CHECK(line.commandLine.empty());
        CHECK(ComposeCapture(kTracertCapture, "h", L"C:\\S", line));
    }
    SUBCASE("a host that is not a host name is refused") {
        for (const char* host : {"a&calc", "a b", "", "a|b", "-n", "a\"b"}) CHECK_FALSE(ComposeCapture(kPingCapture, host, system, line));
        CHECK(ComposeCapture(kPingCapture, "www.host-1.example", system, line));
    }
}

TEST_CASE("the output is captured byte for byte") {
    bool result = false;
    for (long count : {0L, 100L, 4095L, 4096L, 4097L, 8192L, 10000L}) {
        CAPTURE(count);
        AnsiString text = CaptureEmitter(std::to_string(count), result);
        CHECK(result == 1);
        CHECK(text == "[emit]\r\n" + EmitBytes(count) + kSeparator);
    }
    SUBCASE("a zero byte ends its chunk's text") {
        AnsiString text = CaptureEmitter("100 50", result);
        CHECK(result == 1);
        CHECK(text == "[emit]\r\n" + EmitBytes(50) + kSeparator);
        text = CaptureEmitter("5000 10", result);
        CHECK(text == "[emit]\r\n" + EmitBytes(10) + EmitBytes(5000).substr(4096) + kSeparator);
    }
}

TEST_CASE("a capture that cannot run its tool gives its header and the separator") {
    SUBCASE("the tool cannot start") {
        RunFolder folder;
        SlotWriter out;
        CHECK(CaptureCommand("[emit]\r\n", L"Z:\\no\\such\\program.exe", L"program.exe", folder.NewFilePath(L"x.txt"), out) == 0);
        CHECK(out.Text() == kFailed);
    }
    SUBCASE("a tool that outlasts the capture's bound leaves the section open for the run to cut") {
        UniqueHandle release(::CreateEventA(nullptr, TRUE, FALSE, "RekkorTestEmitRelease"));
        bool result = true;
        CHECK(CaptureEmitter("hold RekkorTestEmitRelease", result, 100) == "[emit]\r\n");
        CHECK_FALSE(result);
        ::SetEvent(release.get());
    }
    // A temp folder that cannot hold the run's folder: too long, or not a folder name at all,
    // which the command interpreter once ran as a command.
    for (const std::string& temp : {"C:\\" + std::string(300, 't') + "\\", std::string("C:\\rkinj&echo injected>C:\\rk_injected.txt&")}) {
        EnvironmentOverride tmp("TMP", temp);
        EnvironmentOverride tempVariable("TEMP", temp);
        SlotWriter out;
        CHECK(NetDiagnostics::CapturePing("127.0.0.1", out) == 0);
        CHECK(out.Text() == AnsiString(kPingHeader) + kSeparator);
        CHECK_FALSE(FileExists("C:\\rk_injected.txt"));
    }
}

TEST_CASE("the family's captures on this machine") {
    SUBCASE("ipconfig and netstat from the system directory, without a window, only their output inherited") {
        // A temp folder with a space once split the command interpreter's redirection.
        FreshFolder spaced(TempFolder() + "Rk Temp");
        EnvironmentOverride tmp("TMP", spaced.path);
        EnvironmentOverride temp("TEMP", spaced.path);
        g_started.clear();
        const ProcessStarter real = SetProcessStarter(&RecordStart);
        auto restore = MakeScopeExit([real] { SetProcessStarter(real); });
        {
            SlotWriter out;
            CHECK(NetDiagnostics::CaptureIpConfig(out) == 1);
            CHECK(StartsWith(out.Text(), "[Ip Config配置信息]\r\n"));
            CHECK(out.Text().find("127.0.0.1") != AnsiString::npos);
            CHECK(EndsWith(out.Text(), kSeparator));
            SlotWriter netstat;
            CHECK(NetDiagnostics::CaptureNetStat(netstat) == 1);
            CHECK(EndsWith(netstat.Text(), kSeparator));
        }
        const std::wstring system = Wide(SystemTool(""));
        REQUIRE(g_started.size() == 2);
        for (const Started& started : g_started) {
            CHECK(started.application.compare(0, system.size(), system) == 0);
            CHECK(started.commandLine.compare(0, started.application.size() + 2, L"\"" + started.application + L"\"") == 0);
            CHECK(started.directory + L"\\" == system);
            CHECK((started.flags & CREATE_NO_WINDOW) != 0);
            CHECK((started.startFlags & STARTF_USESTDHANDLES) != 0);
            CHECK((started.inherit && started.outputInheritable));
        }
        CHECK(Listing(spaced.path).empty());
    }
    SUBCASE("a tracert section holds what the command printed on its standard output") {
        ConsoleStandIns standIns(ConsoleStandIns::kAtOnce);
        SlotWriter out;
        CHECK(NetDiagnostics::CaptureTracert("127.0.0.1", out) == 1);
        CHECK(out.Text() == AnsiString("[tracert 命令信息]\r\n") + "stand-in tracert.exe 127.0.0.1\r\n" + kSeparator);
    }
    SUBCASE("two pings of different hosts at once each keep their own output") {
        Ping pings[2];
        pings[0].host = "127.0.0.1";
        pings[1].host = "localhost";
        UniqueHandle first(::CreateThread(nullptr, 0, PingThread, &pings[0], 0, nullptr));
        UniqueHandle second(::CreateThread(nullptr, 0, PingThread, &pings[1], 0, nullptr));
        REQUIRE(first);
        REQUIRE(second);
        HANDLE both[2] = {first.get(), second.get()};
        REQUIRE(::WaitForMultipleObjects(2, both, TRUE, 60000) == WAIT_OBJECT_0);
        for (Ping& ping : pings) {
            CHECK(ping.result == 1);
            CHECK(ping.out.Text().compare(0, std::strlen(kPingHeader), kPingHeader) == 0);
        }
        CHECK(pings[0].out.Text().find("Pinging 127.0.0.1") != AnsiString::npos);
        CHECK(pings[0].out.Text().find("localhost") == AnsiString::npos);
        CHECK(pings[1].out.Text().find("Pinging localhost") != AnsiString::npos);
    }
}
