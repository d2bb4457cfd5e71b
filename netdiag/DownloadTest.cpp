// The timed download of the suite's update file.
#include "base/Handle.h"
#include "netdiag/NetDiagnostics.h"
#include "netdiag/SectionLines.h"
#include "netdiag/TempFileClaim.h"
#include "netdiag/UrlDownload.h"

namespace rk {

DWORD NetDiagnostics::QueryFileSize(const char* path, DWORD* sizeHigh) {
    *sizeHigh = 0;
    WIN32_FIND_DATAA data;
    UniqueFind find(::FindFirstFileA(path, &data));
    if (!find) return kNoFileSize;
    *sizeHigh = data.nFileSizeHigh;
    return data.nFileSizeLow;
}

bool NetDiagnostics::DownloadTest(const char* url, SlotWriter& out) {
    out.Set(kDownloadHeader);
    AnsiString path;
    if (!TempFilePath(kDownloadFileName, path)) {
        // No temp directory within 260 characters: nowhere to download to.
        out.Append(DownloadFailureLine(ERROR_BUFFER_OVERFLOW, 0, 0));
        out.Append(kSectionSeparator);
        return false;
    }

    // A probe abandoned at an earlier run's bound may still be downloading into this file, and
    // deletes it when done: then this one downloads to a file of its own.
    TempFileClaim claim(path.c_str());
    if (!claim) {
        out.Append(DownloadFailureLine(claim.Error(), 0, 0));
        out.Append(kSectionSeparator);
        return false;
    }
    path = claim.Path();

    const DWORD start = ::GetTickCount();
    const UrlDownloadResult download = UrlDownloadToFile(url, path.c_str());
    const DownloadVerdict verdict = JudgeDownload(download.result, download.httpStatus, download.lastError);
    if (!verdict.succeeded) {
        const DWORD end = ::GetTickCount();
        out.Append(DownloadFailureLine(verdict.failureCode, start, end));
        out.Append(kSectionSeparator);
        return false;
    }
    const DWORD end = ::GetTickCount();

    DWORD sizeHigh = 0;
    const DWORD size = QueryFileSize(path.c_str(), &sizeHigh);
    const bool found = !(size == kNoFileSize && sizeHigh == 0 && ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES);
    const AnsiString line = DownloadSuccessLine(start, end, found, size);
    ::DeleteFileA(path.c_str());
    out.Append(line);
    out.Append(kSectionSeparator);
    return true;
}

}  // namespace rk
