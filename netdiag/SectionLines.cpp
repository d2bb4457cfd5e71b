#include "netdiag/SectionLines.h"

#include <cstring>
#include <string_view>

namespace rk {

namespace {

// The platform's values, as the registry and the service manager report them.
constexpr int32_t kErrorSuccess = 0;     // ERROR_SUCCESS
constexpr uint32_t kRegDword = 4;        // REG_DWORD
constexpr uint32_t kServiceStopped = 1;  // SERVICE_STOPPED
constexpr uint32_t kServiceRunning = 4;  // SERVICE_RUNNING
constexpr uint32_t kServicePaused = 7;   // SERVICE_PAUSED

// Appends piece to out without any occurrence of what, found left to right; what a removal
// joins is not searched again. One pass: the piece is never moved within itself.
void AppendWithout(AnsiString& out, std::string_view piece, std::string_view what) {
    size_t from = 0;
    for (size_t at = piece.find(what); at != std::string_view::npos; at = piece.find(what, from)) {
        out.append(piece.data() + from, at - from);
        from = at + what.size();
    }
    out.append(piece.data() + from, piece.size() - from);
}

}  // namespace

bool RegValueTaken(int32_t status, uint32_t type, uint32_t acceptedType) {
    return status == kErrorSuccess && type == acceptedType;
}

AnsiString RegTextValue(const char* buffer, uint32_t returnedSize) {
    // A value stored without its terminating zero must not run past the bytes read.
    const void* zero = std::memchr(buffer, '\0', returnedSize);
    const size_t length = zero ? static_cast<const char*>(zero) - buffer : returnedSize;
    return AnsiString(buffer, length);
}

AnsiString ProxyListForm(const AnsiString& text) {
    AnsiString out;
    for (char c : text) {
        if (c == ';')
            out += "\r\n               ";
        else
            out += c;
    }
    return out;
}

AnsiString ProxyEnableLine(bool taken, uint32_t word) {
    if (!taken) return "ProxyEnable: NULL\r\n";
    return FormatAnsi("ProxyEnable: %d\r\n", static_cast<int>(word));
}

AnsiString UserAgentLine(bool taken, const AnsiString& text) {
    if (!taken) return "User Agent: NULL\r\n";
    return "User Agent: " + text + "\r\n";
}

AnsiString ProxyOverrideLine(bool taken, const AnsiString& text) {
    if (!taken) return "ProxyOverride: NULL\r\n";
    return "ProxyOverride: " + ProxyListForm(text) + "\r\n";
}

AnsiString ProxyServerLine(bool taken, const AnsiString& text) {
    if (!taken) return "ProxyServer: NULL\r\n";
    return "ProxyServer:   " + ProxyListForm(text) + "\r\n";
}

AnsiString DownloadFailureLine(uint32_t lastError, uint32_t startTick, uint32_t endTick) {
    const uint32_t elapsed = endTick - startTick;  // modulo 2^32 across a wrap of the counter
    return FormatAnsi("测试下载Quor升级文件失败: %d...失败耗时:%d毫秒\r\n", static_cast<int>(lastError),
                      static_cast<int>(elapsed));
}

DownloadVerdict JudgeDownload(int32_t result, uint32_t httpStatus, uint32_t lastError) {
    if (httpStatus >= 400) return {false, httpStatus};
    if (result == 0) return {true, 0};
    // The call documents only its result, and the binding runs on urlmon's threads: the last
    // error may be any earlier call's. It only tells more behind a success code other than S_OK.
    if (result < 0) return {false, static_cast<uint32_t>(result)};
    return {false, lastError != 0 ? lastError : static_cast<uint32_t>(result)};
}

AnsiString DownloadSuccessLine(uint32_t startTick, uint32_t endTick, bool fileFound, uint32_t sizeLow) {
    uint32_t elapsed = endTick - startTick;
    if (elapsed == 0) elapsed = 1;
    // The factor is the single-precision 0.001; the product is formed in double precision.
    const float kMsToSeconds = 0.001f;
    const double seconds = elapsed * static_cast<double>(kMsToSeconds);
    // 64 bits: size * 1000 overflows 32 bits from 4294968 bytes on. A file that vanished after
    // the download has no size, so it gets no speed.
    const unsigned long long speed =
        fileFound ? (static_cast<unsigned long long>(sizeLow) * 1000ULL) / (static_cast<unsigned long long>(elapsed) * 1024ULL)
                  : 0ULL;
    const long long size = fileFound ? static_cast<long long>(sizeLow) : -1LL;
    return FormatAnsi("测试下载Quor升级文件成功...总用时:%03f秒,文件大小%lld字节,速度: %lluK/S\r\n", seconds, size,
                      speed);
}

const char* FirewallServiceName(uint32_t major, uint32_t minor) {
    if (major == 6) return "MpsSvc";
    if (major == 5 && minor == 1) return "SharedAccess";
    return nullptr;
}

const char* FirewallStateText(uint32_t state, bool policyEnabled) {
    switch (state) {
    case kServiceStopped: return "停止";
    case kServiceRunning: return policyEnabled ? "运行" : "禁用";
    case kServicePaused: return "暂停";
    default: return "未知状态0!";
    }
}

bool FirewallRegistryEnabled(const RegistryWord& policy, const RegistryWord& profile) {
    for (const RegistryWord* word : {&policy, &profile})
        if (word->status == kErrorSuccess && word->type == kRegDword) return word->value != 0;
    return true;
}

int FirewallProfilesVerdict(const FirewallProfiles& profiles) {
    if (!profiles.answered || (profiles.current & 7) == 0) return -1;
    for (int i = 0; i < 3; ++i)
        if ((profiles.current & (1u << i)) && !profiles.enabled[i]) return 0;
    return 1;
}

AnsiString FirewallProcessLine(const char* subject, const char* company) {
    AnsiString line = "可能的防火墙进程:";
    line += subject;
    if (company) {
        line += " --- ";
        line += company;
    }
    line += "\r\n";
    return line;
}

AnsiString ExtractLookupLines(const char* bytes, size_t size) {
    static constexpr std::string_view kStart = ">查询结果";
    static constexpr std::string_view kEnd = "</span></p>";
    // An empty page may come without any bytes at all (null).
    const void* zero = size ? std::memchr(bytes, '\0', size) : nullptr;
    const std::string_view page(bytes, zero ? static_cast<const char*>(zero) - bytes : size);
    AnsiString lines;
    // Each search goes on from the last end marker, which is where the text that remains would
    // begin if the page were cut there; the page is scanned once, front to back.
    size_t from = 0;
    for (;;) {
        const size_t start = page.find(kStart, from);
        if (start == std::string_view::npos) break;
        const size_t end = page.find(kEnd, start);
        if (end == std::string_view::npos) break;
        AppendWithout(lines, page.substr(start, end - start), "&nbsp;");
        lines += "\r\n";
        from = end;
    }
    return lines;
}

}  // namespace rk
