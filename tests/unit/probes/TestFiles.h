#pragma once
// Files the probe tests write into the test program's folder; each is removed when the test ends.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/TestPaths.h"

namespace rk_test {

class TestFile {
public:
    TestFile(const std::string& name, const void* data, size_t size)
        : m_name(ExeFolder() + name), m_wide(Wide(m_name)) {
        ::DeleteFileA(m_name.c_str());
        HANDLE h = ::CreateFileA(m_name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return;
        DWORD written = 0;
        m_ok = size == 0 || (::WriteFile(h, data, DWORD(size), &written, nullptr) && written == size);
        ::CloseHandle(h);
    }
    TestFile(const std::string& name, const std::vector<uint8_t>& bytes)
        : TestFile(name, bytes.data(), bytes.size()) {}
    ~TestFile() { ::DeleteFileA(m_name.c_str()); }
    TestFile(const TestFile&) = delete;
    TestFile& operator=(const TestFile&) = delete;
    bool ok() const { return m_ok; }
    const wchar_t* path() const { return m_wide.c_str(); }

private:
    std::string m_name;
    std::wstring m_wide;
    bool m_ok = false;
};

}  // namespace rk_test
