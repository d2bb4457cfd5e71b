// The network-diagnosis button in a real window: the locked window during a run, the outcome
// in the status line and the message box, and the report text afterwards. The loopback builds
// aim every probe at this machine; the shipped build runs in a namespace that has only loopback.
// winsock2.h must come before windows.h.
#include "tests/common/OnlyLoopback.h"

#include <doctest/doctest.h>
#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <string>

#include "res/resource.h"
#include "tests/common/ConsoleStandIns.h"
#include "tests/common/Environment.h"
#include "tests/common/LoopbackNginx.h"
#include "tests/common/LoopbackTargets.h"
#include "tests/common/Processes.h"
#include "tests/common/SystemPlacement.h"
#include "tests/gui/Driver.h"
#include "tests/gui/RunningTool.h"
#include "tests/gui/SaveDialog.h"

using namespace rk_test;

namespace {

const char kRunStarted[] = "请耐心等待，此过程可能需要大约3分钟左右......";
const char kDoneStatus[] = "网络诊断结束......";
const char kDoneBox[] = "网络诊断结束!";
const char kTimedOutStatus[] = "网络诊断超时失败!!!";
const char kTimedOutBox[] = "网络诊断超时失败!";
const char kTimeoutLine[] = "网络诊断超时.....\r\n\r\n";
const char kPingHeader[] = "[ping 命令信息]\r\n";
const char kCutEnd[] = "(超时未完成，以上为已得到的部分)\r\n\r\n=======================================\r\n";

// A snapshot that fails counts as running, so that it fails the checks that nothing runs.
bool StandInsRunning() { return ProcessRunning("ping.exe") != false || ProcessRunning("tracert.exe") != false; }

int Progress(HWND main) { return static_cast<int>(::SendMessageA(::GetDlgItem(main, IDC_NET_PROGRESS), PBM_GETPOS, 0, 0)); }
bool ProgressShown(HWND main) { return ::IsWindowVisible(::GetDlgItem(main, IDC_NET_PROGRESS)) != FALSE; }

// Completions any program on the desktop can post, with a bad pointer and with none, and a progress
// report of every probe finished: nothing shows, and the bar neither jumps nor goes back.
void CheckForgedCompletionsIgnored(HWND main, DWORD pid) {
    const int progress = Progress(main);
    ::PostMessageA(main, WM_APP + 1, 1, 0x5A5A5A5A);
    ::PostMessageA(main, WM_APP + 1, 0, 0);
    ::PostMessageA(main, WM_APP + 2, 13, 0);
    CHECK(HandledPosted(main));
    CHECK(Progress(main) < 13);
    CHECK(Progress(main) >= progress);
    CHECK(FindDialog(pid, "Mirelon") == nullptr);
}

struct DiagnosisTool : RunningTool {
    std::string initial;
    std::string before;  // the report when the latest run started

    explicit DiagnosisTool(const char* layout) : RunningTool(layout) {
        initial = Report();
        CHECK(!ProgressShown(main));
    }

    // Clicks the button and waits until the window is locked, with the bar shown and empty again.
    void StartDiagnosis() {
        before = Report();
        Click(main, IDC_NET_DIAG);
        REQUIRE(WaitUntil([&] { return AllButtons(main, false); }));
        CHECK(ProgressShown(main));
        CHECK(Progress(main) < 13);
    }

    // Waits for the outcome box, closes it and returns the diagnosis behind the start-up report.
    // Meanwhile the bar never goes back; at the box it shows every probe when the run ended in
    // time, and fewer when it timed out.
    std::string FinishDiagnosis(const char* boxText, const char* statusText) {
        HWND box = nullptr;
        int last = 0;
        bool wentBack = false;
        bool pictured = false;
        WaitUntil([&] {
            const int now = Progress(main);
            wentBack = wentBack || now < last;
            last = now;
            // The layout during a run, for a person to look at.
            if (!pictured && now > 0 && now < 13) pictured = SaveWindowPicture(main, ExeDir() + "diagnosis-window.bmp");
            return (box = FindDialog(process.Pid(), "Mirelon")) != nullptr;
        }, 120000);
        REQUIRE(box != nullptr);
        CHECK(!wentBack);
        CHECK(ProgressShown(main));
        if (std::string(boxText) == kDoneBox)
            CHECK(Progress(main) == 13);
        else
            CHECK(Progress(main) < 13);
        CHECK(HasText(box, boxText));
        CHECK(::GetWindow(box, GW_OWNER) == main);
        CHECK(ItemText(main, IDC_STATUS_TEXT) == statusText);
        // The window stays locked until the box is closed, and the text comes only then.
        CHECK(AllButtons(main, false));
        CHECK(Report() == before);
        Click(box, IDOK);
        CHECK(WaitGone(box));
        REQUIRE(WaitUntil([&] { return AllButtons(main, true); }));
        CHECK(!ProgressShown(main));
        CHECK(::SendMessageA(::GetDlgItem(main, IDC_REPORT_EDIT), EM_GETLIMITTEXT, 0, 0) == 0x7FFFFFFE);
        std::string report = Report();
        REQUIRE(StartsWith(report, initial));
        return report.substr(initial.size());
    }
};

}  // namespace

