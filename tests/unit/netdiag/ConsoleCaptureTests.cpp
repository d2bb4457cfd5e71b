// The console captures: composing the command line and the temp file path within their buffers,
// byte-exact reading of the redirected output, failures, and parallel pings.
#include <doctest/doctest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "base/Handle.h"
#include "netdiag/DiagnosisRun.h"
#include "tests/common/ConsoleStandIns.h"
#include "tests/common/Environment.h"
#include "tests/common/ExpectedText.h"
#include "tests/common/TestPaths.h"
#include "tests/unit/netdiag/NetDiagEmit.h"

using namespace rk;
using namespace rk_test;


namespace {

const char kPingHeader[] = "[ping 命令信息]\r\n";

std::string SystemDir() {
    char dir[MAX_PATH] = {};
    ::GetSystemDirectoryA(dir, MAX_PATH);
    return dir;
}

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

// Captures what the emitter prints through the command interpreter, as the product's captures do.
AnsiString CaptureEmitter(const std::string& arguments, bool& result) {
    std::string tempPath = TempFolder() + "QuorxxEmitTest.txt";
    std::string command = SystemDir() + "\\cmd.exe /d /c " + ExeFolder() + "netdiag_emit.exe " + arguments + " >" + tempPath;
    SlotWriter out;
    result = CaptureCommand("[emit]\r\n", command.c_str(), tempPath.c_str(), out);
    CHECK(!FileExists(tempPath));
    return out.Text();
}

}  // namespace

