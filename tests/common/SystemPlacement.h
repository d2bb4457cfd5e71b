#pragma once
// Places userinit.exe in the prefix's system32 and Daveno.lnk on its desktop for one test, or
// makes sure neither is there, sets registry keys aside, and puts back what was there before, so
// tests that change the system leave it as they found it; and folders of a test's own.
#include <doctest/doctest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>
#include <utility>

#include "base/Handle.h"
#include "tests/common/TestPaths.h"

namespace rk_test {

inline std::string UserinitPath() {
    char dir[MAX_PATH] = {};
    ::GetWindowsDirectoryA(dir, MAX_PATH);
    // Where the tool looks: under WoW64 the 64-bit system32, which only Sysnative names for us.
    const std::string native = std::string(dir) + "\\Sysnative";
    const bool wow64 = ::GetFileAttributesA(native.c_str()) != INVALID_FILE_ATTRIBUTES;
    return (wow64 ? native : std::string(dir) + "\\system32") + "\\userinit.exe";
}

inline std::string DesktopLinkPath() {
    char dir[MAX_PATH] = {};
    REQUIRE(::SHGetSpecialFolderPathA(nullptr, dir, CSIDL_DESKTOP, FALSE));
    return std::string(dir) + "\\Daveno.lnk";
}

// A folder of the test's own, emptied of what a killed run left and removed at the end.
struct FreshFolder {
    std::string path;  // no trailing backslash
    explicit FreshFolder(std::string folder) : path(std::move(folder)) {
        RemoveTree(path);
        REQUIRE(::CreateDirectoryA(path.c_str(), nullptr));
    }
    ~FreshFolder() { RemoveTree(path); }
    FreshFolder(const FreshFolder&) = delete;
    FreshFolder& operator=(const FreshFolder&) = delete;
    std::string File(const std::string& name) const { return path + "\\" + name; }
};

// Moves whatever stands at a path aside for one test and puts it back afterwards. What a killed
// run set aside is put back first. One per path at a time.
struct SetAside {
    std::string path;
    std::string aside;
    explicit SetAside(const std::string& at) : path(at), aside(at + ".rk-aside") {
        if (FileExists(aside)) PutBack();
        ::MoveFileExA(path.c_str(), aside.c_str(), 0);
        REQUIRE(!FileExists(path));
    }
    ~SetAside() { PutBack(); }
    void PutBack() {
        ::DeleteFileA(path.c_str());
        ::RemoveDirectoryA(path.c_str());
        ::MoveFileExA(aside.c_str(), path.c_str(), 0);
    }
    SetAside(const SetAside&) = delete;
    SetAside& operator=(const SetAside&) = delete;
};

inline void CloseKey(HKEY key) { ::RegCloseKey(key); }
using UniqueKey = rk::UniqueAny<HKEY, CloseKey>;

inline UniqueKey OpenUserKey(const std::string& name, bool create) {
    UniqueKey key;
    if (create)
        ::RegCreateKeyExA(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    else
        ::RegOpenKeyExA(HKEY_CURRENT_USER, name.c_str(), 0, KEY_ALL_ACCESS, key.put());
    return key;
}

// Moves a key of the current user aside for one test and puts it back afterwards. The aside key
// is made even for a missing key, so that what a killed run left is told from an original, and
// put back first.
struct KeyAside {
    std::string key;
    std::string aside;
    std::string kept;  // the original, when there was one
    explicit KeyAside(const std::string& at) : key(at), aside(at + ".rk-aside"), kept(aside + "\\kept") {
        PutBack();
        REQUIRE(OpenUserKey(aside, true));
        if (UniqueKey original = OpenUserKey(key, false))
            REQUIRE(::SHCopyKeyA(original.get(), nullptr, OpenUserKey(kept, true).get(), 0) == ERROR_SUCCESS);
        ::SHDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
        REQUIRE(!OpenUserKey(key, false));
    }
    ~KeyAside() { PutBack(); }
    void PutBack() {
        if (!OpenUserKey(aside, false)) return;
        ::SHDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
        if (UniqueKey original = OpenUserKey(kept, false))
            if (::SHCopyKeyA(original.get(), nullptr, OpenUserKey(key, true).get(), 0) != ERROR_SUCCESS) return;
        ::SHDeleteKeyA(HKEY_CURRENT_USER, aside.c_str());
    }
    KeyAside(const KeyAside&) = delete;
    KeyAside& operator=(const KeyAside&) = delete;
};

// Copies one of the small test programs into place as userinit.exe for the test's duration.
struct PlacedUserinit {
    SetAside earlier{UserinitPath()};
    explicit PlacedUserinit(const char* source) { REQUIRE(::CopyFileA(source, earlier.path.c_str(), FALSE)); }
};

// A shortcut to target (ASCII) saved at the UTF-16 path at.
inline void SaveShortcut(const std::wstring& at, const char* target) {
    REQUIRE(SUCCEEDED(::CoInitialize(nullptr)));
    IShellLinkA* link = nullptr;
    REQUIRE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&link))));
    link->SetPath(target);
    IPersistFile* file = nullptr;
    HRESULT hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) {
        hr = file->Save(at.c_str(), TRUE);
        file->Release();
    }
    link->Release();
    ::CoUninitialize();
    REQUIRE(SUCCEEDED(hr));
}

struct DesktopLink {
    SetAside earlier{DesktopLinkPath()};
    std::string path = earlier.path;
    explicit DesktopLink(const char* target) { SaveShortcut(Wide(path), target); }
};

}  // namespace rk_test
