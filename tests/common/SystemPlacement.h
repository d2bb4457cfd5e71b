#pragma once
// Places userinit.exe in the prefix's system32 and Daveno.lnk on its desktop for one test, and
// removes them again, so tests that change the system leave nothing behind.
#include <doctest/doctest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

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

// Copies one of the small test programs into place as userinit.exe for the test's duration.
struct PlacedUserinit {
    std::string path = UserinitPath();
    explicit PlacedUserinit(const char* source) {
        ::DeleteFileA(path.c_str());
        REQUIRE(::CopyFileA(source, path.c_str(), FALSE));
    }
    ~PlacedUserinit() { ::DeleteFileA(path.c_str()); }
};

struct DesktopLink {
    std::string path = DesktopLinkPath();
    explicit DesktopLink(const char* target) {
        ::DeleteFileA(path.c_str());
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
    ~DesktopLink() { ::DeleteFileA(path.c_str()); }
};

}  // namespace rk_test
