#pragma once
// Places userinit.exe in the prefix's system32 and Daveno.lnk on its desktop for one test, or
// makes sure neither is there, and puts back what was there before, so tests that change the
// system leave it as they found it.
#include <doctest/doctest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

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

// Moves whatever stands at a path aside for one test and puts it back afterwards. What a killed
// run set aside is put back first. One per path at a time.
struct SetAside {
    std::string path;
    std::string aside;
    explicit SetAside(const std::string& at) : path(at), aside(at + ".rk-aside") {
        PutBack();
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

// Copies one of the small test programs into place as userinit.exe for the test's duration.
struct PlacedUserinit {
    SetAside earlier{UserinitPath()};
    explicit PlacedUserinit(const char* source) { REQUIRE(::CopyFileA(source, earlier.path.c_str(), FALSE)); }
};

struct DesktopLink {
    SetAside earlier{DesktopLinkPath()};
    std::string path = earlier.path;
    explicit DesktopLink(const char* target) {
        REQUIRE(SUCCEEDED(::CoInitialize(nullptr)));
        IShellLinkA* link = nullptr;
        REQUIRE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                             reinterpret_cast<void**>(&link))));
        link->SetPath(target);
        IPersistFile* file = nullptr;
        HRESULT hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
        if (SUCCEEDED(hr)) {
            wchar_t wide[MAX_PATH] = {};
            ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
            hr = file->Save(wide, TRUE);
            file->Release();
        }
        link->Release();
        ::CoUninitialize();
        REQUIRE(SUCCEEDED(hr));
    }
};

}  // namespace rk_test
