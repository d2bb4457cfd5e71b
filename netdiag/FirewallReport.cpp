// The Windows firewall service's state and the running firewalls of other vendors.
#include <netfw.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstring>
#include <string>

#include "base/Handle.h"
#include "base/ReportCodePage.h"
#include "base/Scoped.h"
#include "base/VersionInfoReader.h"
#include "base/VersionText.h"
#include "netdiag/DiagnosisRun.h"
#include "netdiag/NetDiagnostics.h"
#include "netdiag/SectionLines.h"

namespace rk {

const char* const kKnownFirewallProcesses[22] = {
    "rfwmain.exe", "pfw.exe",      "cfp.exe",     "fwmon.exe",   "ccapp.exe",    "WmNetPro.exe", "ppfw.exe",     "pavfires.exe",
    "blackd.exe",  "ca.exe",       "pccpfw.exe",  "smc.exe",     "zlclient.exe", "outpost.exe",  "persfw.exe",   "rapapp.exe",
    "Kpfw32.exe",  "xfilter.exe",  "firesvc.exe", "firewall.exe", "blackice.exe", "pshost.exe",
};

SC_HANDLE OpenFirewallService(const char* name) {
    UniqueService manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return nullptr;
    return ::OpenServiceA(manager.get(), name, SERVICE_ALL_ACCESS);
}

namespace {

RegistryWord ReadWord(const char* key) {
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    const LONG status = ::SHGetValueA(HKEY_LOCAL_MACHINE, key, "EnableFirewall", &type, &value, &size);
    return {status, type, value};
}

// Written out: not every SDK's import libraries carry them.
constexpr GUID kNetFwPolicy2 = {0xE2B3C97F, 0x6AE1, 0x41AC, {0x81, 0x7A, 0xF6, 0xF9, 0x21, 0x66, 0xD7, 0xDD}};
constexpr GUID kINetFwPolicy2 = {0x98325047, 0xC671, 0x4174, {0x8D, 0x81, 0xDE, 0xFC, 0xD3, 0xF0, 0x31, 0x86}};
constexpr GUID kNetFwMgr = {0x304CE942, 0x6E39, 0x40D8, {0x94, 0x3A, 0xB9, 0x13, 0xC4, 0x0C, 0x9C, 0xD4}};
constexpr GUID kINetFwMgr = {0xF7898AF5, 0xCAC4, 0x4632, {0xA2, 0xEC, 0xDA, 0x06, 0xE5, 0x11, 0x1A, 0xF2}};

// Vista and later: the profiles in effect and each one's state, with Group Policy applied.
FirewallProfiles PolicyProfiles() {
    FirewallProfiles profiles = {};
    ComPtr<INetFwPolicy2> policy;
    long current = 0;
    if (FAILED(::CoCreateInstance(kNetFwPolicy2, nullptr, CLSCTX_INPROC_SERVER, kINetFwPolicy2, policy.put())) ||
        FAILED(policy->get_CurrentProfileTypes(&current)))
        return profiles;
    for (int i = 0; i < 3; ++i) {
        if (!(current & (1L << i))) continue;
        VARIANT_BOOL enabled = VARIANT_FALSE;
        if (FAILED(policy->get_FirewallEnabled(static_cast<NET_FW_PROFILE_TYPE2>(1 << i), &enabled))) return profiles;
        profiles.enabled[i] = enabled != VARIANT_FALSE;
    }
    profiles.current = static_cast<uint32_t>(current);
    profiles.answered = true;
    return profiles;
}

// XP SP2 and SP3: the one profile in effect.
FirewallProfiles ManagerProfiles() {
    FirewallProfiles profiles = {};
    ComPtr<INetFwMgr> manager;
    ComPtr<INetFwPolicy> policy;
    ComPtr<INetFwProfile> profile;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    if (FAILED(::CoCreateInstance(kNetFwMgr, nullptr, CLSCTX_INPROC_SERVER, kINetFwMgr, manager.put())) ||
        FAILED(manager->get_LocalPolicy(reinterpret_cast<INetFwPolicy**>(policy.put()))) || !policy ||
        FAILED(policy->get_CurrentProfile(reinterpret_cast<INetFwProfile**>(profile.put()))) || !profile ||
        FAILED(profile->get_FirewallEnabled(&enabled)))
        return profiles;
    profiles = {true, 1, {enabled != VARIANT_FALSE, false, false}};
    return profiles;
}

}  // namespace

FirewallProfiles QueryFirewallProfiles() {
    ComApartment com;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!::GetVersionExA(&version)) return FirewallProfiles();
    return version.dwMajorVersion >= 6 ? PolicyProfiles() : ManagerProfiles();
}

