#pragma once
// Registry scaffolding for the probe tests. The Wine prefix is shared by every test of a build,
// so tests never touch the real keys: a predefined root is redirected to a scratch key for the
// duration of a test, and the scratch key is deleted afterwards.
#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "tests/common/TestPaths.h"

namespace rk_test {

class RedirectedRoot {
public:
    // Redirects `root` of this process to HKCU\Software\RekkorTest\<name>, emptied first.
    RedirectedRoot(HKEY root, const char* name) : m_root(root) {
        m_path = std::string("Software\\RekkorTest\\") + name;
        ::SHDeleteKeyA(HKEY_CURRENT_USER, m_path.c_str());
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr) ==
            ERROR_SUCCESS)
            m_ok = ::RegOverridePredefKey(m_root, m_key) == ERROR_SUCCESS;
    }
    ~RedirectedRoot() {
        ::RegOverridePredefKey(m_root, nullptr);
        if (m_key) ::RegCloseKey(m_key);
        ::SHDeleteKeyA(HKEY_CURRENT_USER, m_path.c_str());
        ::SHDeleteEmptyKeyA(HKEY_CURRENT_USER, "Software\\RekkorTest");
    }
    RedirectedRoot(const RedirectedRoot&) = delete;
    RedirectedRoot& operator=(const RedirectedRoot&) = delete;

    bool ok() const { return m_ok; }

    // Writes a value under the redirected root.
    bool Set(const char* subkey, const char* value, DWORD type, const void* data, DWORD size) {
        return ::SHSetValueA(m_root, subkey, value, type, data, size) == ERROR_SUCCESS;
    }
    bool SetText(const char* subkey, const char* value, const std::string& text) {
        return Set(subkey, value, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    bool SetWord(const char* subkey, const char* value, DWORD word) {
        return Set(subkey, value, REG_DWORD, &word, sizeof(word));
    }

private:
    HKEY m_root;
    HKEY m_key = nullptr;
    std::string m_path;
    bool m_ok = false;
};

}  // namespace rk_test
