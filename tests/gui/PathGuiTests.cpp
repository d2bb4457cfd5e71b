// The tool in unusual places: started from a folder named in Chinese whose characters end in the
// byte 0x5C (the backslash), and from folders whose full path is 250 bytes or more; a diagnosis
// with the temp folder named in Chinese; a save to a Chinese name in a Chinese folder. Each ends
// with the report or the described outcome, and with no file in the wrong place.
//
// 診 is D4 5C and 運 is DF 5C in code page 936: a byte-wise search for '\' finds their second
// byte. Sources are UTF-8; the compiler writes these texts in code page 936.
#include <doctest/doctest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Handle.h"
#include "res/resource.h"
#include "tests/common/Environment.h"
#include "tests/common/ExpectedText.h"
#include "tests/common/LoopbackNginx.h"
#include "tests/gui/Driver.h"
#include "tests/gui/RunningTool.h"
#include "tests/gui/SaveDialog.h"
#include "tests/common/SystemPlacement.h"
#include "tests/common/TestPaths.h"

using namespace rk_test;

namespace {

const char kCharacterEndingIn5C[] = "診";  // D4 5C
const char kStatusHint[] = "如果升级有问题，请点击网络诊断";
const char kOutputCaption[] = "诊断报告工具";

std::vector<std::string> Names(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

// The test's places lie at the top of the prefix's own drive, so the lengths below do not depend
// on where the checkout is.
struct PlacesRoot : FreshFolder {
    PlacesRoot() : FreshFolder("C:\\rkplaces") {}
};

// Copies the tool of an e2e layout, with its check.dll when it has one, into `folder`.
void PlaceTool(const char* layout, const std::string& folder) {
    const std::string from = ExeDir() + "e2e\\" + layout + "\\";
    REQUIRE(::CopyFileA((from + "Rekkor.exe").c_str(), (folder + "\\Rekkor.exe").c_str(), FALSE));
    if (::GetFileAttributesA((from + "check.dll").c_str()) != INVALID_FILE_ATTRIBUTES)
        REQUIRE(::CopyFileA((from + "check.dll").c_str(), (folder + "\\check.dll").c_str(), FALSE));
}

// Folders below `parent` (an existing folder) that make the full path `bytes` long: Chinese names
// of up to 80 bytes (a Linux file name holds 255 bytes of UTF-8, three for each of these
// characters), with a letter in front where the count is odd.
std::string MakeFolderOfLength(const std::string& parent, size_t bytes) {
    std::string folder = parent;
    while (folder.size() < bytes) {
        size_t room = std::min<size_t>(bytes - folder.size() - 1, 80);
        std::string name = room % 2 ? "a" : "";
        while (name.size() + 2 <= room) name += kCharacterEndingIn5C;
        if (name.empty()) name = "a";
        folder += "\\" + name;
        REQUIRE(::CreateDirectoryA(folder.c_str(), nullptr));
    }
    return folder;
}

}  // namespace

TEST_CASE("started from a Chinese folder whose characters end in 0x5C, the tool finds check.dll and saves where told") {
    PlacesRoot root;
    const std::string start = root.path + "\\软件診";
    REQUIRE(::CreateDirectoryA(start.c_str(), nullptr));
    PlaceTool("sample", start);

    RunningTool tool(StartedFrom{start + "\\Rekkor.exe", ""});
    const std::string report = tool.Report();
    CHECK(StartsWith(report, "[系统概况]\r\n"));  // the sample engine beside the exe
    CHECK(ItemText(tool.main, IDC_STATUS_TEXT) == kStatusHint);

    // The proposed name lands in the folder the dialog shows: the tool's own.
    const KeyAside noFolderRemembered(kLastVisitedFolders);
    SaveAs(tool, "");
    std::string bytes;
    CHECK(ReadFileBytes(start + "\\QuorChecklog.txt", bytes));
    CHECK(bytes == report);

    // A Chinese name in a Chinese folder, both ending in a character whose trail byte is 0x5C.
    const std::string saveFolder = root.path + "\\报告診";
    REQUIRE(::CreateDirectoryA(saveFolder.c_str(), nullptr));
    const std::string target = saveFolder + "\\結果診.txt";
    SaveAs(tool, target);
    bytes.clear();
    CHECK(ReadFileBytes(target, bytes));
    CHECK(bytes == report);
    CHECK(FindDialog(tool.process.Pid(), kOutputCaption) == nullptr);  // no failure message
    tool.Exit();

    // Nothing anywhere else: no folder cut at a 0x5C byte, no temporary file left.
    CHECK(Listing(root.path) == Names({"报告診", "软件診"}));
    CHECK(Listing(start) == Names({"QuorChecklog.txt", "Rekkor.exe", "check.dll"}));
    CHECK(Listing(saveFolder) == Names({"結果診.txt"}));
}

TEST_CASE("started from a folder of 250 bytes or more, check.dll beside the tool is found, never the current folder's") {
    PlacesRoot root;
    // Another engine in the working folder: the tool must use the one beside itself, or none.
    const std::string decoy = ExeDir() + "e2e\\only_getreport\\check.dll";
    REQUIRE(::CopyFileA(decoy.c_str(), (root.path + "\\check.dll").c_str(), FALSE));

    // Paths are UTF-16: the joined path fits in 260 characters although it passes 260 bytes.
    for (size_t folderBytes : {248, 249, 250, 251, 400}) {
        struct { size_t folderBytes; } c{folderBytes};
        CAPTURE(c.folderBytes);
        const std::string parent = root.path + "\\long" + std::to_string(c.folderBytes);
        REQUIRE(::CreateDirectoryA(parent.c_str(), nullptr));
        REQUIRE(parent.size() + 2 <= c.folderBytes);
        const std::string folder = MakeFolderOfLength(parent, c.folderBytes);
        REQUIRE(folder.size() == c.folderBytes);
        PlaceTool("sample", folder);
        RunningTool tool(StartedFrom{folder + "\\Rekkor.exe", root.path});
        const std::string report = tool.Report();
        CHECK(StartsWith(report, "[系统概况]\r\n"));
        CHECK(report.find("only EngGetReport") == std::string::npos);
        CHECK(ItemText(tool.main, IDC_STATUS_TEXT) == kStatusHint);
        tool.Exit();
        CHECK(Listing(folder) == Names({"Rekkor.exe", "check.dll"}));
    }
}

TEST_CASE("a diagnosis with the temp folder named in Chinese, or in Hangul, which no ANSI code page holds with it") {
    PlacesRoot root;
    // 運 is DF 5C in code page 936.
    for (const std::wstring name : {std::wstring(L"\u4E34\u65F6\u904B"), std::wstring(L"\uD14C\uC2A4\uD2B8")}) {
        const std::wstring temp = std::wstring(L"C:\\rkplaces\\") + name;
        REQUIRE(::CreateDirectoryW(temp.c_str(), nullptr));
        rk_test::EnvironmentOverride tmp("TMP", ""), tempVariable("TEMP", "");  // put back afterwards
        REQUIRE((::SetEnvironmentVariableW(L"TMP", temp.c_str()) && ::SetEnvironmentVariableW(L"TEMP", temp.c_str())));

        REQUIRE(NginxServe("/mirelon/mirelonup35.ini", std::string(1536, 'x')));
        RunningTool tool("nginx");
        const std::string initial = tool.Report();
        Click(tool.main, IDC_NET_DIAG);
        REQUIRE(WaitUntil([&] { return AllButtons(tool.main, false); }));
        HWND box = WaitForDialog(tool.process.Pid(), "Mirelon", 120000);
        REQUIRE(box != nullptr);
        CHECK(HasText(box, "网络诊断结束!"));
        Click(box, IDOK);
        CHECK(WaitGone(box));
        REQUIRE(WaitUntil([&] { return AllButtons(tool.main, true); }));
        const std::string report = tool.Report();
        REQUIRE(StartsWith(report, initial));
        const std::string diagnosis = report.substr(initial.size());

        // The console captures went through temp files in that folder and read them back.
        CHECK(Count(diagnosis, "[ping 命令信息]\r\n") == 3);
        CHECK(diagnosis.find("127.0.0.1") != std::string::npos);
        CHECK(Count(diagnosis, "[Ip Config配置信息]\r\n") == 1);
        CHECK(diagnosis.find(std::string("[Ip Config配置信息]\r\n") + kSeparator) == std::string::npos);  // not empty
        CHECK(diagnosis.find("失败: 82...") == std::string::npos);  // the run's folder was made
        CHECK(Count(diagnosis, "[NetStat 配置信息]\r\n") == 1);
        // The download went through that folder too; the lookup aims at a port where nothing listens.
        CHECK(diagnosis.find("文件大小1536字节") != std::string::npos);
        CHECK(diagnosis.find(std::string("[访问ipseeker获取的IP地址]\r\n\r\n连接IpSeeker失败\r\n") + kSeparator) !=
              std::string::npos);
        tool.Exit();

        // Every temp file was removed from that folder, and nothing was made beside it.
        WIN32_FIND_DATAW found;
        rk::UniqueFind left(::FindFirstFileW((temp + L"\\*.*").c_str(), &found));
        int entries = 0;
        if (left) do ++entries; while (::FindNextFileW(left.get(), &found));
        CHECK(entries == 2);  // "." and ".."
        CHECK(::RemoveDirectoryW(temp.c_str()));
    }
    CHECK(Listing(root.path).empty());
}