TEST_CASE("the command line and the temp file path are composed as the family table gives them") {
    char path[kCapturePathSize];
    char command[kCaptureCommandSize];
    SUBCASE("ping puts the host behind the file name and between the tool and the redirection") {
        REQUIRE(ComposeCapture(kPingCapture, "H", "D:\\TEMP\\", "D:\\WINDOWS\\system32", path, command));
        CHECK(std::string(path) == "D:\\TEMP\\\\Quorxxping.txtH");
        CHECK(std::string(command) == "D:\\WINDOWS\\system32\\cmd.exe /d /c ping.exe H >D:\\TEMP\\\\Quorxxping.txtH");
    }
    SUBCASE("tracert") {
        REQUIRE(ComposeCapture(kTracertCapture, "h.example", "C:\\T\\", "C:\\S", path, command));
        CHECK(std::string(path) == "C:\\T\\\\Quorxxtracert.txth.example");
        CHECK(std::string(command) == "C:\\S\\cmd.exe /d /c tracert.exe h.example >C:\\T\\\\Quorxxtracert.txth.example");
    }
    SUBCASE("ipconfig and netstat put the name straight after the temp directory") {
        REQUIRE(ComposeCapture(kIpConfigCapture, nullptr, "D:\\TEMP\\", "D:\\WINDOWS\\system32", path, command));
        CHECK(std::string(path) == "D:\\TEMP\\Quorxxipconfig.txt");
        CHECK(std::string(command) == "D:\\WINDOWS\\system32\\cmd.exe /d /c ipconfig.exe /all >D:\\TEMP\\Quorxxipconfig.txt");
        REQUIRE(ComposeCapture(kNetStatCapture, nullptr, "D:\\TEMP\\", "D:\\WINDOWS\\system32", path, command));
        CHECK(std::string(path) == "D:\\TEMP\\QuorxxNetstat.txt");
        CHECK(std::string(command) == "D:\\WINDOWS\\system32\\cmd.exe /d /c netstat.exe -nr >D:\\TEMP\\QuorxxNetstat.txt");
    }
    SUBCASE("pings of two hosts use two files") {
        char other[kCapturePathSize];
        REQUIRE(ComposeCapture(kPingCapture, "127.0.0.1", "C:\\T\\", "C:\\S", path, command));
        REQUIRE(ComposeCapture(kPingCapture, "localhost", "C:\\T\\", "C:\\S", other, command));
        CHECK(std::string(path) != std::string(other));
    }
    SUBCASE("a path that fills the buffer exactly fits; one byte more does not") {
        std::string dir = "C:\\" + std::string(259 - 3 - 18 - 1, 'd') + "\\";
        REQUIRE(dir.size() + 18 == 259);
        CHECK(ComposeCapture(kIpConfigCapture, nullptr, dir.c_str(), "C:\\S", path, command));
        CHECK(std::strlen(path) == 259);
        std::string longer = "C:\\" + std::string(259 - 3 - 18, 'd') + "\\";
        CHECK_FALSE(ComposeCapture(kIpConfigCapture, nullptr, longer.c_str(), "C:\\S", path, command));
        CHECK(path[0] == 0);
        CHECK(command[0] == 0);
    }
    SUBCASE("a command line beyond 520 bytes is refused") {
        std::string system = "C:\\" + std::string(247, 's');
        std::string temp = "C:\\" + std::string(176, 't') + "\\";
        std::string host(60, 'h');
        REQUIRE(temp.size() + 15 + host.size() < kCapturePathSize);
        CHECK_FALSE(ComposeCapture(kTracertCapture, host.c_str(), temp.c_str(), system.c_str(), path, command));
        CHECK(ComposeCapture(kTracertCapture, "h", temp.c_str(), system.c_str(), path, command));
    }
    SUBCASE("a host that is not a host name is refused") {
        CHECK_FALSE(ComposeCapture(kPingCapture, "a&calc", "C:\\T\\", "C:\\S", path, command));
        CHECK_FALSE(ComposeCapture(kPingCapture, "a b", "C:\\T\\", "C:\\S", path, command));
        CHECK_FALSE(ComposeCapture(kPingCapture, "", "C:\\T\\", "C:\\S", path, command));
        CHECK_FALSE(ComposeCapture(kPingCapture, "a|b", "C:\\T\\", "C:\\S", path, command));
        CHECK(ComposeCapture(kPingCapture, "www.host-1.example", "C:\\T\\", "C:\\S", path, command));
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

TEST_CASE("a capture that cannot run its command leaves the header line alone") {
    std::string tempPath = TempFolder() + "QuorxxEmitTest.txt";
    SUBCASE("the command cannot start") {
        SlotWriter out;
        CHECK(CaptureCommand("[emit]\r\n", "Z:\\no\\such\\program.exe", tempPath.c_str(), out) == 0);
        CHECK(out.Text() == "[emit]\r\n");
    }
    SUBCASE("the command leaves no output file") {
        std::string command = SystemDir() + "\\cmd.exe /d /c rem";
        SlotWriter out;
        CHECK(CaptureCommand("[emit]\r\n", command.c_str(), tempPath.c_str(), out) == 0);
        CHECK(out.Text() == "[emit]\r\n");
    }
    SUBCASE("the temp file is still held by the command of an abandoned capture") {
        UniqueFile held(::CreateFileA(tempPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      CREATE_ALWAYS, 0, nullptr));
        REQUIRE(held);
        DWORD written = 0;
        ::WriteFile(held.get(), "OLD RUN", 7, &written, nullptr);
        std::string command = SystemDir() + "\\cmd.exe /d /c " + ExeFolder() + "netdiag_emit.exe 10 >" + tempPath;
        SlotWriter out;
        CHECK(CaptureCommand("[emit]\r\n", command.c_str(), tempPath.c_str(), out) == 0);
        CHECK(out.Text() == "[emit]\r\n");
        held.reset();
        ::DeleteFileA(tempPath.c_str());
    }
    SUBCASE("the command outlasts the capture's bound") {
        UniqueHandle release(::CreateEventA(nullptr, TRUE, FALSE, "RekkorTestEmitRelease"));
        std::string heldPath = TempFolder() + "QuorxxHeldTest.txt";  // the child may still hold it after
        std::string command = SystemDir() + "\\cmd.exe /d /c " + ExeFolder() + "netdiag_emit.exe hold RekkorTestEmitRelease >" + heldPath;
        SlotWriter out;
        CHECK(CaptureCommand("[emit]\r\n", command.c_str(), heldPath.c_str(), out, 100) == 0);
        CHECK(out.Text() == "[emit]\r\n");
        ::SetEvent(release.get());
    }
    SUBCASE("the temp directory is too long for the path buffer") {
        std::string longTemp = "C:\\" + std::string(300, 't') + "\\";
        EnvironmentOverride tmp("TMP", longTemp);
        EnvironmentOverride temp("TEMP", longTemp);
        SlotWriter out;
        CHECK(NetDiagnostics::CapturePing("127.0.0.1", out) == 0);
        CHECK(out.Text() == kPingHeader);
    }
}

TEST_CASE("the family's captures on this machine") {
    SUBCASE("ipconfig removes a stale file first and its own file afterwards") {
        std::string file = TempFolder() + "Quorxxipconfig.txt";
        {
            UniqueFile stale(::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            REQUIRE(stale);
            DWORD written = 0;
            ::WriteFile(stale.get(), "STALE", 5, &written, nullptr);
        }
        SlotWriter out;
        CHECK(NetDiagnostics::CaptureIpConfig(out) == 1);
        CHECK(out.Text().compare(0, 21, "[Ip Config配置信息]\r\n") == 0);
        CHECK(out.Text().find("127.0.0.1") != AnsiString::npos);
        CHECK(out.Text().find("STALE") == AnsiString::npos);
        CHECK(out.Text().size() >= std::strlen(kSeparator));
        CHECK(out.Text().compare(out.Text().size() - std::strlen(kSeparator), AnsiString::npos, kSeparator) == 0);
        CHECK(!FileExists(file));
    }
    SUBCASE("netstat") {
        SlotWriter out;
        CHECK(NetDiagnostics::CaptureNetStat(out) == 1);
        CHECK(out.Text().compare(0, 20, "[NetStat 配置信息]\r\n") == 0);
        CHECK(!FileExists(TempFolder() + "QuorxxNetstat.txt"));
    }
    SUBCASE("a tracert section holds what the command printed on its standard output") {
        ConsoleStandIns standIns(ConsoleStandIns::kAtOnce);
        SlotWriter out;
        CHECK(NetDiagnostics::CaptureTracert("127.0.0.1", out) == 1);
        CHECK(out.Text() == AnsiString("[tracert 命令信息]\r\n") + "stand-in tracert.exe 127.0.0.1\r\n" + kSeparator);
        CHECK(!FileExists(TempFolder() + "\\Quorxxtracert.txt127.0.0.1"));
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
            CHECK(!FileExists(TempFolder() + "\\Quorxxping.txt" + ping.host));
        }
        CHECK(pings[0].out.Text().find("Pinging 127.0.0.1") != AnsiString::npos);
        CHECK(pings[0].out.Text().find("localhost") == AnsiString::npos);
        CHECK(pings[1].out.Text().find("Pinging localhost") != AnsiString::npos);
    }
}
