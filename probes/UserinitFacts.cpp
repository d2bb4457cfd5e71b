#include <shlwapi.h>

#include <cstdarg>
#include <cstring>
#include <string>

#include "base/VersionText.h"
#include "probes/BoundedText.h"
#include "probes/ImageCheck.h"
#include "probes/FileMd5.h"
#include "probes/SignatureVerifier.h"
#include "probes/UserinitFacts.h"
#include "base/VersionInfoReader.h"

namespace rk {
namespace {

// Formats at the end of the text already in block, within the room left there.
void FormatAtEnd(char* block, uint32_t capacity, const char* format, ...) __attribute__((format(ms_printf, 3, 4)));
void FormatAtEnd(char* block, uint32_t capacity, const char* format, ...) {
    uint32_t used = 0;
    if (BoundedLength(block, capacity, &used) != kBoundedOk) return;
    va_list args;
    va_start(args, format);
    static_cast<void>(BoundedFormatV(block + used, capacity - used, format, args));  // what fits, as AppendWhatFits
    va_end(args);
}

// True when this 32-bit program runs on 64-bit Windows. Not every Windows XP has IsWow64Process.
bool RunsUnderWow64() {
    using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    const auto isWow64 = kernel ? reinterpret_cast<IsWow64Fn>(::GetProcAddress(kernel, "IsWow64Process")) : nullptr;
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(::GetCurrentProcess(), &wow64) && wow64;
}

// The userinit.exe that logs users on. Under WoW64, system32 is sent to the 32-bit copy in
// SysWOW64, and only Sysnative names the real one. The redirection stays on for the thread: the
// signature check loads DLLs.
std::wstring UserinitPath() {
    wchar_t windows[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    const std::wstring native = std::wstring(windows) + L"\\Sysnative";
    const bool useNative = RunsUnderWow64() && ::PathIsDirectoryW(native.c_str());
    return (useNative ? native : std::wstring(windows) + L"\\system32") + L"\\userinit.exe";
}

}  // namespace

void FormatFactLines(const FileFacts& facts, char* block, uint32_t capacity) {
    char digest[33];
    AppendWhatFits(block, capacity, "MD5: ");
    AppendWhatFits(block, capacity, FormatDigestHex(facts.md5, digest));
    AppendWhatFits(block, capacity, "\r\n");
    FormatAtEnd(block, capacity, "文件大小: %d\r\n", facts.size);
    FormatAtEnd(block, capacity, "版本信息: %s\r\n", facts.version);
    FormatAtEnd(block, capacity, "是否签名: %s\r\n", facts.signedFile ? "是" : "否!!!!!");
}

bool GatherFileFacts(const wchar_t* path, FileFacts* facts) {
    if (!facts) return false;
    facts->infected = IsImageInfected(path);
    ComputeFileMd5(path, facts->md5);
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    std::memset(&attributes, 0, sizeof attributes);
    ::GetFileAttributesExW(path, GetFileExInfoStandard, &attributes);
    facts->size = static_cast<int32_t>(attributes.nFileSizeLow);
    {
        VersionInfoReader reader;
        char* version = nullptr;
        UINT length = 0;
        // The answer need not end in a zero, and its length is no bound: up to a zero, within the block.
        if (reader.Load(path) && reader.GetFileVersion(&version, &length))
            CopyVersionText(reader.Block(), reader.BlockSize(), version, facts->version, sizeof facts->version);
        SignatureVerifier verifier;
        facts->signedFile = verifier.Verify(path);
    }
    return true;
}

bool AppendUserinitFacts(char* text, uint32_t size) {
    const std::wstring path = UserinitPath();
    FileFacts facts;
    std::memset(&facts, 0, sizeof facts);
    if (path.empty() || !::PathFileExistsW(path.c_str())) return false;
    if (!GatherFileFacts(path.c_str(), &facts)) return false;
    char block[kFactBlockSize] = {};
    FormatFactLines(facts, block, sizeof block);
    if (size <= kBoundedMaxCapacity) AppendWhatFits(text, size, block);
    return facts.infected;
}

}  // namespace rk