TEST_CASE("a diagnosis locks the window, reports its end and follows the start-up report") {
    DiagnosisTool tool("loopback");
    REQUIRE(!tool.initial.empty());
    CheckForgedCompletionsIgnored(tool.main, tool.process.Pid());
    tool.StartDiagnosis();
    CHECK(ItemText(tool.main, IDC_STATUS_TEXT) == kRunStarted);
    CheckForgedCompletionsIgnored(tool.main, tool.process.Pid());

    // Exit, Esc and the close box all do nothing while the run is on.
    Click(tool.main, IDCANCEL);
    ::PostMessageA(::GetDlgItem(tool.main, IDC_REPORT_EDIT), WM_KEYDOWN, VK_ESCAPE, 0);
    ::PostMessageA(tool.main, WM_SYSCOMMAND, SC_CLOSE, 0);
    // The thread takes its posted messages in order; the second marker follows what handling the
    // first three posted in turn (the close box's own cancel command).
    CHECK(HandledPosted(tool.main));
    CHECK(HandledPosted(tool.main));
    CHECK(::IsWindowVisible(tool.main));
    CHECK(tool.process.Running());

    tool.ShowAbout();  // it still opens

    std::string first = tool.FinishDiagnosis(kDoneBox, kDoneStatus);
    CHECK(StartsWith(first, kPingHeader));
    CHECK(first.find(kTimeoutLine) == std::string::npos);
    CHECK(Count(first, kPingHeader) == 3);
    CHECK(Count(first, "[tracert 命令信息]\r\n") == 6);
    CHECK(Count(first, "[Ip Config配置信息]\r\n") == 1);
    CHECK(Count(first, "[NetStat 配置信息]\r\n") == 1);
    CHECK(first.find("127.0.0.1") != std::string::npos);
    CHECK(ItemText(tool.main, IDC_STATUS_TEXT) == kDoneStatus);

    // A second run replaces the first one's text.
    tool.StartDiagnosis();
    CHECK(ItemText(tool.main, IDC_STATUS_TEXT) == kRunStarted);
    std::string second = tool.FinishDiagnosis(kDoneBox, kDoneStatus);
    CHECK(StartsWith(second, kPingHeader));
    CHECK(Count(second, kPingHeader) == 3);
    CHECK(Count(second, "[Ip Config配置信息]\r\n") == 1);
    tool.Exit();
}

TEST_CASE("a second diagnosis downloads the changed update file afresh") {
    DiagnosisTool tool("nginx");
    for (int size : {1536, 2900}) {
        CAPTURE(size);
        REQUIRE(NginxServe("/mirelon/mirelonup35.ini", std::string(size, 'x')));
        tool.StartDiagnosis();
        const std::string diagnosis = tool.FinishDiagnosis(kDoneBox, kDoneStatus);
        CHECK(diagnosis.find("文件大小" + std::to_string(size) + "字节") != std::string::npos);
    }
    tool.Exit();
}

TEST_CASE("the bar counts the probes as they finish") {
    // Pings and tracerts held: only the four other probes can finish, and the bar stops there.
    ConsoleStandIns standIns(ConsoleStandIns::kHeld);
    DiagnosisTool tool("loopback");
    tool.StartDiagnosis();
    REQUIRE(WaitUntil([&] { return Progress(tool.main) == 4; }));
    CHECK(HandledPosted(tool.main));
    CHECK(Progress(tool.main) == 4);
    standIns.Release();
    tool.FinishDiagnosis(kDoneBox, kDoneStatus);
    tool.Exit();
}

TEST_CASE("timed-out runs are reported, shown, and leave the window in use") {
    ConsoleStandIns standIns(ConsoleStandIns::kHeld);
    DiagnosisTool tool("loopback_short");
    CHECK(tool.initial.empty());  // no engine: the diagnosis is the whole text
    for (int round = 0; round < 4; ++round) {
        CAPTURE(round);
        tool.StartDiagnosis();
        std::string diagnosis = tool.FinishDiagnosis(kTimedOutBox, kTimedOutStatus);
        CHECK(StartsWith(diagnosis, kTimeoutLine));
        CHECK(Count(diagnosis, kTimeoutLine) == 1);
        // The run ended the commands it had started; the next round starts without them.
        CHECK(WaitUntil([] { return !StandInsRunning(); }, 1000));
    }
    // Normal use afterwards: the About box, then Exit.
    tool.ShowAbout();
    tool.Exit();
}

