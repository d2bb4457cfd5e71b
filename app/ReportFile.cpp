#include "app/ReportFile.h"

#include "app/OutputRules.h"
#include "base/Handle.h"
#include "ui/Window.h"

namespace rk {

BOOL WriteWholeBuffer(HANDLE file, const void* data, DWORD size, DWORD* written) {
    return ::WriteFile(file, data, size, written, nullptr);
}

namespace {

// Kept from the target on a replace. Read-only stays behind: a temporary file that took it could
// not be deleted after a failed replace.
const DWORD kCarriedAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Failures that someone else holding one of the two files causes, and that pass when they let go.
bool ReplaceMayRetry(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Writes the text into the file and flushes it; true when every byte is on disk. The file is
// created anew (`disposition` CREATE_ALWAYS) or opened and cut to the text (OPEN_ALWAYS): a hidden
// or system file refuses CREATE_ALWAYS with plain attributes.
bool WriteWholeFile(const wchar_t* path, DWORD disposition, const AnsiString& text, FileWriter writer) {
    UniqueFile file(::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) return false;
    DWORD written = 0;
    bool writeOk = writer(file.get(), text.data(), static_cast<DWORD>(text.size()), &written) != FALSE;
    writeOk = ::SetEndOfFile(file.get()) != FALSE && writeOk;
    // A network share reports a lost write on the flush or the close, not on the write.
    writeOk = ::FlushFileBuffers(file.get()) != FALSE && writeOk;
    writeOk = ::CloseHandle(file.release()) != FALSE && writeOk;
    return SaveComplete(true, writeOk, written, text.size());
}

// Whether nobody holds the file in a way that keeps it from being moved; when somebody does, the
// last error says so. Wine's replace leaves a file of its own beside the target when it cannot
// move one of the two, so it is asked only when both are free.
bool FreeToMove(const wchar_t* path) {
    return static_cast<bool>(UniqueFile(::CreateFileW(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                      nullptr, OPEN_EXISTING, 0, nullptr)));
}

// Puts the temporary file in the target's place, once. An existing target is replaced so that it
// keeps its permissions; its attributes go over to the new file first, since Wine's replace keeps
// none of them.
bool ReplaceOnce(const wchar_t* temporary, const wchar_t* target) {
    const DWORD attributes = ::GetFileAttributesW(target);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ::MoveFileExW(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!FreeToMove(target) || !FreeToMove(temporary)) return false;
    const DWORD carried = attributes & kCarriedAttributes;
    ::SetFileAttributesW(temporary, carried ? carried : FILE_ATTRIBUTE_NORMAL);
    if (::ReplaceFileW(target, temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) return true;
    // The target is gone and the new file still under its own name: move it into place.
    if (::GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
        return ::MoveFileExW(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    return false;
}

}  // namespace

bool WriteReportFile(const std::wstring& path, const AnsiString& text, FileWriter writer, TemporaryNamer makeTemporary) {
    // The chosen file is replaced only once the whole text is safely in a temporary file beside
    // it, so a write that stops short leaves the user's earlier file as it was.
    wchar_t temporary[MAX_PATH] = {};
    // No temporary file in the folder (no right to create one, or no room in the path for its
    // name) need not stop a save that the plain write manages.
    if (!makeTemporary(FolderOfPath(path).c_str(), L"rk", 0, temporary))
        return WriteWholeFile(path.c_str(), OPEN_ALWAYS, text, writer);
    if (WriteWholeFile(temporary, CREATE_ALWAYS, text, writer)) {
        // An on-access scanner holds a file it has just seen being written for a moment.
        for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
            if (attempt > 0) WaitServingSentMessages(kReplaceRetryMs);
            if (ReplaceOnce(temporary, path.c_str())) return true;
            if (!ReplaceMayRetry(::GetLastError())) break;
        }
    }
    ::DeleteFileW(temporary);
    return false;
}

}  // namespace rk
