// The tool in a real window: start-up report, main window, About box, exit paths, and the
// engines that misbehave on purpose.
#include <doctest/doctest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Handle.h"
#include "res/resource.h"
#include "base/Scoped.h"
#include "tests/common/Environment.h"
#include "tests/common/SystemPlacement.h"
#include "tests/gui/Driver.h"
#include "tests/gui/RunningTool.h"

using namespace rk_test;

namespace {

const char kStatusHint[] = "如果升级有问题，请点击网络诊断";
const char kWaitText[] = "正在生成报告中，请耐心等候";

// A window that the taskbar shows a button for: visible, and unowned or marked as an app window.
bool HasTaskbarButton(HWND hwnd) {
    if (!::IsWindowVisible(hwnd)) return false;
    LONG exStyle = ::GetWindowLongA(hwnd, GWL_EXSTYLE);
    if (exStyle & WS_EX_TOOLWINDOW) return false;
    return ::GetWindow(hwnd, GW_OWNER) == nullptr || (exStyle & WS_EX_APPWINDOW) != 0;
}

// Looks at the process's windows each time it is called during start-up and keeps the class of
// every window that has a taskbar button but no caption. The main window is left out: once shown,
// its title bar is empty by design.
struct EmptyCaptionWatch {
    DWORD pid;
    std::vector<HWND> seen;
    std::vector<std::string> offenders;
    void Look() {
        for (HWND hwnd : TopLevelWindows(pid)) {
            if (::GetDlgItem(hwnd, IDC_REPORT_EDIT) || !HasTaskbarButton(hwnd) || !TextOf(hwnd).empty()) continue;
            if (std::find(seen.begin(), seen.end(), hwnd) != seen.end()) continue;
            seen.push_back(hwnd);
            offenders.push_back(ClassOf(hwnd));
        }
    }
};

// The tool with the engine that holds its report until Release.
struct BlockedStart {
    rk::UniqueHandle release{::CreateEventA(nullptr, TRUE, FALSE, "RekkorTestEngineRelease")};
    AppProcess process;
    BlockedStart() {
        REQUIRE(release);
        ::ResetEvent(release.get());
        REQUIRE(process.Start(Layout("blocking")));
    }
    ~BlockedStart() { Release(); }
    void Release() { ::SetEvent(release.get()); }
    void Exit(HWND main) {
        Click(main, IDCANCEL);
        CHECK(process.WaitExit());
    }
};

}  // namespace

TEST_CASE("with the sample engine the main window shows its report") {
    RunningTool tool("sample");
    std::string report = tool.Report();
    CHECK(report.compare(0, 12, "[系统概况]\r\n") == 0);
    CHECK(report.find("操作系统版本: ") != std::string::npos);
    CHECK(report.find("处理器数量: ") != std::string::npos);
    CHECK(ItemText(tool.main, IDC_STATUS_TEXT) == kStatusHint);
    CHECK(TextOf(tool.main) == "");  // the template's caption is cleared
    CHECK(ItemText(tool.main, IDOK) == "复制到剪贴板");
    CHECK(ItemText(tool.main, IDC_SAVE) == "保存结果到文件");
    CHECK(ItemText(tool.main, IDC_NET_DIAG) == "网络诊断(无法升级请诊断)");
    CHECK(ItemText(tool.main, IDCANCEL) == "退出");
    HWND edit = ::GetDlgItem(tool.main, IDC_REPORT_EDIT);
    CHECK(ClassOf(edit) == "RichEdit20W");
    CHECK((::GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) != 0);
    // The engine is freed once the run is over.
    CHECK(WaitUntil([&] { return ModuleLoaded(tool.process.Pid(), "check.dll") == false; }));
    // The diagnosis's and the save's DLLs load when first used, not at start-up.
    CHECK(ModuleLoaded(tool.process.Pid(), "urlmon.dll") == false);
    CHECK(ModuleLoaded(tool.process.Pid(), "comdlg32.dll") == false);
    tool.Exit();
}

