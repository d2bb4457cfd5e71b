// The download test and the public address lookup against nginx and stalling servers on 127.0.0.1.
// winsock2.h must come before windows.h.
#include "tests/common/LoopbackHttp.h"

#include <doctest/doctest.h>

#include <cstdlib>
#include <string>

#include "base/Handle.h"
#include "base/Scoped.h"
#include "netdiag/NetDiagnostics.h"
#include "netdiag/UrlDownload.h"
#include "tests/common/Environment.h"
#include "tests/common/ExpectedText.h"
#include "tests/common/LoopbackNginx.h"
#include "tests/common/TestPaths.h"
#include "tests/common/Text.h"

using namespace rk;
using namespace rk_test;

namespace {

const char kDownloadHeader[] = "[下载测试文件信息]\r\n";
const char kLookupHeader[] = "[访问ipseeker获取的IP地址]\r\n";

// The one result line between header and separator.
std::string ResultLine(const std::string& section, const std::string& header) {
    if (!StartsWith(section, header) || !EndsWith(section, kSeparator)) return "<malformed>";
    return section.substr(header.size(), section.size() - header.size() - (sizeof(kSeparator) - 1));
}

// A page as the lookup service sends it, in code page 936.
const char kLookupPage[] =
    "<html><head><title>IP地址查询</title></head><body>\r\n"
    "<p class=\"ip\"><span>查询结果：127.0.0.1&nbsp;&nbsp;本机地址</span></p>\r\n"
    "<p><span>查询结果2：&nbsp;局域网</span></p></body></html>\r\n";

struct ProbeCall {
    const char* url;
    SlotWriter* out;
    bool (*probe)(const char*, SlotWriter&);
    bool result;
};

DWORD WINAPI RunProbe(void* p) {
    auto* run = static_cast<ProbeCall*>(p);
    run->result = run->probe(run->url, *run->out);
    return 0;
}

}  // namespace

TEST_CASE("download test against nginx") {
    SUBCASE("a successful download is timed and its file removed") {
        REQUIRE(NginxServe("/mirelon/mirelonup35.ini", std::string(1536, 'x')));
        SlotWriter out;
        CHECK(NetDiagnostics::DownloadTest(NginxUrl("/mirelon/mirelonup35.ini").c_str(), out) == 1);
        const std::string line = ResultLine(out.Text(), kDownloadHeader);
        INFO(line);
        CHECK(StartsWith(line, "测试下载Quor升级文件成功...总用时:"));
        CHECK(line.find("秒,文件大小1536字节,速度: ") != std::string::npos);
        CHECK(EndsWith(line, "K/S\r\n"));
    }
    SUBCASE("loading the download's libraries is not timed") {
        REQUIRE(NginxServe("/mirelon/mirelonup35.ini", std::string(1536, 'x')));
        static UrlDownloadBinder real = SetUrlDownloadBinder([] { return ::Sleep(300), real(); });
        auto restore = MakeScopeExit([] { SetUrlDownloadBinder(real); });
        SlotWriter out;
        CHECK(NetDiagnostics::DownloadTest(NginxUrl("/mirelon/mirelonup35.ini").c_str(), out) == 1);
        const std::string line = ResultLine(out.Text(), kDownloadHeader);
        INFO(line);
        CHECK(std::atof(line.substr(line.find(":") + 1).c_str()) < 0.3);
    }
    SUBCASE("an HTTP error status fails with that status") {
        SlotWriter out;
        CHECK(NetDiagnostics::DownloadTest(NginxUrl("/mirelon/missing.ini").c_str(), out) == 0);
        const std::string line = ResultLine(out.Text(), kDownloadHeader);
        INFO(line);
        CHECK(StartsWith(line, "测试下载Quor升级文件失败: 404...失败耗时:"));
        CHECK(EndsWith(line, "毫秒\r\n"));
    }
    CHECK(RunLeftovers().empty());
}

TEST_CASE("download test against a port without a server") {
    const std::string url = "http://127.0.0.1:" + std::to_string(rk_test::ClosedLoopbackPort()) + "/mirelon/mirelonup35.ini";
    SlotWriter out;
    ::SetLastError(4242);  // what an earlier call left: no word on this download
    CHECK(NetDiagnostics::DownloadTest(url.c_str(), out) == 0);
    const std::string line = ResultLine(out.Text(), kDownloadHeader);
    INFO(line);
    CHECK(StartsWith(line, "测试下载Quor升级文件失败: -"));  // the call's failing HRESULT
}

