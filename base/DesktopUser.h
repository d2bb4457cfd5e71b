#pragma once
// The account whose desktop the tool shows on, where that is not the account of the tool's token.
//
// Elevated with another account's password (a standard user asked for an administrator's, or
// Windows 11's administrator protection), the tool's HKEY_CURRENT_USER and desktop are that other
// account's, while the user who asked for help is the desktop's. The desktop's user is the owner
// of the shell window's process.
#include <windows.h>

#include <string>
#include <vector>

namespace rk {

struct DesktopUser {
    bool other = false;    // the desktop belongs to another account than the tool's token
    std::wstring sid;      // that account's SID as text, for its hive under HKEY_USERS
    std::wstring desktop;  // that account's desktop folder; empty when it cannot be had
};

// The SID of a token's user, as bytes; empty when it cannot be read.
std::vector<BYTE> TokenUserSid(HANDLE token);

// The desktop's user; `other` false when it is the tool's own account or cannot be told, so that
// every failure leaves the tool reading its own settings.
DesktopUser FindDesktopUser();

// Where the probes ask; tests put in a query of their own. Null puts FindDesktopUser back.
using DesktopUserQuery = DesktopUser (*)();
DesktopUserQuery SetDesktopUserQuery(DesktopUserQuery query);
DesktopUser CurrentDesktopUser();

}  // namespace rk
