#include "app/ReportFile.h"

#include "app/OutputRules.h"
#include "base/Handle.h"

namespace rk {

BOOL WriteWholeBuffer(HANDLE file, const void* data, DWORD size, DWORD* written) {
    return ::WriteFile(file, data, size, written, nullptr);
}

namespace {

// Writes into the temporary file and flushes it; true when every byte is on disk.
bool FillTemporaryFile(const char* temporary, const AnsiString& text, FileWriter writer) {
    UniqueFile file(::CreateFileA(temporary, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    bool writeOk = writer(file.get(), text.data(), static_cast<DWORD>(text.size()), &written) != FALSE;
    // A network share reports a lost write on the flush or the close, not on the write.
    writeOk = ::FlushFileBuffers(file.get()) != FALSE && writeOk;
    writeOk = ::CloseHandle(file.release()) != FALSE && writeOk;
    return SaveComplete(true, writeOk, written, text.size());
}

}  // namespace

bool WriteReportFile(const AnsiString& path, const AnsiString& text, FileWriter writer) {
    // The chosen file is replaced only once the whole text is safely in a temporary file beside
    // it, so a write that stops short leaves the user's earlier file as it was.
    char temporary[MAX_PATH] = {};
    if (!::GetTempFileNameA(FolderOfPath(path).c_str(), "rk", 0, temporary)) return false;
    if (FillTemporaryFile(temporary, text, writer) &&
        ::MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileA(temporary);
    return false;
}

}  // namespace rk