TEST_CASE("at the bound each held ping and tracert keeps what its command had printed, in its place") {
    ConsoleStandIns standIns(ConsoleStandIns::kHeld);
    DiagnosisTool tool("loopback_held");
    tool.StartDiagnosis();
    CHECK(WaitUntil([] { return ProcessRunning("tracert.exe") == true; }));
    const std::string diagnosis = tool.FinishDiagnosis(kTimedOutBox, kTimedOutStatus);
    CHECK(WaitUntil([] { return !StandInsRunning(); }, 1000));
    REQUIRE(StartsWith(diagnosis, kTimeoutLine));
    const rk::NetTargets targets = LoopbackTargets(0);
    const struct { const char* tool; int host; } kHeld[] = {{"ping", 0},    {"ping", 1},    {"ping", 2},
                                                            {"tracert", 0}, {"tracert", 1}, {"tracert", 3},
                                                            {"tracert", 4}, {"tracert", 5}, {"tracert", 2}};
    size_t at = std::strlen(kTimeoutLine);
    for (const auto& held : kHeld) {
        const std::string tool = held.tool;
        const std::string section = "[" + tool + " 命令信息]\r\nstand-in " + tool + ".exe " + targets.hosts[held.host] +
                                    "\r\nheld\r\n" + kCutEnd;
        const size_t found = diagnosis.find(section, at);
        CHECK_MESSAGE(found != std::string::npos, section);
        if (found != std::string::npos) at = found + section.size();
    }
    CHECK(diagnosis.find(kPingHeader) == std::strlen(kTimeoutLine));
    // The stopped commands' temp files and the run's folder went once the commands had ended.
    CHECK(WaitUntil([] { return RunLeftovers().empty(); }));
    tool.Exit();
}

TEST_CASE("the shipped build's diagnosis ends when nothing beyond this machine answers") {
    RequireOnlyLoopback();
    DiagnosisTool tool("sample");
    DWORD start = ::GetTickCount();
    // This run may end within moments, so its waiting text is checked with the loopback build.
    tool.StartDiagnosis();
    std::string diagnosis = tool.FinishDiagnosis(kDoneBox, kDoneStatus);
    CHECK(::GetTickCount() - start < 60000);
    CHECK(StartsWith(diagnosis, kPingHeader));
    CHECK(Count(diagnosis, kPingHeader) == 3);
    CHECK(Count(diagnosis, "[tracert 命令信息]\r\n") == 6);
    CHECK(diagnosis.find("update.mirelon.example") != std::string::npos);
    tool.Exit();
}

TEST_CASE("DLLs and console tools planted beside the tool, its current folder, never run") {
    // Told to, Wine searches the program's folder first, as Windows does for DLLs it does not know.
    EnvironmentOverride search("WINEDLLOVERRIDES", "version,riched32,riched20,wintrust,urlmon,comdlg32=n,b");
    EnvironmentOverride mark("REKKOR_STANDIN_MARK", "1");
    const std::string folder = ExeDir() + "e2e\\planted\\";
    const char* const planted[] = {"version.dll", "riched32.dll", "riched20.dll", "wintrust.dll", "urlmon.dll",
                                   "comdlg32.dll", "ipconfig.exe", "ping.exe", "tracert.exe", "netstat.exe", "cmd.exe"};
    for (const char* name : planted) ::DeleteFileA((folder + name + ".ran").c_str());
    PlacedUserinit placed((ExeDir() + "userinit-candidate.exe").c_str());
    DiagnosisTool tool("planted");
    CHECK(tool.initial.find("是否签名: ") != std::string::npos);
    tool.StartDiagnosis();
    const std::string diagnosis = tool.FinishDiagnosis(kDoneBox, kDoneStatus);
    CHECK(StartsWith(diagnosis, kPingHeader));
    CHECK(diagnosis.find("Pinging 127.0.0.1") != std::string::npos);  // the system's
    CHECK(diagnosis.find("stand-in") == std::string::npos);
    // The copy and the save carry the diagnosis too, not only the start-up report.
    REQUIRE(SetClipboardText("stale"));
    Click(tool.main, IDOK);
    HWND box = WaitForDialog(tool.process.Pid(), "诊断报告工具");
    REQUIRE(box != nullptr);
    Click(box, IDNO);
    CHECK(WaitGone(box));
    CHECK(ClipboardText() == tool.Report());
    const std::string saved = folder + "saved.txt";
    ::DeleteFileA(saved.c_str());
    SaveAs(tool, saved);
    CHECK(ReadAll(saved) == tool.Report());
    tool.Exit();
    for (const char* name : planted) CHECK_MESSAGE(!FileExists(folder + name + ".ran"), name);
}
