// The firewall section: service state by Windows version, the policy value, and processes
// named like known firewalls.
#include <doctest/doctest.h>

#include <cstdio>
#include <string>

#include "base/Handle.h"
#include "base/Scoped.h"
#include "netdiag/DiagnosisRun.h"
#include "netdiag/SectionLines.h"
#include "tests/common/ExpectedText.h"
#include "tests/unit/netdiag/ProbeTestUtil.h"

using namespace rk;
using namespace rk_test;

namespace {

const char kStatePrefix[] = "WINDOWS防火墙状态:";
// Wine runs this test as Windows 7 and has no MpsSvc.
const char kNoServiceLine[] = "WINDOWS防火墙状态:打开服务失败\r\n";
const char kPolicyKey[] = "SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy\\StandardProfile";
const char kGroupPolicyKey[] = "SOFTWARE\\Policies\\Microsoft\\WindowsFirewall\\StandardProfile";

// Waits until the service is in this state.
bool WaitForState(SC_HANDLE service, DWORD state) {
    for (int i = 0; i < 1000; ++i) {
        SERVICE_STATUS status = {};
        if (!::QueryServiceStatus(service, &status)) return false;
        if (status.dwCurrentState == state) return true;
        ::Sleep(20);
    }
    return false;
}

// Stops and deletes a service of this name, as a killed run may have left it.
void DeleteServiceNamed(SC_HANDLE manager, const char* name) {
    UniqueService leftover(::OpenServiceA(manager, name, SERVICE_ALL_ACCESS));
    if (!leftover) return;
    SERVICE_STATUS status = {};
    if (::ControlService(leftover.get(), SERVICE_CONTROL_STOP, &status)) WaitForState(leftover.get(), SERVICE_STOPPED);
    ::DeleteService(leftover.get());
}

// A stopped service of the given name for the duration of a test; Start runs it.
class ScratchService {
public:
    explicit ScratchService(const char* name) : m_name(name), m_manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
        if (!m_manager) return;
        DeleteServiceNamed(m_manager.get(), name);
        const std::string binary = "\"" + ExeFolder() + "fwservice.exe\" service";
        m_service.reset(::CreateServiceA(m_manager.get(), name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                         SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, binary.c_str(), nullptr, nullptr,
                                         nullptr, nullptr, nullptr));
    }
    ~ScratchService() {
        if (m_service) DeleteServiceNamed(m_manager.get(), m_name.c_str());
    }
    bool ok() const { return static_cast<bool>(m_service); }
    bool Start() { return ok() && ::StartServiceA(m_service.get(), 0, nullptr) && WaitForState(m_service.get(), SERVICE_RUNNING); }

private:
    std::string m_name;
    UniqueService m_manager;
    UniqueService m_service;
};

// Runs the state probe under a Windows version that Wine sets for its executable name.
std::string StateUnderVersion(const char* version) {
    const std::string exeName = std::string("fwstate_") + version + ".exe";
    const std::string appKey = "Software\\Wine\\AppDefaults\\" + exeName;
    const std::string output = ExeFolder() + "fwstate_" + version + ".txt";
    ::DeleteFileA(output.c_str());
    ::SHSetValueA(HKEY_CURRENT_USER, appKey.c_str(), "Version", REG_SZ, version, static_cast<DWORD>(strlen(version) + 1));
    auto cleanup = MakeScopeExit([&] {
        ::SHDeleteKeyA(HKEY_CURRENT_USER, appKey.c_str());
        ::DeleteFileA(output.c_str());
    });

    std::string command = "\"" + ExeFolder() + exeName + "\" \"" + output + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    UniqueProcess process;
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, process.put()))
        return "<not started>";
    if (::WaitForSingleObject(process.process(), 30000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.process(), 1);
        return "<hung>";
    }
    std::string text;
    if (FILE* file = std::fopen(output.c_str(), "rb")) {
        char chunk[512];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) text.append(chunk, got);
        std::fclose(file);
    }
    return text;
}

