#pragma once
// The test run's nginx on 127.0.0.1 (tests/nginx-test.sh): pages are files the test writes into
// the folder it serves.
#include <windows.h>

#include <string>

#include "tests/common/TestPaths.h"

namespace rk_test {

inline std::string NginxSetting(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableA(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? value : "";
}

inline std::string NginxUrl(const std::string& path) { return "http://127.0.0.1:" + NginxSetting("RK_NGINX_PORT") + path; }

// Writes the page `path` ("/a/b.ini"), making its folders.
inline bool NginxServe(std::string path, const std::string& body) {
    std::string file = NginxSetting("RK_NGINX_ROOT");
    if (file.empty()) return false;
    for (char& c : path) c = c == '/' ? '\\' : c;
    for (size_t at = path.find('\\', 1); at != std::string::npos; at = path.find('\\', at + 1))
        ::CreateDirectoryA((file + path.substr(0, at)).c_str(), nullptr);
    return WriteAll(file + path, body);
}

}  // namespace rk_test
