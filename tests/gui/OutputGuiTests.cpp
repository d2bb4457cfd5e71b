// The copy and save commands in a real window: clipboard, selection, the forum page offer, the
// saved file's bytes, and the failures the user is told about.
#include <doctest/doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/Handle.h"
#include "base/Scoped.h"
#include "res/resource.h"
#include "tests/common/Processes.h"
#include "tests/common/SystemPlacement.h"
#include "tests/gui/Driver.h"
#include "tests/gui/RunningTool.h"
#include "tests/gui/SaveDialog.h"

using namespace rk_test;

namespace {

const char kCaption[] = "诊断报告工具";
const char kForumUrl[] = "http://bbs.mirelon.example/post.php?action=newthread&fid=18&extra=page%3D1";

struct OutputTool : RunningTool {
    using RunningTool::RunningTool;
    HWND WaitForBox() const { return WaitForDialog(process.Pid(), kCaption); }
};

// Presses the copy button and waits for the message box that follows.
HWND Copy(OutputTool& tool) {
    Click(tool.main, IDOK);
    HWND box = tool.WaitForBox();
    REQUIRE(box != nullptr);
    return box;
}

void Answer(HWND box, int button) {
    Click(box, button);
    CHECK(WaitGone(box));
}

// The whole text is selected: the selection starts at 0 and reaches the control's last character.
void CheckWholeTextSelected(const OutputTool& tool, const std::string& report) {
    LRESULT selection = ::SendMessageA(tool.Edit(), EM_GETSEL, 0, 0);  // short texts only
    // The control holds a paragraph's end as one character.
    int characters = ::MultiByteToWideChar(936, 0, report.data(), static_cast<int>(report.size()), nullptr, 0);
    CHECK(LOWORD(selection) == 0);
    CHECK(HIWORD(selection) >= characters - static_cast<int>(Count(report, "\r\n")));
    // The control's own copy of its selection gives the whole text again.
    REQUIRE(SetClipboardText("stale"));
    ::SendMessageA(tool.Edit(), WM_COPY, 0, 0);
    CHECK(ClipboardText(CF_UNICODETEXT) == report);
}

// The prefix's browser is the recorder for one test.
struct BrowserRecorder {
    std::string urlsFile = ExeDir() + "browser-urls.txt";
    KeyAside browsers{"Software\\Wine\\WineBrowser"};

    BrowserRecorder() {
        ::DeleteFileA(urlsFile.c_str());
        // Quoted: the launcher splits the list as a command line, and the build folder may hold spaces.
        const char recorder[] = "\"" RK_URL_RECORDER "\"";
        REQUIRE(::SHSetValueA(HKEY_CURRENT_USER, browsers.key.c_str(), "Browsers", REG_SZ, recorder, sizeof recorder) ==
                ERROR_SUCCESS);
    }
    ~BrowserRecorder() { ::DeleteFileA(urlsFile.c_str()); }
    std::string Urls() const {
        std::string bytes;
        ReadFileBytes(urlsFile, bytes);
        return bytes;
    }
};

// The folder the saves go to, beside this program.
const char kSaveFolder[] = "saved";

// Files a save may have left behind in a folder: its temporary files.
int LeftoverTemporaryFiles(const std::string& folder) {
    int count = 0;
    WIN32_FIND_DATAA data;
    rk::UniqueFind find(::FindFirstFileA((folder + "*.tmp").c_str(), &data));
    if (find) {
        do ++count;
        while (::FindNextFileA(find.get(), &data));
    }
    return count;
}

// Presses the copy button and returns once the command has begun: it selects the text before its
// first try, and a message sent to the tool after that is served only while the command waits to
// try the clipboard again, or once it has ended.
void StartCopy(OutputTool& tool) {
    ::SendMessageA(tool.Edit(), EM_SETSEL, 0, 0);
    Click(tool.main, IDOK);
    REQUIRE(WaitUntil([&] { return HIWORD(::SendMessageA(tool.Edit(), EM_GETSEL, 0, 0)) != 0; }));
}

}  // namespace