// A process started from a copy named KPFW32.EXE, ended on every path. Started suspended, it has
// loaded no modules yet, so its modules cannot be listed.
class FirewallDummy {
public:
    explicit FirewallDummy(const std::string& path, bool suspended = false) : m_path(path) {
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        UniqueHandle ready(::CreateEventA(&inherit, TRUE, FALSE, nullptr));
        if (!ready) return;
        std::string command = "\"" + path + "\" " + std::to_string(reinterpret_cast<UINT_PTR>(ready.get())) + " " +
                              std::to_string(::GetCurrentProcessId());
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE,
                              CREATE_NO_WINDOW | (suspended ? CREATE_SUSPENDED : 0), nullptr, nullptr, &startup,
                              m_process.put()))
            return;
        m_ready = suspended;
        if (suspended) return;
        HANDLE waits[2] = {ready.get(), m_process.process()};
        m_ready = ::WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
    }
    ~FirewallDummy() {
        if (m_process) {
            ::TerminateProcess(m_process.process(), 0);
            ::WaitForSingleObject(m_process.process(), 10000);
        }
    }
    bool ready() const { return m_ready; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    UniqueProcess m_process;
    bool m_ready = false;
};

std::string StateLine(rk::ServiceQuery query = &::QueryServiceStatus) {
    SlotWriter out;
    rk::AppendFirewallState(out, query);
    return out.Text();
}

BOOL WINAPI QueryFails(SC_HANDLE, SERVICE_STATUS*) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

}  // namespace

FirewallProfiles g_answer;
FirewallProfiles Answer() { return g_answer; }

TEST_CASE("a running firewall service is on only where the profiles in effect are") {
    ScratchService service("MpsSvc");
    REQUIRE(service.Start());
    RedirectedRoot hklm(HKEY_LOCAL_MACHINE, "policy");
    REQUIRE(hklm.ok());
    const FirewallProfiles noAnswer = {};
    const struct { FirewallProfiles api; int policy, profile; const char* state; } kCases[] = {
        {{true, 2 | 4, {true, true, false}}, -1, 1, "禁用"},  // private on, public off
        {{true, 1 | 4, {true, false, true}}, 0, 0, "运行"},   // every profile in effect on: the API wins
        {noAnswer, 0, 1, "禁用"},                             // Group Policy wins over the profile's value
        {noAnswer, -1, 0, "禁用"},
        {noAnswer, -1, -1, "运行"}};                          // no value at all: Windows' default
    for (const auto& c : kCases) {
        CAPTURE(c.state);
        ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kGroupPolicyKey);
        ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kPolicyKey);
        if (c.policy >= 0) REQUIRE(hklm.SetWord(kGroupPolicyKey, "EnableFirewall", c.policy));
        if (c.profile >= 0) REQUIRE(hklm.SetWord(kPolicyKey, "EnableFirewall", c.profile));
        g_answer = c.api;
        SlotWriter out;
        rk::AppendFirewallState(out, &::QueryServiceStatus, &Answer);
        CHECK(out.Text() == std::string(kStatePrefix) + c.state + "\r\n");
    }
    // Wine has no firewall API: the product's own query falls back to the registry.
    CHECK(StateLine() == std::string(kStatePrefix) + "运行\r\n");
}

TEST_CASE("the firewall service is chosen by Windows version") {
    // Wine has neither firewall service; the tests register a stopped one of their own.
    SUBCASE("Vista and later query MpsSvc") {
        ScratchService service("MpsSvc");
        REQUIRE(service.ok());
        CHECK(StateUnderVersion("vista") == std::string(kStatePrefix) + "停止\r\n");
        CHECK(StateUnderVersion("winxp") == std::string(kStatePrefix) + "打开服务失败\r\n");
        // This test itself runs as Windows 7.
        CHECK(StateLine() == std::string(kStatePrefix) + "停止\r\n");
        CHECK(StateLine(&QueryFails) == std::string(kStatePrefix) + "查询服务失败\r\n");
    }
    SUBCASE("XP queries SharedAccess") {
        ScratchService service("SharedAccess");
        REQUIRE(service.ok());
        CHECK(StateUnderVersion("winxp") == std::string(kStatePrefix) + "停止\r\n");
        CHECK(StateUnderVersion("vista") == std::string(kStatePrefix) + "打开服务失败\r\n");
    }
    SUBCASE("2000 and Server 2003 are not supported") {
        CHECK(StateUnderVersion("win2k") == std::string(kStatePrefix) + "不支持的操作系统\r\n");
        CHECK(StateUnderVersion("win2003") == std::string(kStatePrefix) + "不支持的操作系统\r\n");
    }
}

