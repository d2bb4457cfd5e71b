// The network-diagnosis button in a real window: the locked window during a run, the outcome
// in the status line and the message box, and the report text afterwards. The loopback builds
// aim every probe at this machine; the shipped build runs in a namespace that has only loopback.
#include <doctest/doctest.h>
#include <windows.h>

#include <tlhelp32.h>

#include <string>

#include "res/resource.h"
#include "tests/gui/Driver.h"
#include "tests/gui/RunningTool.h"

using namespace rk_test;

namespace {

const char kRunStarted[] = "请耐心等待，此过程可能需要大约3分钟左右......";
const char kDoneStatus[] = "网络诊断结束......";
const char kDoneBox[] = "网络诊断结束!";
const char kTimedOutStatus[] = "网络诊断超时失败!!!";
const char kTimedOutBox[] = "网络诊断超时失败!";
const char kTimeoutLine[] = "网络诊断超时.....\r\n\r\n";
const char kPingHeader[] = "[ping 命令信息]\r\n";
const char kAboutCaption[] = "关于 Rekkor";
bool HasText(HWND dialog, const std::string& text) {
    for (const std::string& s : StaticTexts(dialog))
        if (s == text) return true;
    return false;
}

// Completions any program on the desktop can post, with a bad pointer and with none: nothing shows.
void CheckForgedCompletionsIgnored(HWND main, DWORD pid) {
    ::PostMessageA(main, WM_APP + 1, 1, 0x5A5A5A5A);
    ::PostMessageA(main, WM_APP + 1, 0, 0);
    CHECK(HandledPosted(main));
    CHECK(FindDialog(pid, "Mirelon") == nullptr);
}

// Console commands still running, such as those of captures abandoned at the bound.
bool ConsoleCommandsRunning() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = ::Process32First(snapshot, &entry); more && !found; more = ::Process32Next(snapshot, &entry))
        found = _stricmp(entry.szExeFile, "ping.exe") == 0;
    ::CloseHandle(snapshot);
    return found;
}

struct DiagnosisTool : RunningTool {
    std::string initial;
    std::string before;  // the report when the latest run started

    explicit DiagnosisTool(const char* layout) : RunningTool(layout) { initial = Report(); }

    // Clicks the button and waits until the window is locked.
    void StartDiagnosis() {
        before = Report();
        Click(main, IDC_NET_DIAG);
        REQUIRE(WaitUntil([&] { return AllButtons(main, false); }));
    }

    // Waits for the outcome box, closes it and returns the diagnosis behind the start-up report.
    std::string FinishDiagnosis(const char* boxText, const char* statusText) {
        HWND box = WaitForDialog(process.Pid(), "Mirelon", 120000);
        REQUIRE(box != nullptr);
        CHECK(HasText(box, boxText));
        CHECK(::GetWindow(box, GW_OWNER) == main);
        CHECK(ItemText(main, IDC_STATUS_TEXT) == statusText);
        // The window stays locked until the box is closed, and the text comes only then.
        CHECK(AllButtons(main, false));
        CHECK(Report() == before);
        Click(box, IDOK);
        CHECK(WaitGone(box));
        REQUIRE(WaitUntil([&] { return AllButtons(main, true); }));
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
    TextOf(tool.main);  // a sent message is served after the posted ones
    CHECK(::IsWindowVisible(tool.main));
    CHECK(tool.process.Running());

    // The About box still opens.
    ::PostMessageA(tool.main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = WaitForDialog(tool.process.Pid(), kAboutCaption);
    REQUIRE(about != nullptr);
    Click(about, IDOK);
    CHECK(WaitGone(about));

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

TEST_CASE("timed-out runs are reported, shown, and leave the window in use") {
    DiagnosisTool tool("loopback_short");
    CHECK(tool.initial.empty());  // no engine: the diagnosis is the whole text
    for (int round = 0; round < 4; ++round) {
        CAPTURE(round);
        tool.StartDiagnosis();
        std::string diagnosis = tool.FinishDiagnosis(kTimedOutBox, kTimedOutStatus);
        CHECK(StartsWith(diagnosis, kTimeoutLine));
        // The pings outlast the bound, so their sections are missing.
        CHECK(diagnosis.find("[ping") == std::string::npos);
        CHECK(Count(diagnosis, kTimeoutLine) == 1);
        // The abandoned pings end on their own; the next round starts without them.
        CHECK(WaitUntil([] { return !ConsoleCommandsRunning(); }));
    }
    // Normal use afterwards: the About box, then Exit.
    ::PostMessageA(tool.main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = WaitForDialog(tool.process.Pid(), kAboutCaption);
    REQUIRE(about != nullptr);
    Click(about, IDOK);
    CHECK(WaitGone(about));
    tool.Exit();
}

TEST_CASE("the shipped build's diagnosis ends when nothing beyond this machine answers") {
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
