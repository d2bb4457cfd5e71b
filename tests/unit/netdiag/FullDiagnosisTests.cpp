// A whole diagnosis with every probe real, aimed at this machine: the update file and the lookup
// page come from the test run's nginx.
#include <doctest/doctest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/Handle.h"
#include "base/Scoped.h"
#include "base/SmallThread.h"
#include "netdiag/DiagnosisRun.h"
#include "netdiag/NetDiagnostics.h"
#include "tests/common/Environment.h"
#include "tests/common/ExpectedText.h"
#include "tests/common/LoopbackTargets.h"
#include "tests/common/SystemPlacement.h"
#include "tests/common/TestPaths.h"
#include "tests/common/LoopbackNginx.h"

using namespace rk;
using namespace rk_test;

namespace {

const char kDownloadHeader[] = "[下载测试文件信息]\r\n";
const char kLookupHeader[] = "[访问ipseeker获取的IP地址]\r\n";

// Each header's offset in out, searching from `from`; npos when missing.
size_t FindFrom(const AnsiString& out, const char* header, size_t from) { return out.find(header, from); }

// Paints `bytes` below the caller's frame; returns the lowest byte painted.
__attribute__((noinline)) uintptr_t PaintBelow(size_t bytes) {
    auto* below = static_cast<unsigned char*>(__builtin_alloca(bytes));
    std::memset(below, 0xA5, bytes);
    asm volatile("" ::"r"(below) : "memory");
    return reinterpret_cast<uintptr_t>(below);
}

// How deep the work reaches into a stack of kSmallStackReserve bytes: the paint it left untouched.
size_t StackDepthOf(const ProbeWork& work, ProbeRun& run) {
    unsigned char here = 0;
    MEMORY_BASIC_INFORMATION stack = {};
    ::VirtualQuery(&here, &stack, sizeof stack);  // committed from here to the stack's top
    unsigned char* top = static_cast<unsigned char*>(stack.BaseAddress) + stack.RegionSize;
    auto* p = reinterpret_cast<unsigned char*>(PaintBelow(&here - (top - kSmallStackReserve) - 16 * 1024));
    work(run);
    while (p < &here && *p == 0xA5) ++p;
    return top - p;
}

// A whole diagnosis of this machine, with a 1536-byte update file and a lookup page served here.
struct ServedDiagnosis {
    NetDiagnostics record;
    AnsiString out;
    size_t depths[kProbeThreadCount] = {};

    size_t Deepest() const { return *std::max_element(depths, depths + kProbeThreadCount); }

    bool Run() {
        if (!NginxServe("/mirelon/mirelonup35.ini", AnsiString(1536, 'u')) ||
            !NginxServe("/index.html", "<p><span>>查询结果1: 127.0.0.1&nbsp;本机</span></p>"))
            return false;
        const AnsiString updateUrl = NginxUrl("/mirelon/mirelonup35.ini");
        const AnsiString lookupUrl = NginxUrl("/");
        NetTargets targets = LoopbackTargets(120000);
        targets.updateFileUrl = updateUrl.c_str();
        targets.publicAddressUrl = lookupUrl.c_str();
        RunPlan plan = ProductPlan();
        for (int i = 0; i < kProbeThreadCount; ++i)
            plan.threads[i] = [work = plan.threads[i], depth = &depths[i]](ProbeRun& run) { *depth = StackDepthOf(work, run); };
        return RunPlanned(record, out, targets, plan);
    }
};

}  // namespace

TEST_CASE("a full diagnosis against loopback targets shows every section in its place") {
    ServedDiagnosis served;
    REQUIRE(served.Run());
    NetDiagnostics& record = served.record;
    AnsiString& out = served.out;

    // The fixed order: three pings, proxy, ipconfig, download, firewall, lookup, six tracerts, netstat.
    std::vector<const char*> order = {"[ping 命令信息]\r\n", "[ping 命令信息]\r\n", "[ping 命令信息]\r\n", "[网络代理信息]\r\n",
                                      "[Ip Config配置信息]\r\n", kDownloadHeader, "WINDOWS防火墙状态:", kLookupHeader};
    for (int i = 0; i < 6; ++i) order.push_back("[tracert 命令信息]\r\n");
    order.push_back("[NetStat 配置信息]\r\n");
    CHECK(out.compare(0, std::strlen(order[0]), order[0]) == 0);
    size_t at = 0;
    for (const char* header : order) {
        size_t found = FindFrom(out, header, at);
        CHECK_MESSAGE(found != AnsiString::npos, "missing in its place: " << header);
        if (found == AnsiString::npos) break;
        at = found + 1;
    }
    CHECK(out.find("网络诊断超时") == AnsiString::npos);
    CHECK(record.slots[kUnusedSlot].empty());
    // The probes that talk HTTP got real answers from nginx.
    CHECK(record.slots[kDownloadSlot].find("测试下载Quor升级文件成功...") != AnsiString::npos);
    CHECK(record.slots[kDownloadSlot].find("文件大小1536字节") != AnsiString::npos);
    CHECK(record.slots[kPublicAddressSlot] == AnsiString(kLookupHeader) + ">查询结果1: 127.0.0.1本机\r\n" + kSeparator);
    // The pings reached their loopback names.
    CHECK(record.slots[kPingHost0Slot].find("127.0.0.1") != AnsiString::npos);
    // The deepest probe fits its small stack with room to spare.
    CHECK_MESSAGE(served.Deepest() <= kSmallStackReserve / 2, "deepest probe: " << served.Deepest() << " bytes");
}

TEST_CASE("a full diagnosis with the temp folder named in Chinese uses it and leaves nothing in it") {
    // 運 is DF 5C in code page 936: its second byte is a backslash's.
    const rk_test::FreshFolder folder(rk_test::ExeFolder() + "临时運");
    const std::string& temp = folder.path;
    rk_test::EnvironmentOverride tmp("TMP", temp);
    rk_test::EnvironmentOverride tempVariable("TEMP", temp);
    char shown[MAX_PATH] = {};
    REQUIRE(::GetTempPathA(MAX_PATH, shown) > 0);
    REQUIRE(std::string(shown) == temp + "\\");

    ServedDiagnosis served;
    REQUIRE(served.Run());
    NetDiagnostics& record = served.record;
    CHECK(record.slots[kDownloadSlot].find("文件大小1536字节") != AnsiString::npos);
    CHECK(record.slots[kPublicAddressSlot] == AnsiString(kLookupHeader) + ">查询结果1: 127.0.0.1本机\r\n" + kSeparator);
    CHECK(record.slots[kPingHost0Slot].find("127.0.0.1") != AnsiString::npos);  // a ping read back from its temp file
    CHECK(record.slots[kIpConfigSlot].find("127.0.0.1") != AnsiString::npos);  // ipconfig

    // Every temp file went again.
    for (const std::string& name : Listing(temp)) FAIL_CHECK("left in the temp folder: " << name);
}
