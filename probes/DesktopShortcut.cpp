#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdlib>

#include "engine/CheckEngine.h"
#include "base/Handle.h"
#include "probes/BoundedText.h"

namespace rk {
namespace {

const CLSID kClsidShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidShellLinkA = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kIidPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr DWORD kLoadMode = 1;  // STGM_WRITE
constexpr DWORD kGetPathFlags = 2;  // SLGP_UNCPRIORITY

template <typename T>
struct ComRelease {
    void operator()(T* p) const { p->Release(); }
};

}  // namespace

int32_t CheckEngine::GetDesktopShortcutTarget(char* target, uint32_t capacity) {
    char path[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOP, FALSE)) return 0;
    BoundedAppend(path, MAX_PATH, "\\Daveno.lnk");

    WIN32_FIND_DATAA found;
    {
        UniqueFind search(::FindFirstFileA(path, &found));
        if (!search) return 0;
    }
    if (found.dwFileAttributes == INVALID_FILE_ATTRIBUTES || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;

    ::CoInitialize(nullptr);
    auto uninit = MakeScopeExit([] { ::CoUninitialize(); });

    IShellLinkA* link = nullptr;
    if (FAILED(::CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkA,
                                  reinterpret_cast<void**>(&link))))
        return 0;
    // Declared after uninit, so released before it: the file interface first, then the link.
    auto releaseLink = MakeScopeExit([link] { link->Release(); });
    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(kIidPersistFile, reinterpret_cast<void**>(&file)))) return 0;
    auto releaseFile = MakeScopeExit([file] { file->Release(); });

    wchar_t widePath[MAX_PATH] = {};
    std::mbstowcs(widePath, path, MAX_PATH);
    if (file->Load(widePath, kLoadMode) != S_OK) return 0;
    char linkTarget[MAX_PATH] = {};
    if (link->GetPath(linkTarget, MAX_PATH, nullptr, kGetPathFlags) != S_OK) return 0;
    BoundedCopy(target, capacity, linkTarget);
    return 1;
}

}  // namespace rk
