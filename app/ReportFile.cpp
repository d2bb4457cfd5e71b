#include "app/ReportFile.h"

#include "app/OutputRules.h"
#include "base/Handle.h"

namespace rk {

BOOL WriteWholeBuffer(HANDLE file, const void* data, DWORD size, DWORD* written) {
    return ::WriteFile(file, data, size, written, nullptr);
}

bool WriteReportFile(const AnsiString& path, const AnsiString& text, FileWriter writer) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool created = static_cast<bool>(file);
    bool writeOk = false;
    DWORD written = 0;
    if (created) {
        writeOk = writer(file.get(), text.data(), static_cast<DWORD>(text.size()), &written) != FALSE;
        // A close that fails may have lost buffered bytes.
        writeOk = ::CloseHandle(file.release()) != FALSE && writeOk;
    }
    return SaveComplete(created, writeOk, written, text.size());
}

}  // namespace rk
