#pragma once
// Tests whose program may aim beyond this machine check first that they run in a network namespace
// with only loopback (scripts/test.sh makes one), and fail with one line when they do not.
// winsock2.h must come before windows.h.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <doctest/doctest.h>

#include <string>
#include <vector>

namespace rk_test {

// The interfaces that are up and are not loopback, by name; empty when there are none.
inline std::string InterfacesBeyondLoopback() {
    std::vector<char> buffer(1 << 16);
    ULONG size = static_cast<ULONG>(buffer.size());
    auto* first = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    const ULONG result = ::GetAdaptersAddresses(AF_UNSPEC, 0, nullptr, first, &size);
    if (result == ERROR_NO_DATA) return "";
    if (result != NO_ERROR) return "(the interfaces cannot be read: error " + std::to_string(result) + ")";
    std::string names;
    for (auto* adapter = first; adapter; adapter = adapter->Next) {
        if (adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK || adapter->OperStatus != IfOperStatusUp) continue;
        char name[256] = {};
        ::WideCharToMultiByte(CP_ACP, 0, adapter->FriendlyName, -1, name, sizeof name - 1, nullptr, nullptr);
        names += std::string(names.empty() ? "" : ", ") + name;
    }
    return names;
}

inline void RequireOnlyLoopback() {
    const std::string beyond = InterfacesBeyondLoopback();
    if (!beyond.empty())
        FAIL("refused: this test could reach beyond this machine through " << beyond
             << "; run it in a network namespace with only loopback, as scripts/test.sh does");
}

}  // namespace rk_test
