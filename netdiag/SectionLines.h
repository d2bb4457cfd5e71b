#pragma once
// The text of the proxy, download, firewall and public-address sections, made from what the
// platform returned. The probes gather the inputs; everything decided here is tested exactly.
// No platform calls and no platform headers.
#include <cstddef>
#include <cstdint>

#include "base/AnsiString.h"
#include "base/ReportText.h"

namespace rk {

// Proxy settings.
constexpr char kProxyHeader[] = "[网络代理信息]\r\n";
// A registry value counts only when the read succeeded and its type is the accepted one.
bool RegValueTaken(int32_t status, uint32_t type, uint32_t acceptedType);
// The text of a REG_SZ read: up to its first zero within the bytes returned.
AnsiString RegTextValue(const char* buffer, uint32_t returnedSize);
// Every ";" becomes a line break and 15 blanks, so list entries stand in column 16.
AnsiString ProxyListForm(const AnsiString& text);
AnsiString ProxyEnableLine(bool taken, uint32_t word);
AnsiString UserAgentLine(bool taken, const AnsiString& text);
AnsiString ProxyOverrideLine(bool taken, const AnsiString& text);
AnsiString ProxyServerLine(bool taken, const AnsiString& text);

// Download speed test.
constexpr char kDownloadHeader[] = "[下载测试文件信息]\r\n";
AnsiString DownloadFailureLine(uint32_t lastError, uint32_t startTick, uint32_t endTick);
// What a download's outcome means for the report. An HTTP error status fails the download even
// when the call succeeded (urlmon stores the error page and may answer S_OK). The failure code is
// that status, else the call's failing result; behind a success code other than S_OK, the thread's
// last error when there is one. It is never 0.
struct DownloadVerdict {
    bool succeeded;
    uint32_t failureCode;  // printed as a signed decimal
};
DownloadVerdict JudgeDownload(int32_t result, uint32_t httpStatus, uint32_t lastError);
// fileFound false: the file was gone after a successful download (size query gave -1).
AnsiString DownloadSuccessLine(uint32_t startTick, uint32_t endTick, bool fileFound, uint32_t sizeLow);

// Firewall.
constexpr char kFirewallStatePrefix[] = "WINDOWS防火墙状态:";
constexpr char kFirewallVersionFailed[] = "获取版本信息失败!!!\r\n";
constexpr char kFirewallUnsupportedOs[] = "不支持的操作系统\r\n";
constexpr char kFirewallOpenFailed[] = "打开服务失败\r\n";
constexpr char kFirewallQueryFailed[] = "查询服务失败\r\n";
// "MpsSvc" for major version 6, "SharedAccess" for 5.1, nullptr for any other version.
const char* FirewallServiceName(uint32_t major, uint32_t minor);
// The state text without its line end.
const char* FirewallStateText(uint32_t state, bool policyEnabled);
// A DWORD value as the registry gave it: the call's status, the value's type and the value.
struct RegistryWord {
    int32_t status;
    uint32_t type;
    uint32_t value;
};
// Whether the firewall is on by the registry, for when its API cannot tell. The Group Policy value
// wins over the profile's own; a value that is missing or no DWORD has no say, and with neither
// the firewall is on, as Windows' default is.
bool FirewallRegistryEnabled(const RegistryWord& policy, const RegistryWord& profile);
// What the firewall's API told: the profiles in effect (domain 1, private 2, public 4) and whether
// each is on (XP's one profile counts as the domain's).
struct FirewallProfiles {
    bool answered;
    uint32_t current;
    bool enabled[3];
};
// 1 when the firewall is on for every profile in effect, 0 when off for any, -1 when the API
// could not tell.
int FirewallProfilesVerdict(const FirewallProfiles& profiles);
// company nullptr: no company part.
AnsiString FirewallProcessLine(const char* subject, const char* company);

// Public address lookup.
constexpr char kLookupHeader[] = "[访问ipseeker获取的IP地址]\r\n";
constexpr char kLookupFailed[] = "\r\n连接IpSeeker失败\r\n";
// What is read of the downloaded page: its first 1 MiB. The service's page is a few kilobytes,
// and the whole report is held in a 1 MiB buffer; a longer page is cut there, so a start marker
// whose end marker lies beyond it yields no line.
constexpr uint32_t kLookupPageLimit = 1048576;
// The result lines of a downloaded page, each ending in CR LF. One pass over the page.
AnsiString ExtractLookupLines(const char* bytes, size_t size);

}  // namespace rk
