// ipconfig, ping, tracert and netstat, started by their full path in the system directory with
// their standard output in a file of the run's folder, read back under the section header. No
// command interpreter: it would search the current directory for the tool first and parse the
// rest of the line, and neither may be left to what another program controls.
#include <cstring>
#include <vector>

#include "base/Handle.h"
#include "base/ReportCodePage.h"
#include "base/ReportText.h"
#include "netdiag/DiagnosisRun.h"
#include "netdiag/NetDiagnostics.h"
#include "netdiag/RunFolder.h"

namespace rk {

const CaptureKind kIpConfigCapture = {"[Ip Config配置信息]\r\n", L"ipconfig", L" /all", false};
const CaptureKind kPingCapture = {"[ping 命令信息]\r\n", L"ping", L"", true};
const CaptureKind kTracertCapture = {"[tracert 命令信息]\r\n", L"tracert", L"", true};
const CaptureKind kNetStatCapture = {"[NetStat 配置信息]\r\n", L"netstat", L" -nr", false};

namespace {

// Host names and IPv4 addresses are letters, digits, dots and hyphens. Anything else could pass
// the tool an option of its own or break the output file's name.
bool IsHostName(const char* host) {
    if (!host || !*host || *host == '-') return false;
    for (const char* p = host; *p; ++p) {
        char c = *p;
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                  c == '-';
        if (!ok) return false;
    }
    return true;
}

// What is read of a tool's file while the tool may still be writing it, at the bound.
constexpr size_t kPendingReadLimit = 1048576;

// Held while a tool is created: the only time a handle of this process is inheritable.
CriticalSection* const g_inheritLock = new CriticalSection;
ProcessStarter g_startProcess = &::CreateProcessW;

// The file's text, read in chunks, each up to its first zero byte; up to `limit` bytes. False when
// the file does not open. Any sharing: the tool may still be writing, or its probe deleting.
bool ReadCapturedText(const std::wstring& path, size_t limit, AnsiString& text) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char chunk[kCaptureChunkSize];
    for (size_t total = 0; total < limit;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) break;
        const void* zero = std::memchr(chunk, 0, read);
        size_t textLength = zero ? static_cast<const char*>(zero) - chunk : read;
        if (textLength > limit - total) textLength = limit - total;
        text.append(chunk, textLength);
        total += read;
        if (read < sizeof chunk) break;
    }
    return true;
}

std::wstring SystemDirectory() {
    wchar_t dir[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(dir, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(dir, length);
}

// Creates the tool suspended, without a window, its standard output the file at outputPath. The
// file's handle is inheritable only while the tool is created, under a lock, so a tool that
// another probe starts meanwhile does not take it along; nothing else is ever inheritable.
bool StartTool(const std::wstring& application, const std::wstring& commandLine, const std::wstring& outputPath,
               UniqueProcess& process) {
    const std::wstring directory = SystemDirectory();
    if (directory.empty()) return false;
    // CREATE_NEW: the name is the run's own, in the run's own folder.
    UniqueFile output(::CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output) return false;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = output.get();
    std::vector<wchar_t> command(commandLine.begin(), commandLine.end());
    command.push_back(0);
    LockGuard hold(*g_inheritLock);
    if (!::SetHandleInformation(output.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) return false;
    const BOOL started = g_startProcess(application.c_str(), command.data(), nullptr, nullptr, TRUE,
                                        CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, directory.c_str(), &startup,
                                        process.put());
    ::SetHandleInformation(output.get(), HANDLE_FLAG_INHERIT, 0);
    return started != FALSE;
}

// A section that could not be had: its header and the separator, so it does not run into the next.
bool Failed(const char* header, SlotWriter& out) {
    out.Set(header);
    out.Append(kSectionSeparator);
    return false;
}

}  // namespace

ProcessStarter SetProcessStarter(ProcessStarter starter) {
    const ProcessStarter previous = g_startProcess;
    g_startProcess = starter ? starter : &::CreateProcessW;
    return previous;
}

bool ComposeCapture(const CaptureKind& kind, const char* host, const std::wstring& systemDir, CaptureCommandLine& line) {
    line = CaptureCommandLine();
    if (kind.takesHost && !IsHostName(host)) return false;
    std::wstring wideHost;
    if (kind.takesHost) wideHost.assign(host, host + std::strlen(host));
    CaptureCommandLine composed;
    composed.application = systemDir + L"\\" + kind.tool + L".exe";
    composed.commandLine = L"\"" + composed.application + L"\"" + kind.arguments;
    composed.outputName = std::wstring(kind.tool) + L".txt";
    if (kind.takesHost) {
        composed.commandLine += L" " + wideHost;
        composed.outputName = std::wstring(kind.tool) + L"-" + wideHost + L".txt";
    }
    if (systemDir.empty() || composed.application.size() >= kCapturePathSize ||
        composed.commandLine.size() >= kCaptureCommandSize)
        return false;
    line = composed;
    return true;
}

bool CaptureCommand(const char* header, const std::wstring& application, const std::wstring& commandLine,
                    const std::wstring& outputPath, SlotWriter& out, DWORD waitMs) {
    out.Set(header);
    UniqueProcess process;
    if (outputPath.empty() || !StartTool(application, commandLine, outputPath, process)) {
        ::DeleteFileW(outputPath.c_str());
        return Failed(header, out);
    }
    // Suspended until it has joined the run's tools, so it cannot outlive the run.
    if (!out.AdoptTool(process.process())) return Failed(header, out);
    // Cut off at the bound, the section holds what the tool has written by then.
    out.Follow([outputPath] {
        AnsiString text;
        ReadCapturedText(outputPath, kPendingReadLimit, text);
        return ReportBytesFromOem(text);
    });
    if (::ResumeThread(process.thread()) == static_cast<DWORD>(-1)) {
        ::TerminateProcess(process.process(), 1);
        return Failed(header, out);
    }
    // A tool that outlasts its bound leaves the section open: the run's end cuts it.
    if (::WaitForSingleObject(process.process(), waitMs) != WAIT_OBJECT_0) return false;
    process.reset();

    AnsiString text;
    const bool read = ReadCapturedText(outputPath, static_cast<size_t>(-1), text);
    DeleteWhenFree(outputPath);
    if (!read) return Failed(header, out);
    out.Append(ReportBytesFromOem(text));
    out.Append(kSectionSeparator);
    return true;
}

bool CaptureOfKind(const CaptureKind& kind, const char* host, SlotWriter& out, DWORD waitMs) {
    CaptureCommandLine line;
    RunFolder* folder = out.Folder();
    if (!folder || !ComposeCapture(kind, host, SystemDirectory(), line)) return Failed(kind.header, out);
    return CaptureCommand(kind.header, line.application, line.commandLine, folder->NewFilePath(line.outputName), out,
                          waitMs);
}

bool NetDiagnostics::CaptureIpConfig(SlotWriter& out) { return CaptureOfKind(kIpConfigCapture, nullptr, out); }

bool NetDiagnostics::CapturePing(const char* host, SlotWriter& out) {
    AnsiString ownHost = host ? host : "";
    return CaptureOfKind(kPingCapture, ownHost.c_str(), out);
}

bool NetDiagnostics::CaptureTracert(const char* host, SlotWriter& out) {
    AnsiString ownHost = host ? host : "";
    return CaptureOfKind(kTracertCapture, ownHost.c_str(), out);
}

bool NetDiagnostics::CaptureNetStat(SlotWriter& out, DWORD waitMs) {
    return CaptureOfKind(kNetStatCapture, nullptr, out, waitMs);
}

}  // namespace rk
