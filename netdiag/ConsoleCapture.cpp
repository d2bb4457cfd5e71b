// ipconfig, ping, tracert and netstat through the system's command interpreter, their standard
// output redirected into a temp file that is read back under the section header.
#include <cstring>

#include "base/Handle.h"
#include "base/ReportText.h"
#include "netdiag/DiagnosisRun.h"
#include "netdiag/NetDiagnostics.h"

namespace rk {

const CaptureKind kIpConfigCapture = {"[Ip Config配置信息]\r\n", "\\cmd.exe /d /c ipconfig.exe /all >",
                                      "Quorxxipconfig.txt", false};
const CaptureKind kPingCapture = {"[ping 命令信息]\r\n", "\\cmd.exe /d /c ping.exe ", "\\Quorxxping.txt", true};
const CaptureKind kTracertCapture = {"[tracert 命令信息]\r\n", "\\cmd.exe /d /c tracert.exe ", "\\Quorxxtracert.txt",
                                     true};
const CaptureKind kNetStatCapture = {"[NetStat 配置信息]\r\n", "\\cmd.exe /d /c netstat.exe -nr >",
                                     "QuorxxNetstat.txt", false};

namespace {

// Appends text to a zero-terminated buffer; false, and the buffer unusable, when it would not fit.
template <size_t N>
bool Append(char (&buffer)[N], size_t& used, const char* text) {
    size_t length = std::strlen(text);
    if (length >= N - used) return false;
    std::memcpy(buffer + used, text, length + 1);
    used += length;
    return true;
}

// Host names and IPv4 addresses are letters, digits, dots and hyphens. Anything else would reach
// the command interpreter as syntax or break the temp file's name.
bool IsHostName(const char* host) {
    if (!host || !*host) return false;
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
// How long the file of an ended tool is given to be let go of: a tool the run ended may still be
// closing it a moment after its command interpreter has gone.
constexpr DWORD kDeleteGraceMs = 2000;
constexpr DWORD kDeleteRetryMs = 50;

// The file's text, read in chunks, each up to its first zero byte; up to `limit` bytes. False when
// the file does not open. Any sharing: the tool may still be writing, or its probe deleting.
bool ReadCapturedText(const char* path, size_t limit, AnsiString& text) {
    UniqueFile file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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

// Deletes the file once nobody holds it, waiting a bounded while for an ended tool to let go.
void DeleteWhenFree(const char* path) {
    const DWORD start = ::GetTickCount();
    while (!::DeleteFileA(path)) {
        const DWORD error = ::GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) ||
            ::GetTickCount() - start >= kDeleteGraceMs)
            return;
        ::Sleep(kDeleteRetryMs);
    }
}

}  // namespace

bool ComposeCapture(const CaptureKind& kind, const char* host, const char* tempDir, const char* systemDir,
                    char (&tempPath)[kCapturePathSize], char (&commandLine)[kCaptureCommandSize]) {
    tempPath[0] = 0;
    commandLine[0] = 0;
    if (kind.takesHost && !IsHostName(host)) return false;
    size_t pathUsed = 0;
    size_t commandUsed = 0;
    bool ok = Append(tempPath, pathUsed, tempDir) && Append(tempPath, pathUsed, kind.fileName) &&
              (!kind.takesHost || Append(tempPath, pathUsed, host)) &&
              Append(commandLine, commandUsed, systemDir) && Append(commandLine, commandUsed, kind.command) &&
              (!kind.takesHost || (Append(commandLine, commandUsed, host) && Append(commandLine, commandUsed, " >"))) &&
              Append(commandLine, commandUsed, tempPath);
    if (!ok) {
        tempPath[0] = 0;
        commandLine[0] = 0;
    }
    return ok;
}

bool CaptureCommand(const char* header, const char* commandLine, const char* tempPath, SlotWriter& out,
                    DWORD waitMs) {
    out.Set(header);

    // An interrupted earlier capture may have left its file behind. If the file cannot go, the
    // command of a capture abandoned at an earlier run's bound still writes it: reading it would
    // report that run's output as this one's.
    if (!::DeleteFileA(tempPath) && ::GetFileAttributesA(tempPath) != INVALID_FILE_ATTRIBUTES) return false;

    STARTUPINFOA startup = {};
    ::GetStartupInfoA(&startup);
    startup.wShowWindow = SW_HIDE;
    UniqueProcess process;
    char command[kCaptureCommandSize] = {};
    size_t length = std::strlen(commandLine);
    if (length >= sizeof command) return false;
    std::memcpy(command, commandLine, length + 1);
    // Suspended until it has joined the run's tools, so nothing it starts escapes them.
    if (!::CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                          process.put()))
        return false;
    if (!out.AdoptTool(process.process())) return false;
    // Cut off at the bound, the section holds what the tool has written by then.
    const AnsiString path = tempPath;
    out.Follow([path] {
        AnsiString text;
        ReadCapturedText(path.c_str(), kPendingReadLimit, text);
        return text;
    });
    if (::ResumeThread(process.thread()) == static_cast<DWORD>(-1)) {
        ::TerminateProcess(process.process(), 1);
        return false;
    }
    // A command that outlasts its bound leaves the section at its header: its file is still open.
    if (::WaitForSingleObject(process.process(), waitMs) != WAIT_OBJECT_0) return false;
    process.reset();

    AnsiString text;
    if (!ReadCapturedText(tempPath, static_cast<size_t>(-1), text)) return false;
    out.Append(text);
    DeleteWhenFree(tempPath);
    out.Append(kSectionSeparator);
    return true;
}

bool CaptureOfKind(const CaptureKind& kind, const char* host, SlotWriter& out, DWORD waitMs) {
    char tempDir[kCapturePathSize] = {};
    char systemDir[kCapturePathSize] = {};
    char tempPath[kCapturePathSize];
    char commandLine[kCaptureCommandSize];
    // Both calls return the length needed, not what they wrote, when the buffer is too small.
    DWORD tempLength = ::GetTempPathA(sizeof tempDir, tempDir);
    UINT systemLength = ::GetSystemDirectoryA(systemDir, sizeof systemDir);
    if (tempLength == 0 || tempLength >= sizeof tempDir || systemLength == 0 || systemLength >= sizeof systemDir ||
        !ComposeCapture(kind, host, tempDir, systemDir, tempPath, commandLine)) {
        out.Set(kind.header);
        return false;
    }
    return CaptureCommand(kind.header, commandLine, tempPath, out, waitMs);
}

bool NetDiagnostics::CaptureIpConfig(SlotWriter& out) { return CaptureOfKind(kIpConfigCapture, nullptr, out); }

bool NetDiagnostics::CapturePing(const char* host, SlotWriter& out) {
    // The capture works on its own copy of the host.
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