bool IsFirewallPolicyEnabled() {
    return FirewallRegistryEnabled(ReadWord("SOFTWARE\\Policies\\Microsoft\\WindowsFirewall\\StandardProfile"),
                                   ReadWord("SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy\\StandardProfile"));
}

void AppendFirewallState(SlotWriter& result, ServiceQuery query, FirewallApi api) {
    result.Append(kFirewallStatePrefix);
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    if (!::GetVersionExA(&version)) {
        result.Append(kFirewallVersionFailed);
        return;
    }
    const char* serviceName = FirewallServiceName(version.dwMajorVersion, version.dwMinorVersion);
    if (!serviceName) {
        result.Append(kFirewallUnsupportedOs);
        return;
    }
    UniqueService service(OpenFirewallService(serviceName));
    if (!service) {
        result.Append(kFirewallOpenFailed);
        return;
    }
    SERVICE_STATUS status;
    std::memset(&status, 0, sizeof(status));
    if (!query(service.get(), &status)) {
        result.Append(kFirewallQueryFailed);
        return;
    }
    service.reset();
    // The API knows the profiles in effect and Group Policy; the registry is for where it cannot
    // answer (Wine has no such API, and a broken service may leave it without one).
    bool enabled = false;
    if (status.dwCurrentState == SERVICE_RUNNING) {
        const int verdict = FirewallProfilesVerdict(api());
        enabled = verdict < 0 ? IsFirewallPolicyEnabled() : verdict == 1;
    }
    result.Append(FirewallStateText(status.dwCurrentState, enabled));
    result.Append("\r\n");
}

bool GetCompanyName(const wchar_t* path, AnsiString& company) {
    VersionInfoReader reader;
    char* value = nullptr;
    UINT length = 0;
    if (!reader.Load(path) || !reader.GetString("CompanyName", &value, &length) || !value) return false;
    if (!VersionValueInBlock(reader.Block(), reader.BlockSize(), value)) return false;
    company = VersionValueText(reader.Block(), reader.BlockSize(), value);
    return true;
}

bool FindFirewallProcess(const char* name, SlotWriter& result) {
    bool found = false;
    UniqueFile processes(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!processes) return false;
    // Names and paths in UTF-16: a firewall under a folder outside the system's code page is still
    // found, and its path reaches the report in the report's code page.
    const std::wstring wideName(name, name + std::strlen(name));  // ASCII
    PROCESSENTRY32W process;
    process.dwSize = sizeof(process);
    if (!::Process32FirstW(processes.get(), &process)) return false;
    do {
        if (_wcsicmp(process.szExeFile, wideName.c_str()) != 0) continue;
        UniqueFile modules(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process.th32ProcessID));
        if (modules) {
            MODULEENTRY32W module;
            module.dwSize = sizeof(module);
            for (BOOL more = ::Module32FirstW(modules.get(), &module); more;
                 more = ::Module32NextW(modules.get(), &module)) {
                if (!::StrStrIW(module.szExePath, wideName.c_str())) continue;
                found = true;
                const AnsiString path = ReportBytes(module.szExePath);
                AnsiString company;
                if (GetCompanyName(module.szExePath, company)) {
                    result.Append(FirewallProcessLine(path.c_str(), company.c_str()));
                    return true;
                }
                result.Append(FirewallProcessLine(path.c_str(), nullptr));
            }
        }
        if (!found) result.Append(FirewallProcessLine(name, nullptr));
    } while (::Process32NextW(processes.get(), &process));
    return false;
}

bool NetDiagnostics::FirewallReport(SlotWriter& out) {
    AppendFirewallState(out);
    for (const char* name : kKnownFirewallProcesses) FindFirewallProcess(name, out);
    out.Append(kSectionSeparator);
    return true;
}

}  // namespace rk