TEST_CASE("company name from a version resource") {
    AnsiString company = "unchanged";
    CHECK(rk::GetCompanyName(Wide(ExeFolder() + "company\\KPFW32.EXE").c_str(), company));
    CHECK(company == "测试防火墙公司");
    company = "unchanged";
    CHECK_FALSE(rk::GetCompanyName(Wide(ExeFolder() + "plain\\KPFW32.EXE").c_str(), company));
    CHECK_FALSE(rk::GetCompanyName(Wide(ExeFolder() + "no such file.exe").c_str(), company));
    CHECK(company == "unchanged");
}

TEST_CASE("known firewall processes") {
    CHECK(sizeof(rk::kKnownFirewallProcesses) / sizeof(rk::kKnownFirewallProcesses[0]) == 22);
    CHECK(std::string(rk::kKnownFirewallProcesses[0]) == "rfwmain.exe");
    CHECK(std::string(rk::kKnownFirewallProcesses[16]) == "Kpfw32.exe");
    CHECK(std::string(rk::kKnownFirewallProcesses[21]) == "pshost.exe");

    SUBCASE("none running: the state line and the separator") {
        SlotWriter out;
        CHECK(NetDiagnostics::FirewallReport(out) == 1);
        CHECK(out.Text() == std::string(kNoServiceLine) + kSeparator);
    }
    SUBCASE("a process whose executable names its company") {
        FirewallDummy dummy(ExeFolder() + "company\\KPFW32.EXE");
        REQUIRE(dummy.ready());
        SlotWriter lines;
        CHECK(rk::FindFirewallProcess("Kpfw32.exe", lines));
        CHECK(lines.Text() == "可能的防火墙进程:" + dummy.path() + " --- 测试防火墙公司\r\n");

        SlotWriter out;
        CHECK(NetDiagnostics::FirewallReport(out) == 1);
        CHECK(out.Text() == kNoServiceLine + lines.Text() + kSeparator);
    }
    SUBCASE("a process without a version resource") {
        FirewallDummy dummy(ExeFolder() + "plain\\KPFW32.EXE");
        REQUIRE(dummy.ready());
        SlotWriter lines;
        CHECK_FALSE(rk::FindFirewallProcess("Kpfw32.exe", lines));
        CHECK(lines.Text() == "可能的防火墙进程:" + dummy.path() + "\r\n");
    }
    SUBCASE("a process whose modules cannot be listed gets the bare name") {
        FirewallDummy dummy(ExeFolder() + "company\\KPFW32.EXE", true);
        REQUIRE(dummy.ready());
        SlotWriter lines;
        CHECK_FALSE(rk::FindFirewallProcess("Kpfw32.exe", lines));
        CHECK(lines.Text() == "可能的防火墙进程:Kpfw32.exe\r\n");
    }
    SUBCASE("two processes: the search ends at the first company") {
        FirewallDummy plain(ExeFolder() + "plain\\KPFW32.EXE");
        FirewallDummy company(ExeFolder() + "company\\KPFW32.EXE");
        REQUIRE(plain.ready());
        REQUIRE(company.ready());
        SlotWriter lines;
        CHECK(rk::FindFirewallProcess("Kpfw32.exe", lines));
        // Process order is the snapshot's; either way the company line ends the search.
        const std::string companyLine = "可能的防火墙进程:" + company.path() + " --- 测试防火墙公司\r\n";
        const std::string plainLine = "可能的防火墙进程:" + plain.path() + "\r\n";
        CHECK((lines.Text() == companyLine || lines.Text() == plainLine + companyLine));
    }
    SUBCASE("other names find nothing") {
        FirewallDummy dummy(ExeFolder() + "company\\KPFW32.EXE");
        REQUIRE(dummy.ready());
        SlotWriter lines;
        CHECK_FALSE(rk::FindFirewallProcess("pfw.exe", lines));
        CHECK(lines.Text().empty());
    }
}
