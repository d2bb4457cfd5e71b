#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "base/DesktopUser.h"
#include "base/Handle.h"
#include "base/ReportCodePage.h"
#include "base/Scoped.h"
#include "probes/BoundedText.h"
#include "probes/DesktopShortcut.h"

namespace rk {
namespace {

const CLSID kClsidShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidShellLinkW = {0x000214F9, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr DWORD kLoadMode = 1;  // STGM_WRITE
constexpr DWORD kGetPathFlags = 2;  // SLGP_UNCPRIORITY

}  // namespace

bool GetDesktopShortcutTarget(char* target, uint32_t capacity) {
    // The desktop of the user who sees the tool, which is the tool's own unless it runs as
    // another account.
    const DesktopUser user = CurrentDesktopUser();
    wchar_t folder[MAX_PATH] = {};
    if (user.other && !user.desktop.empty() && user.desktop.size() < MAX_PATH)
        lstrcpynW(folder, user.desktop.c_str(), MAX_PATH);
    else if (!::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_DESKTOP, FALSE))
        return false;
    const std::wstring path = std::wstring(folder) + L"\\Daveno.lnk";
    if (path.size() >= MAX_PATH) return false;

    WIN32_FIND_DATAW found;
    {
        UniqueFind search(::FindFirstFileW(path.c_str(), &found));
        if (!search) return false;
    }
    if (found.dwFileAttributes == INVALID_FILE_ATTRIBUTES || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;

    ComApartment com;
    // Declared after the apartment, so released before it: the file interface first, then the link.
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkW, link.put())))
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(kIidPersistFile, file.put()))) return false;

    if (file->Load(path.c_str(), kLoadMode) != S_OK) return false;
    wchar_t linkTarget[MAX_PATH] = {};
    if (link->GetPath(linkTarget, MAX_PATH, nullptr, kGetPathFlags) != S_OK) return false;
    // The report's own bytes, '?' for what code page 936 lacks; never a cut path.
    return BoundedCopy(target, capacity, ReportBytes(linkTarget).c_str()) == kBoundedOk;
}

}  // namespace rk