TEST_CASE("the copy puts the whole report on the clipboard and selects it; the window stays open") {
    for (const char* layout : {"sample", "only_getreport"}) {
        CAPTURE(layout);
        OutputTool tool(layout);
        std::string report = tool.Report();
        REQUIRE(!report.empty());
        REQUIRE(SetClipboardText("stale"));
        HWND box = Copy(tool);
        CHECK(HasText(box, "诊断报告已经成功拷贝到剪贴板中!是否到论坛求助??"));
        CHECK(::GetDlgItem(box, IDYES) != nullptr);
        CHECK(::GetDlgItem(box, IDNO) != nullptr);
        CHECK(::GetWindow(box, GW_OWNER) == tool.main);
        CHECK(ClipboardText(CF_UNICODETEXT) == report);
        // CF_TEXT is in the system's code page: the report's own bytes where that is 936.
        if (::GetACP() == 936) CHECK(ClipboardText() == report);
        Answer(box, IDNO);
        CHECK(::IsWindowVisible(tool.main));
        CHECK(tool.process.Running());
        CheckWholeTextSelected(tool, report);
        tool.Exit();
        // The report outlives the tool on the clipboard.
        CHECK(ClipboardText(CF_UNICODETEXT) == report);
    }
}

TEST_CASE("an empty report leaves an empty clipboard and is confirmed") {
    OutputTool tool("none");
    REQUIRE(SetClipboardText("stale"));
    HWND box = Copy(tool);
    CHECK(HasText(box, "诊断报告已经成功拷贝到剪贴板中!是否到论坛求助??"));
    CHECK(ClipboardText() == "");
    Answer(box, IDNO);
    tool.Exit();
}

TEST_CASE("a copy while another program holds the clipboard open is reported as failed") {
    OutputTool tool("sample");
    REQUIRE(SetClipboardText("earlier text"));
    REQUIRE(::OpenClipboard(nullptr));
    auto release = rk::MakeScopeExit([] { ::CloseClipboard(); });
    HWND box = Copy(tool);
    CHECK(HasText(box, "诊断报告没有能拷贝到剪贴板中!剪贴板可能正被其他程序占用，请稍后再试。"));
    CHECK(::GetDlgItem(box, IDYES) == nullptr);  // nothing is offered
    ::CloseClipboard();
    release.dismiss();
    CHECK(ClipboardText() == "earlier text");
    Answer(box, IDOK);
    CHECK(::IsWindowVisible(tool.main));
    tool.Exit();
}

TEST_CASE("a copy tries again while another program holds the clipboard when it begins") {
    OutputTool tool("sample");
    const std::string report = tool.Report();
    REQUIRE(!report.empty());
    REQUIRE(SetClipboardText("earlier text"));
    {
        REQUIRE(::OpenClipboard(nullptr));
        auto release = rk::MakeScopeExit([] { ::CloseClipboard(); });
        StartCopy(tool);
    }
    HWND box = tool.WaitForBox();
    REQUIRE(box != nullptr);
    CHECK(HasText(box, "诊断报告已经成功拷贝到剪贴板中!是否到论坛求助??"));
    CHECK(ClipboardText() == report);
    Answer(box, IDNO);
    tool.Exit();
}

TEST_CASE("answering No opens nothing; Yes asks the shell to open the forum's new-thread page") {
    BrowserRecorder browser;
    OutputTool tool("only_getreport");
    Answer(Copy(tool), IDNO);
    Answer(Copy(tool), IDYES);
    CHECK(WaitUntil([&] { return !browser.Urls().empty(); }));
    // A launch after No would have started before the one after Yes; let every launcher end.
    CHECK(WaitUntil([] { return ProcessRunning("winebrowser.exe") == false; }));
    CHECK(browser.Urls() == std::string(kForumUrl) + "\n");
    CHECK(tool.process.Running());
    tool.Exit();
}