TEST_CASE("the window ends by Exit, Esc and the close box") {
    SUBCASE("Exit button") {
        RunningTool tool("none");
        tool.Exit();
    }
    SUBCASE("Esc") {
        RunningTool tool("none");
        ::PostMessageA(::GetDlgItem(tool.main, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
        CHECK(tool.process.WaitExit());
    }
    SUBCASE("close box") {
        RunningTool tool("none");
        ::PostMessageA(tool.main, WM_SYSCOMMAND, SC_CLOSE, 0);
        CHECK(tool.process.WaitExit());
    }
}

TEST_CASE("a teardown another program sends to the idle window leaves Exit working") {
    RunningTool tool("none");
    DWORD_PTR answer = 0;
    // A sent message has been handled once its send returns.
    CHECK(::SendMessageTimeoutA(tool.main, WM_NCDESTROY, 0, 0, SMTO_BLOCK, kWaitMs, &answer));
    CHECK(::SendMessageTimeoutA(tool.main, WM_DESTROY, 0, 0, SMTO_BLOCK, kWaitMs, &answer));
    Click(tool.main, IDCANCEL);
    CHECK(tool.process.WaitExit(5000));
}

TEST_CASE("the copy button's command leaves the window open") {
    RunningTool tool("none");
    Click(tool.main, IDOK);
    // The copy ends in its message box; answering it returns to the main window.
    HWND box = WaitForDialog(tool.process.Pid(), "诊断报告工具");
    REQUIRE(box != nullptr);
    Click(box, IDNO);
    CHECK(WaitGone(box));
    CHECK(TextOf(tool.main) == "");
    CHECK(tool.process.Running());
    CHECK(::IsWindowVisible(tool.main));
    tool.Exit();
}

TEST_CASE("the system menu's About entry opens the About box") {
    RunningTool tool("none");
    for (WPARAM command : {WPARAM(IDM_ABOUTBOX), WPARAM(IDM_ABOUTBOX + 15)}) tool.CloseAbout(tool.OpenAbout(command));
    tool.Exit();
}

TEST_CASE("the system menu ends in the About entry") {
    // The entry's text comes from the string table.
    HMODULE exe = ::LoadLibraryExA(Layout("none").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    REQUIRE(exe != nullptr);
    wchar_t text[128] = {};
    CHECK(::LoadStringW(exe, IDS_ABOUTBOX, text, 128) > 0);
    CHECK(Cp936(text) == "关于 Rekkor(&A)...");
    ::FreeLibrary(exe);

    // The menu cannot be read from another process here, so it is used as a user would: opened
    // from the keyboard, Up from its first entry to its last, then Enter.
    RunningTool tool("none");
    ::PostMessageA(tool.main, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    HWND popup = nullptr;
    REQUIRE(WaitUntil([&] {
        for (HWND window : TopLevelWindows(tool.process.Pid()))
            if (ClassOf(window) == "#32768" && ::IsWindowVisible(window)) popup = window;
        return popup != nullptr;
    }));
    ::PostMessageA(tool.main, WM_KEYDOWN, VK_UP, 0);
    ::PostMessageA(tool.main, WM_KEYDOWN, VK_RETURN, 0);
    tool.CloseAbout(WaitForDialog(tool.process.Pid(), "关于 Rekkor"));
    tool.Exit();
}

TEST_CASE("without check.dll the window opens with an empty report") {
    RunningTool tool("none");
    CHECK(tool.Report() == "");
    CHECK(ItemText(tool.main, IDC_STATUS_TEXT) == kStatusHint);
    tool.Exit();
}

TEST_CASE("misbehaving engines") {
    SUBCASE("an engine that exports only EngGetReport yields its text") {
        RunningTool tool("only_getreport");
        CHECK(tool.Report().compare(0, 19, "only EngGetReport\r\n") == 0);
        tool.Exit();
    }
    SUBCASE("an engine that imports a library lying beside it") {
        RunningTool tool("beside");
        CHECK(StartsWith(tool.Report(), "engine library beside check.dll\r\n"));
        tool.Exit();
    }
    SUBCASE("an engine whose EngLib_Init fails yields its text without PrepareReport") {
        RunningTool tool("init_fails");  // its PrepareReport would abort the process
        CHECK(tool.Report().compare(0, 32, "init failed, text all the same\r\n") == 0);
        tool.Exit();
    }
    SUBCASE("a fault inside EngGetReport gives an empty report and frees the library") {
        RunningTool tool("fault");
        CHECK(tool.Report() == "");
        CHECK(FindDialogWithText(tool.process.Pid(), "正在生成报告中，请耐心等候") == nullptr);
        CHECK(WaitUntil([&] { return ModuleLoaded(tool.process.Pid(), "check.dll") == false; }));
        tool.Exit();
    }
    SUBCASE("a text of 1048575 bytes is shown alone, with no section behind it") {
        RunningTool tool("fill");
        std::string report = tool.Report();
        CHECK(!report.empty());
        CHECK(report.find_first_not_of('A') == std::string::npos);
        tool.Exit();
    }
    SUBCASE("a text that leaves 10 bytes of room is followed by as much of the probe section as fits") {
        EnvironmentOverride room("REKKOR_TEST_FILL_ROOM", "10");
        RunningTool tool("fill");
        const std::string report = tool.Report();
        CHECK(report.find_first_not_of('A') == 1048566);
        CHECK(report.substr(1048566) == "[userinit");
        // Wine grows the limit to fit each insert; Windows cuts the insert at 32,767 characters.
        CHECK(::SendMessageA(::GetDlgItem(tool.main, IDC_REPORT_EDIT), EM_GETLIMITTEXT, 0, 0) == 0x7FFFFFFE);
        tool.Exit();
    }
    SUBCASE("a text without a terminator is kept within the buffer") {
        RunningTool tool("noterm");
        std::string report = tool.Report();
        CHECK(!report.empty());
        CHECK(report.find_first_not_of('B') == std::string::npos);
        tool.Exit();
    }
}

TEST_CASE("the wait dialog ignores its close box, Enter and Esc until the report is done") {
    BlockedStart blocked;
    const AppProcess& process = blocked.process;
    HWND wait = nullptr;
    REQUIRE(WaitUntil([&] { return (wait = FindDialogWithText(process.Pid(), "正在生成报告中，请耐心等候")) != nullptr; }));
    CHECK(TextOf(wait) == "");
    CHECK(ModuleLoaded(process.Pid(), "check.dll") == true);  // the engine holds the report
    ::PostMessageA(wait, WM_SYSCOMMAND, SC_CLOSE, 0);
    ::PostMessageA(wait, WM_CLOSE, 0, 0);
    ::PostMessageA(wait, WM_COMMAND, IDOK, 0);
    ::PostMessageA(wait, WM_COMMAND, IDCANCEL, 0);
    // Nor is a command 1200 from elsewhere before the engine is done, or one with a notification code.
    ::PostMessageA(wait, WM_COMMAND, ID_REPORT_DONE, 0);
    ::PostMessageA(wait, WM_COMMAND, MAKEWPARAM(ID_REPORT_DONE, 1), 0);
    CHECK(HandledPosted(wait));
    CHECK(::IsWindowVisible(wait));
    CHECK(FindMainWindow(process.Pid()) == nullptr);
    blocked.Release();
    HWND main = WaitForMainWindow(process.Pid());
    REQUIRE(main != nullptr);
    CHECK(!::IsWindow(wait));
    CHECK(ItemText(main, IDC_REPORT_EDIT).compare(0, 10, "released\r\n") == 0);
    blocked.Exit(main);
}

TEST_CASE("a WM_QUIT posted to the wait dialog's thread shows no report but the engine's whole one") {
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, "RekkorTestEngineRelease");
    REQUIRE(release != nullptr);
    ::ResetEvent(release);
    AppProcess process;
    REQUIRE(process.Start(Layout("blocking")));
    HWND wait = nullptr;
    REQUIRE(WaitUntil([&] { return (wait = FindDialogWithText(process.Pid(), kWaitText)) != nullptr; }));
    ::PostThreadMessageA(::GetWindowThreadProcessId(wait, nullptr), WM_QUIT, 0, 0);
    // Until the tool ends, any main window it shows holds the engine's whole report. Looked for
    // without pause: a window shown and torn down at once lives only for a moment.
    std::vector<std::string> shown;
    const DWORD start = ::GetTickCount();
    while (process.Running() && ::GetTickCount() - start < kWaitMs) {
        if (HWND main = FindMainWindow(process.Pid())) shown.push_back(ItemText(main, IDC_REPORT_EDIT));
        if (!::IsWindow(wait)) ::SetEvent(release);
    }
    for (const std::string& report : shown) CHECK(report.compare(0, 10, "released\r\n") == 0);
    if (process.Running()) Click(FindMainWindow(process.Pid()), IDCANCEL);
    CHECK(process.WaitExit());
    DWORD code = 1;
    CHECK(::GetExitCodeProcess(process.Handle(), &code));
    CHECK(code == 0);
    ::CloseHandle(release);
}

TEST_CASE("Rekkor.exe carries version 2.0.1.1 and its manifest") {
    std::string exe = Layout("none");
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeA(exe.c_str(), &handle);
    REQUIRE(size > 0);
    std::string block(size, '\0');
    REQUIRE(::GetFileVersionInfoA(exe.c_str(), 0, size, &block[0]));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    REQUIRE(::VerQueryValueA(&block[0], "\\", reinterpret_cast<void**>(&fixed), &length));
    CHECK(fixed->dwFileVersionMS == 0x00020000);
    CHECK(fixed->dwFileVersionLS == 0x00010001);
    CHECK(fixed->dwProductVersionMS == 0x00020000);
    CHECK(fixed->dwProductVersionLS == 0x00010001);
    char* value = nullptr;
    REQUIRE(::VerQueryValueA(&block[0], "\\StringFileInfo\\080404b0\\FileVersion", reinterpret_cast<void**>(&value),
                             &length));
    CHECK(std::string(value) == "2, 0, 1, 1");

    HMODULE image = ::LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    REQUIRE(image != nullptr);
    HRSRC manifest = ::FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    REQUIRE(manifest != nullptr);
    std::string text(static_cast<const char*>(::LockResource(::LoadResource(image, manifest))),
                     ::SizeofResource(image, manifest));
    CHECK(text.find("level=\"requireAdministrator\"") != std::string::npos);
    CHECK(text.find("uiAccess=\"false\"") != std::string::npos);
    CHECK(text.find("Microsoft.Windows.Common-Controls") != std::string::npos);
    CHECK(text.find("name=\"Rekkor\"") != std::string::npos);
    // The architecture this build runs on, or the system refuses to start it.
    const char* arch = sizeof(void*) == 8 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\"";
    CHECK(text.find(arch) != std::string::npos);
    CHECK(text.find("processorArchitecture=\"@") == std::string::npos);
    ::FreeLibrary(image);
}

TEST_CASE("the About box is owned by the main window, which it keeps disabled while open") {
    RunningTool tool("none");
    CHECK(::IsWindowEnabled(tool.main));
    HWND about = tool.OpenAbout();
    REQUIRE(about != nullptr);
    CHECK(::GetWindow(about, GW_OWNER) == tool.main);
    CHECK(!::IsWindowEnabled(tool.main));
    // No taskbar button of its own: the main window keeps the only one.
    CHECK(!HasTaskbarButton(about));
    for (HWND hwnd : TopLevelWindows(tool.process.Pid()))
        if (HasTaskbarButton(hwnd)) CHECK(hwnd == tool.main);
    tool.CloseAbout(about);
    CHECK(WaitUntil([&] { return ::IsWindowEnabled(tool.main) != FALSE; }));
    tool.Exit();
}

TEST_CASE("during start-up the wait dialog is owned by the main window; no window with an empty caption gets a taskbar button") {
    BlockedStart blocked;
    const AppProcess& process = blocked.process;
    EmptyCaptionWatch watch{process.Pid(), {}, {}};
    HWND wait = nullptr;
    REQUIRE(WaitUntil([&] {
        watch.Look();
        return (wait = FindDialogWithText(process.Pid(), kWaitText)) != nullptr;
    }));
    // The engine holds the report here: the wait dialog is up, the main window not yet shown.
    watch.Look();
    HWND owner = ::GetWindow(wait, GW_OWNER);
    CHECK(owner != nullptr);
    CHECK(::GetDlgItem(owner, IDC_REPORT_EDIT) != nullptr);
    CHECK(!::IsWindowVisible(owner));
    CHECK(!HasTaskbarButton(wait));
    blocked.Release();
    HWND main = nullptr;
    REQUIRE(WaitUntil([&] {
        watch.Look();
        return (main = FindMainWindow(process.Pid())) != nullptr;
    }));
    CHECK(main == owner);
    for (const std::string& offender : watch.offenders)
        FAIL_CHECK("a window with a taskbar button and no caption: " << offender);
    blocked.Exit(main);
}

namespace {
BOOL CALLBACK OutsideParent(HWND child, LPARAM outside) {
    RECT client, rect;
    ::GetClientRect(::GetParent(child), &client);
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    if (::GetParent(child) == ::GetAncestor(child, GA_ROOT) && ::IsWindowVisible(child) &&
        (rect.left < 0 || rect.top < 0 || rect.right > client.right || rect.bottom > client.bottom))
        ++*reinterpret_cast<int*>(outside);
    return TRUE;
}
}  // namespace

TEST_CASE("at 144 DPI every control lies inside the main window and the report's first line shows whole") {
    // A new process takes Wine's DPI from here.
    UniqueKey desktop = OpenUserKey("Control Panel\\Desktop", true);
    REQUIRE(desktop);
    DWORD dpi = 144;
    REQUIRE(::RegSetValueExA(desktop.get(), "LogPixels", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dpi), sizeof dpi) == ERROR_SUCCESS);
    auto restore = rk::MakeScopeExit([&] { ::RegDeleteValueA(desktop.get(), "LogPixels"); });
    RunningTool tool("sample");
    int outside = 0;
    ::EnumChildWindows(tool.main, &OutsideParent, reinterpret_cast<LPARAM>(&outside));
    CHECK(outside == 0);
    HWND edit = ::GetDlgItem(tool.main, IDC_REPORT_EDIT);
    RECT format = {};
    ::SendMessageA(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    // From another process, the packed form: the control answers x and y in one value.
    const LRESULT first = ::SendMessageA(edit, EM_POSFROMCHAR, 0, 0);
    const LRESULT second = ::SendMessageA(edit, EM_POSFROMCHAR, ::SendMessageA(edit, EM_LINEINDEX, 1, 0), 0);
    CHECK(HIWORD(second) > HIWORD(first));  // the text is laid out in lines of some height
    CHECK((LOWORD(first) >= format.left && HIWORD(first) >= format.top && HIWORD(second) <= format.bottom));
    tool.Exit();
}
