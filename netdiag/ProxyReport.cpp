// The desktop user's browser proxy settings.
#include <shlwapi.h>

#include <cstring>

#include "base/DesktopUser.h"
#include "netdiag/DiagnosisRun.h"
#include "netdiag/NetDiagnostics.h"
#include "netdiag/SectionLines.h"

namespace rk {

namespace {

constexpr char kInternetSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// Where the settings of the desktop's user are: the tool's own HKEY_CURRENT_USER, or that user's
// hive when the tool runs as another account.
struct SettingsKey {
    HKEY root = HKEY_CURRENT_USER;
    AnsiString path = kInternetSettingsKey;
    SettingsKey() {
        const DesktopUser user = CurrentDesktopUser();
        if (!user.other) return;
        root = HKEY_USERS;
        path = AnsiString(user.sid.begin(), user.sid.end()) + "\\" + kInternetSettingsKey;  // a SID is ASCII
    }
};

// Reads one REG_SZ value into the first `length` bytes of `buffer`; false unless taken.
bool ReadText(const SettingsKey& key, const char* name, char* buffer, DWORD length, AnsiString& text) {
    std::memset(buffer, 0, length);
    DWORD type = 0;
    DWORD size = length;
    const LONG status = ::SHGetValueA(key.root, key.path.c_str(), name, &type, buffer, &size);
    if (!RegValueTaken(status, type, REG_SZ)) return false;
    text = RegTextValue(buffer, size < length ? size : length);
    return true;
}

}  // namespace

void AppendProxyList(AnsiString text, SlotWriter& result) { result.Append(ProxyListForm(text)); }

bool NetDiagnostics::ProxyReport(SlotWriter& out) {
    out.Set(kProxyHeader);

    const SettingsKey key;
    DWORD word = 0;
    DWORD type = 0;
    DWORD size = sizeof(word);
    const LONG status = ::SHGetValueA(key.root, key.path.c_str(), "ProxyEnable", &type, &word, &size);
    out.Append(ProxyEnableLine(RegValueTaken(status, type, REG_DWORD), word));

    // The three texts share one buffer; the user agent is offered only its first 260 bytes.
    char buffer[520];
    AnsiString text;
    bool taken = ReadText(key, "User Agent", buffer, 260, text);
    out.Append(UserAgentLine(taken, text));

    taken = ReadText(key, "ProxyOverride", buffer, sizeof(buffer), text);
    if (taken) {
        out.Append("ProxyOverride: ");
        AppendProxyList(text, out);
        out.Append("\r\n");
    } else {
        out.Append(ProxyOverrideLine(false, text));
    }

    taken = ReadText(key, "ProxyServer", buffer, sizeof(buffer), text);
    if (taken) {
        out.Append("ProxyServer:   ");
        AppendProxyList(text, out);
        out.Append("\r\n");
    } else {
        out.Append(ProxyServerLine(false, text));
    }

    out.Append(kSectionSeparator);
    return true;
}

}  // namespace rk
