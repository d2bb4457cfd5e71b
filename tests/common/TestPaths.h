#pragma once
// Folders the tests work in.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Handle.h"

namespace rk_test {

// A path of the tests (the system's code page) as the product's UTF-16 paths.
inline std::wstring Wide(const std::string& path) {
    std::wstring wide(path.size(), L'\0');
    wide.resize(::MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), &wide[0], static_cast<int>(wide.size())));
    return wide;
}

// The folder of this test program, with a trailing backslash.
inline std::string ExeFolder() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// The user's temp folder as GetTempPathA gives it, with its trailing backslash.
inline std::string TempFolder() {
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    return folder;
}

inline bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A file's bytes; false when it cannot be read.
inline bool ReadFileBytes(const std::string& path, std::string& bytes) {
    rk::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    bytes.assign(::GetFileSize(file.get(), nullptr), '\0');
    DWORD got = 0;
    if (!bytes.empty() && !::ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr))
        return false;
    bytes.resize(got);
    return true;
}

// A file's bytes, or "<missing>" when it cannot be read.
inline std::string ReadAll(const std::string& path) {
    std::string bytes;
    return ReadFileBytes(path, bytes) ? bytes : "<missing>";
}

inline bool WriteAll(const std::string& path, const std::string& bytes) {
    rk::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// The names in a folder, sorted.
inline std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    rk::UniqueFind find(::FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find) return names;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(find.get(), &data));
    std::sort(names.begin(), names.end());
    return names;
}

// What the tool's runs left in the temp folder: their folders' names.
inline std::vector<std::string> RunLeftovers() {
    std::vector<std::string> names = Listing(TempFolder());
    names.erase(std::remove_if(names.begin(), names.end(), [](const std::string& n) { return n.compare(0, 7, "Rekkor-") != 0; }),
                names.end());
    return names;
}

// Removes a folder with everything in it, read-only files too.
inline void RemoveTree(const std::string& folder) {
    for (const std::string& name : Listing(folder)) {
        const std::string path = folder + "\\" + name;
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (::GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(path);
        else
            ::DeleteFileA(path.c_str());
    }
    ::RemoveDirectoryA(folder.c_str());
}

}  // namespace rk_test
