// Probes abandoned at a run's bound run on. The download test and the public address lookup of
// a later run must report their own downloads, not the abandoned probes' files.
#include <doctest/doctest.h>
#include <winsock2.h>  // before windows.h, which the project headers bring in

#include <string>

#include "netdiag/DiagnosisRun.h"
#include "netdiag/NetDiagnostics.h"
#include "tests/common/ExpectedText.h"
#include "tests/common/LoopbackTargets.h"
#include "tests/common/TestPaths.h"
#include "tests/common/LoopbackHttp.h"

using namespace rk;
using namespace rk_test;

namespace {

const char kUpdatePath[] = "/mirelon/mirelonup35.ini";
const char kDownloadHeader[] = "[下载测试文件信息]\r\n";
const char kLookupHeader[] = "[访问ipseeker获取的IP地址]\r\n";

// The download test and the public address lookup alone, as the product's table runs them.
RunPlan DownloadAndLookup() {
    const RunPlan product = ProductPlan();
    RunPlan plan;
    plan.threads[0] = product.threads[0];
    plan.threads[11] = product.threads[11];
    return plan;
}

}  // namespace

TEST_CASE("a normal diagnosis after one that timed out while the update file was still coming reports its own download") {
    // Without the claims the outcome depended on which probe got to the shared file first, so the
    // scene is played several times.
    for (int round = 0; round < 6; ++round) {
        CAPTURE(round);
        // The first answers trickle: half at once, the rest 2500 ms after the request (past the
        // first run's bound, which started before it), or as soon as the next request comes in.
        rk_test::SlowFirstServer server(2500);
        server.Serve(kUpdatePath, AnsiString(3000, 'f'), AnsiString(1536, 's'));
        server.Serve("/", "<p><span>>查询结果1: first run</span></p>", "<p><span>>查询结果2: second run</span></p>");
        REQUIRE(server.Start());
        const AnsiString updateUrl = server.Url(kUpdatePath);
        const AnsiString lookupUrl = server.Url("/");
        // Long enough for the probes to write their headers on a loaded machine.
        NetTargets targets = rk_test::LoopbackTargets(2000);
        targets.updateFileUrl = updateUrl.c_str();
        targets.publicAddressUrl = lookupUrl.c_str();

        NetDiagnostics first;
        AnsiString firstOut;
        REQUIRE(RunPlanned(first, firstOut, targets, DownloadAndLookup()) == 0);
        CHECK(first.slots[kDownloadSlot] == CutSection(kDownloadHeader));
        CHECK(first.slots[kPublicAddressSlot] == CutSection(kLookupHeader));

        targets.timeoutMs = 60000;
        NetDiagnostics second;
        AnsiString secondOut;
        CHECK(RunPlanned(second, secondOut, targets, DownloadAndLookup()) == 1);
        INFO(second.slots[kDownloadSlot]);
        CHECK(second.slots[kDownloadSlot].find("测试下载Quor升级文件成功...") != AnsiString::npos);
        CHECK(second.slots[kDownloadSlot].find("文件大小1536字节") != AnsiString::npos);
        CHECK(second.slots[kPublicAddressSlot] == AnsiString(kLookupHeader) + ">查询结果2: second run\r\n" + kSeparator);

        // The abandoned probes end once their answers are complete; then nothing is left behind.
        REQUIRE(WaitForProbeRunsToEnd(60000));
        CHECK(rk_test::RunLeftovers().empty());
    }
}