TEST_CASE("a probe stopped while the server stays silent leaves its header") {
    int probe = 0;
    SUBCASE("download test") { probe = 0; }
    SUBCASE("public address lookup") { probe = 1; }
    SilentServer server;
    REQUIRE(server.Start());
    SharedSlot slot;
    SlotWriter out(&slot);
    const std::string url = server.Url("/mirelon/mirelonup35.ini");
    ProbeCall run{url.c_str(), &out, probe == 0 ? &NetDiagnostics::DownloadTest : &NetDiagnostics::PublicAddressLookup, false};
    UniqueHandle thread(::CreateThread(nullptr, 0, &RunProbe, &run, 0, nullptr));
    REQUIRE(thread);
    // Whatever happens below, the server goes and the probe thread ends before `run` does.
    auto finish = MakeScopeExit([&] {
        server.Close();
        ::WaitForSingleObject(thread.get(), 60000);
    });
    REQUIRE(server.WaitForConnection(20000));
    // The request is out and unanswered: the probe has written its header and nothing more, and
    // its section is cut off there.
    CHECK(slot.Seal() == CutSection(probe == 0 ? kDownloadHeader : kLookupHeader));
    // The next run's probe, against a working server, does not wait for the stalled one.
    REQUIRE(NginxServe("/mirelon/mirelonup35.ini", kLookupPage));
    const std::string workingUrl = NginxUrl("/mirelon/mirelonup35.ini");
    SlotWriter laterOut;
    ProbeCall later{workingUrl.c_str(), &laterOut, run.probe, false};
    UniqueHandle laterThread(::CreateThread(nullptr, 0, &RunProbe, &later, 0, nullptr));
    REQUIRE(::WaitForSingleObject(laterThread.get(), 20000) == WAIT_OBJECT_0);
    CHECK(later.result);  // its own download, read whole
    server.Close();
    REQUIRE(::WaitForSingleObject(thread.get(), 60000) == WAIT_OBJECT_0);
    finish.dismiss();
    // Whatever the probe wrote after the seal went nowhere.
    CHECK(slot.Seal() == CutSection(probe == 0 ? kDownloadHeader : kLookupHeader));
    CHECK(ResultLine(out.Text(), probe == 0 ? kDownloadHeader : kLookupHeader) !=
          "<malformed>");
}

TEST_CASE("public address lookup against nginx") {
    REQUIRE(NginxServe("/index.html", kLookupPage));
    REQUIRE(NginxServe("/zero", std::string("<i>查询结果1</span></p>") + '\0' + "<i>查询结果2</span></p>"));
    REQUIRE(NginxServe("/open", "<i>查询结果1 and no end"));
    REQUIRE(NginxServe("/empty", ""));

    auto lookup = [&](const char* path, int32_t expected) {
        SlotWriter out;
        CHECK(NetDiagnostics::PublicAddressLookup(NginxUrl(path).c_str(), out) == expected);
        return out.Text();
    };
    SUBCASE("two blocks, blanks removed") {
        CHECK(lookup("/", 1) == std::string(kLookupHeader) + ">查询结果：127.0.0.1本机地址\r\n" + ">查询结果2：局域网\r\n" + kSeparator);
    }
    SUBCASE("a zero byte ends the page") {
        CHECK(lookup("/zero", 1) == std::string(kLookupHeader) + ">查询结果1\r\n" + kSeparator);
    }
    SUBCASE("start without end") { CHECK(lookup("/open", 1) == std::string(kLookupHeader) + kSeparator); }
    SUBCASE("an empty page") {
        CHECK(lookup("/empty", 1) == std::string(kLookupHeader) + kSeparator);
    }
    SUBCASE("an HTTP error status is a failed lookup") {
        CHECK(lookup("/error", 0) == std::string(kLookupHeader) + "\r\n连接IpSeeker失败\r\n" + kSeparator);
    }
    SUBCASE("a failed download") {
        const std::string url = "http://127.0.0.1:" + std::to_string(rk_test::ClosedLoopbackPort()) + "/";
        SlotWriter out;
        CHECK(NetDiagnostics::PublicAddressLookup(url.c_str(), out) == 0);
        CHECK(out.Text() == std::string(kLookupHeader) + "\r\n连接IpSeeker失败\r\n" + kSeparator);
    }
    CHECK(RunLeftovers().empty());
}

TEST_CASE("a probe that can have no temp file ends its section with the failure") {
    // No folder of the run's own can be made there.
    EnvironmentOverride tmp("TMP", "C:\\rk-no-such-folder\\"), temp("TEMP", "C:\\rk-no-such-folder\\");
    bool download = true;
    SUBCASE("download test") { download = true; }
    SUBCASE("public address lookup") { download = false; }
    SlotWriter out;
    const std::string url = NginxUrl("/");
    ProbeCall run{url.c_str(), &out, download ? &NetDiagnostics::DownloadTest : &NetDiagnostics::PublicAddressLookup, true};
    UniqueHandle thread(::CreateThread(nullptr, 0, &RunProbe, &run, 0, nullptr));
    REQUIRE(::WaitForSingleObject(thread.get(), 20000) == WAIT_OBJECT_0);
    CHECK_FALSE(run.result);
    const std::string line = ResultLine(out.Text(), download ? kDownloadHeader : kLookupHeader);
    INFO(line);
    // The download's code is the folder's error, which is never 0.
    CHECK((download ? StartsWith(line, "测试下载Quor升级文件失败: ") && !StartsWith(line, "测试下载Quor升级文件失败: 0...")
                    : line == "\r\n连接IpSeeker失败\r\n"));
}
