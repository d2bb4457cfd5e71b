// The download test and the public address lookup against HTTP servers on 127.0.0.1.
// winsock2.h must come before windows.h.
#include "tests/common/LoopbackHttp.h"

#include <doctest/doctest.h>

#include <string>

#include "base/Handle.h"
#include "netdiag/NetDiagnostics.h"
#include "tests/common/ExpectedText.h"
#include "tests/common/TestPaths.h"
#include "tests/common/Text.h"

using namespace rk;
using namespace rk_test;

namespace {

const char kDownloadHeader[] = "[下载测试文件信息]\r\n";
const char kLookupHeader[] = "[访问ipseeker获取的IP地址]\r\n";

std::string TempFile(const char* name) { return rk_test::TempFolder() + name; }

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

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

struct ProbeRun {
    const char* url;
    SlotWriter* out;
    bool (*probe)(const char*, SlotWriter&);
    bool result;
};

DWORD WINAPI RunProbe(void* p) {
    auto* run = static_cast<ProbeRun*>(p);
    run->result = run->probe(run->url, *run->out);
    return 0;
}

}  // namespace

TEST_CASE("download test against the loopback server") {
    LoopbackHttpServer server;
    const std::string update(1536, 'x');
    server.Serve("/mirelon/mirelonup35.ini", 200, update);
    REQUIRE(server.Start());
    const std::string local = TempFile("\\downQuortest.ini");

    SUBCASE("a successful download is timed and its file removed") {
        SlotWriter out;
        CHECK(NetDiagnostics::DownloadTest(server.Url("/mirelon/mirelonup35.ini").c_str(), out) == 1);
        const std::string line = ResultLine(out.Text(), kDownloadHeader);
        INFO(line);
        CHECK(StartsWith(line, "测试下载Quor升级文件成功...总用时:"));
        CHECK(line.find("秒,文件大小1536字节,速度: ") != std::string::npos);
        CHECK(EndsWith(line, "K/S\r\n"));
        CHECK_FALSE(FileExists(local));
        CHECK(server.RequestCount() == 1);
    }
    SUBCASE("an HTTP error status still delivers a page") {
        // Wine's urlmon reports S_OK for an error status and stores the error page, so the probe
        // times that page ("not here") like any other file.
        SlotWriter out;
        CHECK(NetDiagnostics::DownloadTest(server.Url("/mirelon/missing.ini").c_str(), out) == 1);
        const std::string line = ResultLine(out.Text(), kDownloadHeader);
        INFO(line);
        CHECK(StartsWith(line, "测试下载Quor升级文件成功...总用时:"));
        CHECK(line.find("秒,文件大小8字节,速度: ") != std::string::npos);
        CHECK_FALSE(FileExists(local));
    }
    ::DeleteFileA(local.c_str());
}

TEST_CASE("download test against a port without a server") {
    const std::string url = "http://127.0.0.1:" + std::to_string(rk_test::ClosedLoopbackPort()) + "/mirelon/mirelonup35.ini";
    SlotWriter out;
    CHECK(NetDiagnostics::DownloadTest(url.c_str(), out) == 0);
    const std::string line = ResultLine(out.Text(), kDownloadHeader);
    INFO(line);
    CHECK(StartsWith(line, "测试下载Quor升级文件失败: "));
    ::DeleteFileA(TempFile("\\downQuortest.ini").c_str());
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
    ProbeRun run{url.c_str(), &out, probe == 0 ? &NetDiagnostics::DownloadTest : &NetDiagnostics::PublicAddressLookup, false};
    UniqueHandle thread(::CreateThread(nullptr, 0, &RunProbe, &run, 0, nullptr));
    REQUIRE(thread);
    // Whatever happens below, the server goes and the probe thread ends before `run` does.
    auto finish = MakeScopeExit([&] {
        server.Close();
        ::WaitForSingleObject(thread.get(), 60000);
    });
    REQUIRE(server.WaitForConnection(20000));
    // The request is out and unanswered: the probe has written its header and nothing more.
    CHECK(slot.Seal() == (probe == 0 ? kDownloadHeader : kLookupHeader));
    // The next run's probe, against a working server, does not wait for the stalled one.
    LoopbackHttpServer working;
    working.Serve("/mirelon/mirelonup35.ini", 200, kLookupPage);
    REQUIRE(working.Start());
    const std::string workingUrl = working.Url("/mirelon/mirelonup35.ini");
    SlotWriter laterOut;
    ProbeRun later{workingUrl.c_str(), &laterOut, run.probe, false};
    UniqueHandle laterThread(::CreateThread(nullptr, 0, &RunProbe, &later, 0, nullptr));
    REQUIRE(::WaitForSingleObject(laterThread.get(), 20000) == WAIT_OBJECT_0);
    CHECK(later.result);  // its own download, read whole
    server.Close();
    REQUIRE(::WaitForSingleObject(thread.get(), 60000) == WAIT_OBJECT_0);
    finish.dismiss();
    // Whatever the probe wrote after the seal went nowhere.
    CHECK(slot.Seal() == (probe == 0 ? kDownloadHeader : kLookupHeader));
    CHECK(ResultLine(out.Text(), probe == 0 ? kDownloadHeader : kLookupHeader) !=
          "<malformed>");
    ::DeleteFileA(TempFile("\\downQuortest.ini").c_str());
}

TEST_CASE("public address lookup against the loopback server") {
    LoopbackHttpServer server;
    server.Serve("/", 200, kLookupPage);
    server.Serve("/zero", 200, std::string("<i>查询结果1</span></p>") + '\0' + "<i>查询结果2</span></p>");
    server.Serve("/open", 200, "<i>查询结果1 and no end");
    server.Serve("/empty", 200, "");
    server.Serve("/error", 500, "<html>server error</html>");
    REQUIRE(server.Start());
    const std::string local = TempFile("\\Quoripseeker.ini");

    auto lookup = [&](const char* path, int32_t expected) {
        SlotWriter out;
        CHECK(NetDiagnostics::PublicAddressLookup(server.Url(path).c_str(), out) == expected);
        return out.Text();
    };
    SUBCASE("two blocks, blanks removed") {
        CHECK(lookup("/", 1) == std::string(kLookupHeader) + ">查询结果：127.0.0.1本机地址\r\n" + ">查询结果2：局域网\r\n" + kSeparator);
        CHECK_FALSE(FileExists(local));
    }
    SUBCASE("a zero byte ends the page") {
        CHECK(lookup("/zero", 1) == std::string(kLookupHeader) + ">查询结果1\r\n" + kSeparator);
    }
    SUBCASE("start without end") { CHECK(lookup("/open", 1) == std::string(kLookupHeader) + kSeparator); }
    SUBCASE("an empty page") {
        CHECK(lookup("/empty", 1) == std::string(kLookupHeader) + kSeparator);
        CHECK_FALSE(FileExists(local));
    }
    SUBCASE("an HTTP error page holds no result") {
        // Stored like any page (see the download test above), it has no result block.
        CHECK(lookup("/error", 1) == std::string(kLookupHeader) + kSeparator);
        CHECK_FALSE(FileExists(local));
    }
    SUBCASE("a failed download") {
        const std::string url = "http://127.0.0.1:" + std::to_string(rk_test::ClosedLoopbackPort()) + "/";
        SlotWriter out;
        CHECK(NetDiagnostics::PublicAddressLookup(url.c_str(), out) == 0);
        CHECK(out.Text() == std::string(kLookupHeader) + "\r\n连接IpSeeker失败\r\n" + kSeparator);
    }
    ::DeleteFileA(local.c_str());
}
