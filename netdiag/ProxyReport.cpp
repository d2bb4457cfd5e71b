// The current user's browser proxy settings.
#include <shlwapi.h>

#include <cstring>

#include "netdiag/NetDiagnostics.h"
#include "netdiag/SectionLines.h"

namespace rk {

namespace {

constexpr char kInternetSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// Reads one REG_SZ value into the first `length` bytes of `buffer`; false unless taken.
bool ReadText(const char* name, char* buffer, DWORD length, AnsiString& text) {
    std::memset(buffer, 0, length);
    DWORD type = 0;
    DWORD size = length;
    const LONG status = ::SHGetValueA(HKEY_CURRENT_USER, kInternetSettingsKey, name, &type, buffer, &size);
    if (!RegValueTaken(status, type, REG_SZ)) return false;
    text = RegTextValue(buffer, size < length ? size : length);
    return true;
}

}  // namespace

void NetDiagnostics::AppendProxyList(AnsiString text, SlotWriter& result) { result.Append(ProxyListForm(text)); }

bool NetDiagnostics::ProxyReport(SlotWriter& out) {
    out.Set(kProxyHeader);

    DWORD word = 0;
    DWORD type = 0;
    DWORD size = sizeof(word);
    const LONG status = ::SHGetValueA(HKEY_CURRENT_USER, kInternetSettingsKey, "ProxyEnable", &type, &word, &size);
    out.Append(ProxyEnableLine(RegValueTaken(status, type, REG_DWORD), word));

    // The three texts share one buffer; the user agent is offered only its first 260 bytes.
    char buffer[520];
    AnsiString text;
    bool taken = ReadText("User Agent", buffer, 260, text);
    out.Append(UserAgentLine(taken, text));

    taken = ReadText("ProxyOverride", buffer, sizeof(buffer), text);
    if (taken) {
        out.Append("ProxyOverride: ");
        AppendProxyList(text, out);
        out.Append("\r\n");
    } else {
        out.Append(ProxyOverrideLine(false, text));
    }

    taken = ReadText("ProxyServer", buffer, sizeof(buffer), text);
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
