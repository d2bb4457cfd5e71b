// The diagnosis run: slot order, the bound, the sealed slots of stopped probes, and the real
// probes against this machine.
#include <doctest/doctest.h>
#include <windows.h>
#include <aclapi.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/Handle.h"
#include "base/ReportText.h"
#include "base/Scoped.h"
#include "netdiag/DiagnosisRun.h"
#include "netdiag/RunFolder.h"
#include "tests/common/ConsoleStandIns.h"
#include "tests/common/LoopbackTargets.h"
#include "tests/common/TestPaths.h"
#include "tests/common/Text.h"

using namespace rk;
using rk_test::LoopbackTargets;
using rk_test::StartsWith;

namespace {

const int kTracertThreads[] = {3, 6, 7, 8, 9, 12};
const char kAllSlotsInOrder[] = "<1><7><10><3><0><4><8><9><5><6><11><12><13><14><15>";

AnsiString SlotText(int slot) { return FormatAnsi("<%d>", slot); }

bool WaitNoLiveRuns() { return WaitForProbeRunsToEnd(10000); }

// Manual-reset events that fake probes wait on. On destruction every gate opens and the test
// waits until the abandoned probes have let go of their run, so none outlives the test's objects.
class Gates {
public:
    explicit Gates(int count) {
        for (int i = 0; i < count; ++i) m_events.emplace_back(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    }
    ~Gates() {
        for (UniqueHandle& event : m_events) ::SetEvent(event.get());
        CHECK(WaitNoLiveRuns());
    }
    HANDLE operator[](int i) const { return m_events[i].get(); }

private:
    std::vector<UniqueHandle> m_events;
};

// A probe that writes all its slots of the product's table at once.
ProbeWork Instant(int thread) {
    return [thread](ProbeRun& run) {
        for (const ProbeStep& probe : {kProbeThreads[thread].first, kProbeThreads[thread].then}) {
            if (!probe.work) continue;
            SlotWriter text(&run.Slot(probe.slot));
            text.Set(SlotText(probe.slot));
        }
    };
}

RunPlan InstantPlan() {
    RunPlan plan;
    for (int t = 0; t < kProbeThreadCount; ++t) plan.threads[t] = Instant(t);
    return plan;
}

}  // namespace

TEST_CASE("shared slots keep what was complete when sealed, cut off when still being written") {
    const AnsiString cut = AnsiString("\r\n(超时未完成，以上为已得到的部分)\r\n") + kSectionSeparator;
    SharedSlot slot;
    SlotWriter text(&slot);
    text.Set("[header]\r\n");
    text.AppendFormat("%d bytes", 42);
    text.Follow([] { return AnsiString("pending"); });
    CHECK(slot.Seal() == "[header]\r\n42 bytespending" + cut);
    text.Append("late");
    CHECK(text.Text() == "[header]\r\n42 byteslate");
    CHECK(slot.Seal() == "[header]\r\n42 bytespending" + cut);
    {
        SharedSlot finished;
        SlotWriter(&finished).Set("[done]\r\n");
        CHECK(finished.Seal() == "[done]\r\n");
    }
    CHECK(CutSection("") == "");
    CHECK(CutSection("[h]\r\n") == "[h]" + cut);

    SlotWriter standalone;
    standalone.Set("a");
    standalone.Append(AnsiString("b"));
    CHECK(standalone.Text() == "ab");
}

TEST_CASE("the output follows the slot order whatever order the probes end in") {
    REQUIRE(LiveProbeRuns() == 0);
    const std::vector<std::vector<int>> endOrders = {
        {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
        {12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0},
        {7, 2, 12, 0, 5, 9, 1, 11, 3, 8, 10, 4, 6},
    };
    for (const std::vector<int>& endOrder : endOrders) {
        CAPTURE(endOrder[0]);
        // Turn k opens when the k-th probe to end may write; each probe opens the next turn.
        Gates turns(kProbeThreadCount + 1);
        ::SetEvent(turns[0]);
        std::vector<int> ended;
        RunPlan plan;
        plan.before = [](ProbeRun& run) {
            SlotWriter text(&run.Slot(kNetStatSlot));
            text.Set("<before>");
        };
        for (int rank = 0; rank < kProbeThreadCount; ++rank) {
            int thread = endOrder[rank];
            plan.threads[thread] = [thread, rank, &turns, &ended](ProbeRun& run) {
                ::WaitForSingleObject(turns[rank], INFINITE);
                Instant(thread)(run);
                ended.push_back(thread);
                ::SetEvent(turns[rank + 1]);
            };
        }
        NetDiagnostics record;
        AnsiString out = "stale text";
        std::vector<int> counts;
        CHECK(RunPlanned(record, out, LoopbackTargets(20000), plan, [&](int n) { counts.push_back(n); }) == 1);
        CHECK(ended == endOrder);
        CHECK(counts == std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
        // No timeout line; the ping of the update host comes first.
        CHECK(out == kAllSlotsInOrder);
        CHECK(record.slots[kNetStatSlot] == "<15>");  // thread 2's routing table replaces the first one
        CHECK(record.slots[kUnusedSlot].empty());
    }
}

TEST_CASE("the unused slot is never output") {
    RunPlan plan = InstantPlan();
    plan.threads[4] = [](ProbeRun& run) {
        Instant(4)(run);
        SlotWriter text(&run.Slot(kUnusedSlot));
        text.Set("<2>");
    };
    NetDiagnostics record;
    AnsiString out;
    CHECK(RunPlanned(record, out, LoopbackTargets(20000), plan) == 1);
    CHECK(record.slots[kUnusedSlot] == "<2>");
    CHECK(out == kAllSlotsInOrder);

    AnsiString slots[kResultSlotCount];
    for (int i = 0; i < kResultSlotCount; ++i) slots[i] = SlotText(i);
    CHECK(AssembleDiagnosis(slots, false) == kAllSlotsInOrder);
    CHECK(AssembleDiagnosis(slots, true) == AnsiString("网络诊断超时.....\r\n\r\n") + kAllSlotsInOrder);
    AnsiString empty[kResultSlotCount];
    CHECK(AssembleDiagnosis(empty, false) == "");
}

TEST_CASE("at the bound the timeout line leads and stopped probes keep only what they had completed") {
    REQUIRE(LiveProbeRuns() == 0);
    const char kNetStatHeader[] = "[NetStat 配置信息]\r\n";
    const char kDownloadHeader[] = "[下载测试文件信息]\r\n";
    Gates gate(1);
    RunPlan plan = InstantPlan();
    plan.before = [&](ProbeRun& run) {
        SlotWriter text(&run.Slot(kNetStatSlot));
        text.Set(kNetStatHeader);
        text.Append("first table\r\n");
    };
    // The download test waits for its download after its header.
    plan.threads[0] = [&](ProbeRun& run) {
        SlotWriter text(&run.Slot(kDownloadSlot));
        text.Set(kDownloadHeader);
        ::WaitForSingleObject(gate[0], INFINITE);
        text.Append("speed\r\n");
    };
    // Tracert fills a text of its own and stores it at the end.
    for (int thread : kTracertThreads) {
        plan.threads[thread] = [&, thread](ProbeRun& run) {
            SlotWriter local;
            local.Set("[tracert 命令信息]\r\n");
            ::WaitForSingleObject(gate[0], INFINITE);
            run.Slot(kProbeThreads[thread].first.slot).Store(local.Text());
        };
    }
    bool stopInSecondCapture = false;
    SUBCASE("thread 2 stopped during its routing table capture") { stopInSecondCapture = true; }
    SUBCASE("thread 2 stopped before its routing table capture") { stopInSecondCapture = false; }
    plan.threads[1] = [&, stopInSecondCapture](ProbeRun& run) {
        {
            SlotWriter text(&run.Slot(kIpConfigSlot));
            text.Set("<0>");
        }
        if (!stopInSecondCapture) ::WaitForSingleObject(gate[0], INFINITE);
        SlotWriter text(&run.Slot(kNetStatSlot));
        text.Set(kNetStatHeader);
        ::WaitForSingleObject(gate[0], INFINITE);
        text.Append("second table\r\n");
    };

    NetDiagnostics record;
    AnsiString out;
    volatile LONG lastCount = 0;
    DWORD start = ::GetTickCount();
    CHECK(RunPlanned(record, out, LoopbackTargets(1500), plan,
                     [&](int n) { ::InterlockedExchange(const_cast<LONG*>(&lastCount), n); }) == 0);
    DWORD elapsed = ::GetTickCount() - start;
    CHECK(elapsed >= 1400);
    CHECK(elapsed < 10000);

    AnsiString routing = stopInSecondCapture ? CutSection(kNetStatHeader) : AnsiString(kNetStatHeader) + "first table\r\n";
    AnsiString expected =
        AnsiString("网络诊断超时.....\r\n\r\n") + "<1><7><10><3><0>" + CutSection(kDownloadHeader) + "<8><9>" + routing;
    CHECK(out == expected);
    for (int thread : kTracertThreads) CHECK(record.slots[kProbeThreads[thread].first.slot].empty());

    // Released now, the stopped probes finish into sealed slots: nothing reaches the record.
    // Only the five probes that finished in time were counted, then or later.
    CHECK(lastCount == 5);
    ::SetEvent(gate[0]);
    CHECK(WaitNoLiveRuns());
    CHECK(lastCount == 5);
    CHECK(record.slots[kDownloadSlot] == CutSection(kDownloadHeader));
    CHECK(record.slots[kTracertHost0Slot].empty());
    CHECK(out == expected);
}

TEST_CASE("timed-out runs with busy abandoned probes do not hold up later runs") {
    REQUIRE(LiveProbeRuns() == 0);
    const int kRounds = 20;
    volatile LONG stop[kRounds] = {};
    for (int round = 0; round < kRounds; ++round) {
        CAPTURE(round);
        // A probe that allocates without pause until told to stop, publishing as it goes.
        RunPlan slow = InstantPlan();
        volatile LONG* flag = &stop[round];
        slow.threads[0] = [flag](ProbeRun& run) {
            SlotWriter text(&run.Slot(kDownloadSlot));
            while (::InterlockedCompareExchange(const_cast<LONG*>(flag), 0, 0) == 0) {
                std::vector<AnsiString> junk(32, AnsiString(300, 'x'));
                text.Set(junk[0]);
            }
        };
        NetDiagnostics timedOut;
        AnsiString out;
        CHECK(RunPlanned(timedOut, out, LoopbackTargets(50), slow) == 0);
        CHECK(StartsWith(out, "网络诊断超时.....\r\n\r\n"));

        NetDiagnostics next;
        AnsiString nextOut;
        CHECK(RunPlanned(next, nextOut, LoopbackTargets(20000), InstantPlan()) == 1);
        CHECK(nextOut == kAllSlotsInOrder);
        ::InterlockedExchange(const_cast<LONG*>(flag), 1);
    }
    CHECK(WaitNoLiveRuns());
}

TEST_CASE("the real probes against this machine") {
    REQUIRE(LiveProbeRuns() == 0);
    SUBCASE("with time to spare every section is there, in slot order") {
        NetDiagnostics record;
        AnsiString out;
        CHECK(record.Run(out, LoopbackTargets(60000)) == 1);
        AnsiString inSlotOrder;
        for (int slot : kOutputOrder) inSlotOrder += record.slots[slot];
        CHECK(out == inSlotOrder);
        CHECK(StartsWith(out, "[ping 命令信息]\r\n"));
        for (int slot : {kPingHost0Slot, kPingHost1Slot, kPingHost2Slot}) {
            CHECK(StartsWith(record.slots[slot], "[ping 命令信息]\r\n"));
            CHECK(record.slots[slot].find("127.0.0.1") != AnsiString::npos);
        }
        for (int slot : {kTracertHost0Slot, kTracertHost1Slot, kTracertHost2Slot, kTracertHost3Slot, kTracertHost4Slot,
                         kTracertHost5Slot})
            CHECK(StartsWith(record.slots[slot], "[tracert 命令信息]\r\n"));
        CHECK(StartsWith(record.slots[kIpConfigSlot], "[Ip Config配置信息]\r\n"));
        CHECK(StartsWith(record.slots[kNetStatSlot], "[NetStat 配置信息]\r\n"));
        CHECK(out.find("[Ip Config配置信息]") < out.find("[tracert 命令信息]"));
        CHECK(out.rfind("[NetStat 配置信息]") > out.rfind("[tracert 命令信息]"));
    }
    SUBCASE("with pings that outlast the bound the pings are cut off") {
        rk_test::ConsoleStandIns standIns(rk_test::ConsoleStandIns::kHeld);
        NetDiagnostics record;
        AnsiString out;
        CHECK(record.Run(out, LoopbackTargets(1000)) == 0);
        CHECK(StartsWith(out, "网络诊断超时.....\r\n\r\n"));
        for (int slot : {kPingHost0Slot, kPingHost1Slot, kPingHost2Slot})
            CHECK((StartsWith(record.slots[slot], "[ping 命令信息]\r\n") &&
                   record.slots[slot].find(AnsiString(kCutLine) + kSectionSeparator) != AnsiString::npos));
        // The stopped pings end once their commands do, and let go of the run.
        standIns.Release();
        CHECK(WaitNoLiveRuns());
    }
}

TEST_CASE("each ping and tracert gets its host of the table") {
    rk_test::ConsoleStandIns standIns(rk_test::ConsoleStandIns::kAtOnce);
    const NetTargets targets = LoopbackTargets(60000);
    NetDiagnostics record;
    AnsiString out;
    REQUIRE(record.Run(out, targets) == 1);
    const struct { int slot; const char* command; int host; } kProbes[] = {
        {kPingHost0Slot, "ping", 0},       {kPingHost1Slot, "ping", 1},       {kPingHost2Slot, "ping", 2},
        {kTracertHost0Slot, "tracert", 0}, {kTracertHost1Slot, "tracert", 1}, {kTracertHost2Slot, "tracert", 2},
        {kTracertHost3Slot, "tracert", 3}, {kTracertHost4Slot, "tracert", 4}, {kTracertHost5Slot, "tracert", 5}};
    for (const auto& probe : kProbes) {
        CAPTURE(probe.slot);
        CHECK(record.slots[probe.slot].find(std::string("stand-in ") + probe.command + ".exe " +
                                            targets.hosts[probe.host] + "\r\n") != AnsiString::npos);
    }
}

TEST_CASE("the product's targets: the update file comes from the update host") {
    const NetTargets targets = ProductTargets();
    CHECK(std::string(targets.hosts[0]) == "update.mirelon.example");
    CHECK(std::string(targets.updateFileUrl) == "http://update.mirelon.example/mirelon/mirelonup35.ini");
    CHECK(targets.timeoutMs == 300000u);
}

TEST_CASE("each run keeps its files in a folder of its own that only administrators may write") {
    for (const std::string& name : rk_test::RunLeftovers()) rk_test::RemoveTree(rk_test::TempFolder() + name);
    auto folder = std::make_unique<RunFolder>();
    REQUIRE(*folder);
    RunFolder other;
    CHECK(folder->Path() != other.Path());
    const std::wstring file = folder->NewFilePath(L"ping-h.txt");
    CHECK(file != folder->NewFilePath(L"ping-h.txt"));

    // The security it is made with. Wine keeps no security of files (it derives one from the Unix
    // mode), so reading it back is Windows' part; where it is kept, it must be this one.
    RunFolder::Security made;
    REQUIRE(made.Build());
    PSECURITY_DESCRIPTOR read = nullptr;
    PACL dacl = nullptr, readDacl = nullptr;
    REQUIRE(::GetNamedSecurityInfoW(folder->Path().c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &readDacl, nullptr, &read) == ERROR_SUCCESS);
    UniqueLocal held(read);
    SECURITY_DESCRIPTOR_CONTROL control = 0, readControl = 0;
    DWORD revision = 0;
    BOOL present = FALSE, defaulted = FALSE;
    REQUIRE(::GetSecurityDescriptorDacl(&made.descriptor, &present, &dacl, &defaulted));
    REQUIRE(::GetSecurityDescriptorControl(&made.descriptor, &control, &revision));
    CHECK((control & SE_DACL_PROTECTED) != 0);
    if (::GetSecurityDescriptorControl(read, &readControl, &revision) && (readControl & SE_DACL_PROTECTED)) dacl = readDacl;
    BYTE admins[SECURITY_MAX_SID_SIZE], system[SECURITY_MAX_SID_SIZE];
    DWORD adminsSize = sizeof admins, systemSize = sizeof system;
    REQUIRE((::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize) &&
             ::CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize)));
    REQUIRE(dacl != nullptr);
    CHECK(dacl->AceCount == 2);  // the tests run as an administrator
    for (WORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        REQUIRE(::GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        CHECK((ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
               (::EqualSid(&ace->SidStart, admins) || ::EqualSid(&ace->SidStart, system))));
    }

    // A file still held when its run ends keeps the folder until the next run.
    const std::string path(folder->Path().begin(), folder->Path().end());
    UniqueFile kept(::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr));
    REQUIRE(kept);
    folder.reset();
    CHECK(rk_test::FileExists(path));
    kept.reset();
    RunFolder next;
    CHECK_FALSE(rk_test::FileExists(path));
}
