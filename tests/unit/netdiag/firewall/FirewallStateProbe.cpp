// Writes the firewall state line to the file named by its argument. The tests run copies of it
// under names that Wine gives different Windows versions.
#include <windows.h>

#include <cstdio>

#include "netdiag/DiagnosisRun.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    rk::SlotWriter out;
    rk::AppendFirewallState(out);
    FILE* file = std::fopen(argv[1], "wb");
    if (!file) return 1;
    std::fwrite(out.Text().data(), 1, out.Text().size(), file);
    std::fclose(file);
    return 0;
}