TEST_CASE("saving writes the control's text as it stands") {
    FreshFolder saved(ExeDir() + kSaveFolder);
    const std::string folder = saved.path + "\\";
    OutputTool tool("sample");
    std::string report = tool.Report();
    REQUIRE(!report.empty());
    std::string bytes;

    // The proposed name, in the folder the dialog shows: the tool's working folder when no
    // earlier save is remembered.
    std::string proposed = ExeDir() + "e2e\\sample\\QuorChecklog.txt";
    ::DeleteFileA(proposed.c_str());
    const KeyAside noFolderRemembered(kLastVisitedFolders);
    SaveAs(tool, "");
    CHECK(ReadFileBytes(proposed, bytes));
    CHECK(bytes == report);
    ::DeleteFileA(proposed.c_str());

    // A typed path with the proposed name; nothing is added: no terminator, marker or line end.
    std::string path = folder + "QuorChecklog.txt";
    ::DeleteFileA(path.c_str());
    SaveAs(tool, path);
    CHECK(ReadFileBytes(path, bytes));
    CHECK(bytes == report);

    // A name without extension is used as typed.
    path = folder + "report";
    ::DeleteFileA(path.c_str());
    ::DeleteFileA((path + ".txt").c_str());
    SaveAs(tool, path);
    CHECK(ReadFileBytes(path, bytes));
    CHECK(bytes == report);
    CHECK(!FileExists(path + ".txt"));

    // An existing, longer file is replaced without a question (a question would keep the file
    // dialog open).
    path = folder + "existing.txt";
    REQUIRE(WriteAll(path, std::string(5000, 'x')));
    SaveAs(tool, path);
    CHECK(ReadFileBytes(path, bytes));
    CHECK(bytes == report);

    // Cancelling writes nothing.
    path = folder + "cancelled.txt";
    ::DeleteFileA(path.c_str());
    Click(tool.main, IDC_SAVE);
    HWND dialog = WaitForFileDialog(tool);
    REQUIRE(dialog != nullptr);
    ::SendMessageA(NameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    CloseFileDialog(tool, dialog, IDCANCEL);
    CHECK(!FileExists(path));

    // No failure message followed any of these saves, and nothing was left beside the files.
    CHECK(FindDialog(tool.process.Pid(), kCaption) == nullptr);
    CHECK(LeftoverTemporaryFiles(folder) == 0);
    CHECK(LeftoverTemporaryFiles(ExeDir() + "e2e\\sample\\") == 0);
    tool.Exit();
}

TEST_CASE("saving an empty report gives a file of 0 bytes") {
    FreshFolder saved(ExeDir() + kSaveFolder);
    std::string path = saved.File("empty.txt");
    REQUIRE(WriteAll(path, "old content"));
    OutputTool tool("none");
    SaveAs(tool, path);
    std::string bytes = "unread";
    CHECK(ReadFileBytes(path, bytes));
    CHECK(bytes.empty());
    CHECK(FindDialog(tool.process.Pid(), kCaption) == nullptr);
    tool.Exit();
}

TEST_CASE("a save that cannot create the file names the path in a failure message") {
    FreshFolder saved(ExeDir() + kSaveFolder);
    const std::string folder = saved.path + "\\";
    OutputTool tool("sample");
    auto expectFailure = [&](const std::string& path) {
        SaveAs(tool, path);
        HWND box = tool.WaitForBox();
        REQUIRE(box != nullptr);
        CHECK(HasText(box, "诊断报告没有能保存到文件中!无法写入文件:\r\n" + path));
        CHECK(::GetDlgItem(box, IDYES) == nullptr);
        Answer(box, IDOK);
        CHECK(::IsWindowVisible(tool.main));
    };
    // A folder that does not exist: CreateFileA fails with ERROR_PATH_NOT_FOUND.
    ::RemoveDirectoryA((folder + "missing").c_str());
    expectFailure(folder + "missing\\QuorChecklog.txt");
    // A file that another program holds open without sharing: a sharing violation.
    std::string held = folder + "held.txt";
    rk::UniqueFile holder(::CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    REQUIRE(holder);
    expectFailure(held);
    holder.reset();
    CHECK(LeftoverTemporaryFiles(folder) == 0);
    tool.Exit();
}
