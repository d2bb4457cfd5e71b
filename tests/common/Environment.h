#pragma once
// An environment variable set for the length of a test; programs started meanwhile inherit it.
#include <windows.h>

#include <string>

namespace rk_test {

struct EnvironmentOverride {
    std::string name;
    std::string saved;
    bool had;
    EnvironmentOverride(const char* n, const std::string& value) : name(n) {
        char buffer[32768];
        DWORD length = ::GetEnvironmentVariableA(n, buffer, sizeof buffer);
        had = length > 0 && length < sizeof buffer;
        if (had) saved.assign(buffer, length);
        ::SetEnvironmentVariableA(n, value.c_str());
    }
    ~EnvironmentOverride() { ::SetEnvironmentVariableA(name.c_str(), had ? saved.c_str() : nullptr); }
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;
};

}  // namespace rk_test
