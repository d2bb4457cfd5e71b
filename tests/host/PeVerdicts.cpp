// Prints what the pure core says about files, for the referee (pe_referee.py) to compare with a
// second implementation. Reads lines "PATH<TAB>RVA RVA ..." (RVAs in decimal) from standard input
// and writes for each "PATH<TAB>VERDICT<TAB>MD5<TAB>SIZE<TAB>OFFSET OFFSET ...": the header
// examination's verdict over the whole file (1 looks infected), the MD5 of the file fed in
// 4096-byte pieces, and RvaToFileOffset of each RVA (4294967295 when it lies in no section).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "probes/ImageHeaders.h"
#include "probes/Md5.h"

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        const size_t tab = line.find('\t');
        const std::string path = line.substr(0, tab);
        std::ifstream file(path, std::ios::binary | std::ios::ate);
        const std::streamoff length = file ? static_cast<std::streamoff>(file.tellg()) : -1;
        if (length < 0 || length > 0xFFFFFFFFll) {
            std::cout << path << "\tunreadable\n";
            continue;
        }
        // Exactly the file's bytes, so a read past them shows.
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        file.seekg(0);
        if (!file.read(reinterpret_cast<char*>(bytes.data()), length)) {
            std::cout << path << "\tunreadable\n";
            continue;
        }
        const uint32_t size = static_cast<uint32_t>(bytes.size());

        rk::Md5 md5;
        for (size_t at = 0; at < bytes.size(); at += 4096)
            md5.Update(bytes.data() + at, bytes.size() - at < 4096 ? bytes.size() - at : 4096);
        uint8_t digest[16];
        md5.Finish(digest);
        char hex[33];

        std::cout << path << '\t' << (rk::ExamineImage(bytes.data(), size) ? 1 : 0) << '\t'
                  << rk::FormatDigestHex(digest, hex) << '\t' << size << '\t';
        std::istringstream rvas(tab == std::string::npos ? std::string() : line.substr(tab + 1));
        uint32_t rva = 0;
        bool first = true;
        while (rvas >> rva) {
            std::cout << (first ? "" : " ") << rk::RvaToFileOffset(bytes.data(), size, rva);
            first = false;
        }
        std::cout << '\n';
    }
    return 0;
}
