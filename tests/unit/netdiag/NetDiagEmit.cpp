// Prints an exact number of bytes on its standard output: netdiag_emit COUNT [ZERO_AT]
// Byte i is kEmitPattern[i % 64]; with ZERO_AT, that one byte is a zero instead.
// netdiag_emit hold EVENT prints nothing until the named event is set.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "tests/unit/netdiag/NetDiagEmit.h"

using namespace rk_test;

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (std::string(argv[1]) == "hold" && argc > 2) {
        HANDLE event = ::OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
        return event && ::WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0 ? 0 : 1;
    }
    long count = std::atol(argv[1]);
    long zeroAt = argc > 2 ? std::atol(argv[2]) : -1;
    std::string bytes = EmitBytes(count, zeroAt);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return written == bytes.size() ? 0 : 1;
}
