#include "base/DesktopUser.h"

#include <sddl.h>
#include <shlobj.h>

#include <vector>

#include "base/Handle.h"

namespace rk {

namespace {

DesktopUserQuery g_query = &FindDesktopUser;

}  // namespace

std::vector<BYTE> TokenUserSid(HANDLE token) {
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> info(size ? size : 1);
    if (!size || !::GetTokenInformation(token, TokenUser, info.data(), size, &size)) return {};
    PSID sid = reinterpret_cast<TOKEN_USER*>(info.data())->User.Sid;
    const BYTE* bytes = static_cast<const BYTE*>(sid);
    return std::vector<BYTE>(bytes, bytes + ::GetLengthSid(sid));
}

DesktopUser FindDesktopUser() {
    DesktopUser user;
    DWORD pid = 0;
    HWND shell = ::GetShellWindow();
    if (!shell || !::GetWindowThreadProcessId(shell, &pid) || !pid) return user;
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
    UniqueHandle shellToken, ownToken;
    if (!process || !::OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE, shellToken.put()) ||
        !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, ownToken.put()))
        return user;
    std::vector<BYTE> shellUser = TokenUserSid(shellToken.get());
    std::vector<BYTE> ownUser = TokenUserSid(ownToken.get());
    if (shellUser.empty() || ownUser.empty() || ::EqualSid(shellUser.data(), ownUser.data())) return user;
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(shellUser.data(), &text)) return user;
    UniqueLocal hold(text);
    wchar_t desktop[MAX_PATH] = {};
    if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, shellToken.get(), SHGFP_TYPE_CURRENT, desktop)))
        user.desktop = desktop;
    user.sid = text;
    user.other = true;
    return user;
}

DesktopUserQuery SetDesktopUserQuery(DesktopUserQuery query) {
    const DesktopUserQuery previous = g_query;
    g_query = query ? query : &FindDesktopUser;
    return previous;
}

DesktopUser CurrentDesktopUser() { return g_query(); }

}  // namespace rk
