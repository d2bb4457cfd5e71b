// The Windows firewall service's state and the running firewalls of other vendors.
#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstring>
#include <vector>

#include "base/Handle.h"
#include "base/VersionLibrary.h"
#include "base/VersionText.h"
#include "netdiag/NetDiagnostics.h"
#include "netdiag/SectionLines.h"

namespace rk {

const char* const NetDiagnostics::kKnownFirewallProcesses[22] = {
    "rfwmain.exe", "pfw.exe",      "cfp.exe",     "fwmon.exe",   "ccapp.exe",    "WmNetPro.exe", "ppfw.exe",     "pavfires.exe",
    "blackd.exe",  "ca.exe",       "pccpfw.exe",  "smc.exe",     "zlclient.exe", "outpost.exe",  "persfw.exe",   "rapapp.exe",
    "Kpfw32.exe",  "xfilter.exe",  "firesvc.exe", "firewall.exe", "blackice.exe", "pshost.exe",
};

SC_HANDLE NetDiagnostics::OpenFirewallService(const char* name) {
    UniqueService manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return nullptr;
    return ::OpenServiceA(manager.get(), name, SERVICE_ALL_ACCESS);
}

bool NetDiagnostics::IsFirewallPolicyEnabled() {
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    const LONG status = ::SHGetValueA(HKEY_LOCAL_MACHINE,
                                      "SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy\\StandardProfile",
                                      "EnableFirewall", &type, &value, &size);
    return FirewallPolicyValueEnabled(status, type, value);
}

void NetDiagnostics::AppendFirewallState(SlotWriter& result, ServiceQuery query) {
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
    const bool enabled = status.dwCurrentState == SERVICE_RUNNING && IsFirewallPolicyEnabled();
    result.Append(FirewallStateText(status.dwCurrentState, enabled));
    result.Append("\r\n");
}

bool NetDiagnostics::GetCompanyName(const char* path, AnsiString& company) {
    DWORD ignored = 0;
    if (VersionInfoSize(path, &ignored) == 0) return false;
    const DWORD size = VersionInfoSize(path, &ignored);
    if (size == 0) return false;
    std::vector<char> block(size);  // zero-filled: an unterminated value still ends inside it
    if (!VersionInfo(path, size, block.data())) return false;

    void* translation = nullptr;
    UINT translationLength = 0;
    if (!VersionQuery(block.data(), "\\VarFileInfo\\Translation", &translation, &translationLength)) return false;
    // An empty translation list names no language: no company then.
    if (!translation || translationLength < sizeof(DWORD)) return false;
    DWORD entry = 0;
    std::memcpy(&entry, translation, sizeof(entry));

    char prefix[MAX_PATH];
    char key[MAX_PATH];
    ::wnsprintfA(prefix, MAX_PATH, "\\StringFileInfo\\%04x%04x", LOWORD(entry), HIWORD(entry));
    ::wnsprintfA(key, MAX_PATH, "%s\\CompanyName", prefix);
    void* value = nullptr;
    UINT valueLength = 0;
    if (!VersionQuery(block.data(), key, &value, &valueLength) || !value) return false;
    // The value lies inside the block and need not end in a zero; its length is no bound.
    if (!VersionValueInBlock(block.data(), size, value)) return false;
    company = VersionValueText(block.data(), size, value, valueLength);
    return true;
}

bool NetDiagnostics::FindFirewallProcess(const char* name, SlotWriter& result) {
    bool found = false;
    UniqueFile processes(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!processes) return false;
    PROCESSENTRY32 process;
    process.dwSize = sizeof(process);
    if (!::Process32First(processes.get(), &process)) return false;
    do {
        if (_stricmp(process.szExeFile, name) != 0) continue;
        UniqueFile modules(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process.th32ProcessID));
        if (modules) {
            MODULEENTRY32 module;
            module.dwSize = sizeof(module);
            for (BOOL more = ::Module32First(modules.get(), &module); more; more = ::Module32Next(modules.get(), &module)) {
                if (!::StrStrIA(module.szExePath, name)) continue;
                found = true;
                AnsiString company;
                if (GetCompanyName(module.szExePath, company)) {
                    result.Append(FirewallProcessLine(module.szExePath, company.c_str()));
                    return true;
                }
                result.Append(FirewallProcessLine(module.szExePath, nullptr));
            }
        }
        if (!found) result.Append(FirewallProcessLine(name, nullptr));
    } while (::Process32Next(processes.get(), &process));
    return false;
}

bool NetDiagnostics::FirewallReport(SlotWriter& out) {
    AppendFirewallState(out);
    for (const char* name : kKnownFirewallProcesses) FindFirewallProcess(name, out);
    out.Append(kSectionSeparator);
    return true;
}

}  // namespace rk
