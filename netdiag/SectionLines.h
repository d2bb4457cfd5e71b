#pragma once
// The text of the proxy, download, firewall and public-address sections, made from what the
// platform returned. The probes gather the inputs; everything decided here is tested exactly.
#include <windows.h>

#include <cstddef>

#include "base/AnsiString.h"
#include "base/ReportText.h"

namespace rk {

// Proxy settings.
constexpr char kProxyHeader[] = "[网络代理信息]\r\n";
// A registry value counts only when the read succeeded and its type is the accepted one.
bool RegValueTaken(LONG status, DWORD type, DWORD acceptedType);
// The text of a REG_SZ read: up to its first zero within the bytes returned.
AnsiString RegTextValue(const char* buffer, DWORD returnedSize);
// Every ";" becomes a line break and 15 blanks, so list entries stand in column 16.
AnsiString ProxyListForm(const AnsiString& text);
AnsiString ProxyEnableLine(bool taken, DWORD word);
AnsiString UserAgentLine(bool taken, const AnsiString& text);
AnsiString ProxyOverrideLine(bool taken, const AnsiString& text);
AnsiString ProxyServerLine(bool taken, const AnsiString& text);

// Download speed test.
constexpr char kDownloadHeader[] = "[下载测试文件信息]\r\n";
constexpr char kDownloadFileName[] = "\\downQuortest.ini";
AnsiString DownloadFailureLine(DWORD lastError, DWORD startTick, DWORD endTick);
// fileFound false: the file was gone after a successful download (size query gave -1).
AnsiString DownloadSuccessLine(DWORD startTick, DWORD endTick, bool fileFound, DWORD sizeLow);

// Firewall.
constexpr char kFirewallStatePrefix[] = "WINDOWS防火墙状态:";
constexpr char kFirewallVersionFailed[] = "获取版本信息失败!!!\r\n";
constexpr char kFirewallUnsupportedOs[] = "不支持的操作系统\r\n";
constexpr char kFirewallOpenFailed[] = "打开服务失败\r\n";
constexpr char kFirewallQueryFailed[] = "查询服务失败\r\n";
// "MpsSvc" for major version 6, "SharedAccess" for 5.1, nullptr for any other version.
const char* FirewallServiceName(DWORD major, DWORD minor);
// The state text without its line end.
const char* FirewallStateText(DWORD state, bool policyEnabled);
bool FirewallPolicyValueEnabled(LONG status, DWORD type, DWORD value);
// company nullptr: no company part.
AnsiString FirewallProcessLine(const char* subject, const char* company);

// Public address lookup.
constexpr char kLookupHeader[] = "[访问ipseeker获取的IP地址]\r\n";
constexpr char kLookupFailed[] = "\r\n连接IpSeeker失败\r\n";
constexpr char kLookupFileName[] = "\\Quoripseeker.ini";
// The result lines of a downloaded page, each ending in CR LF.
AnsiString ExtractLookupLines(const char* bytes, size_t size);

// The user's temp directory followed by `name`; false when the temp directory is not available
// within the platform's 260-character buffer.
bool TempFilePath(const char* name, AnsiString& path);

}  // namespace rk
