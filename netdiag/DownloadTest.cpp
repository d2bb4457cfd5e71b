// The timed download of the suite's update file.
#include "base/Handle.h"
#include "netdiag/DiagnosisRun.h"
#include "netdiag/NetDiagnostics.h"
#include "netdiag/RunFolder.h"
#include "netdiag/SectionLines.h"
#include "netdiag/UrlDownload.h"

namespace rk {

DWORD QueryFileSize(const wchar_t* path, DWORD* sizeHigh) {
    *sizeHigh = 0;
    WIN32_FIND_DATAW data;
    UniqueFind find(::FindFirstFileW(path, &data));
    if (!find) return kNoFileSize;
    *sizeHigh = data.nFileSizeHigh;
    return data.nFileSizeLow;
}

bool NetDiagnostics::DownloadTest(const char* url, SlotWriter& out) {
    out.Set(kDownloadHeader);
    RunFolder* folder = out.Folder();
    const std::wstring path = folder ? folder->NewFilePath(L"downQuortest.ini") : std::wstring();
    if (path.empty()) {
        // Nowhere of the run's own to download to.
        out.Append(DownloadFailureLine(ERROR_CANNOT_MAKE, 0, 0));
        out.Append(kSectionSeparator);
        return false;
    }

    // Loading urlmon, WinINet and iertutil (and an on-access scanner looking at each) is no part
    // of the download's time. A failure to bind shows in the call's own result.
    CurrentUrlDownloadBinder()();
    const DWORD start = ::GetTickCount();
    const UrlDownloadResult download = UrlDownloadToFile(url, path);
    const DWORD end = ::GetTickCount();
    const DownloadVerdict verdict = JudgeDownload(download.result, download.httpStatus, download.lastError);
    if (!verdict.succeeded) {
        // A failed download may have stored an error page.
        ::DeleteFileW(path.c_str());
        out.Append(DownloadFailureLine(verdict.failureCode, start, end));
        out.Append(kSectionSeparator);
        return false;
    }

    DWORD sizeHigh = 0;
    const DWORD size = QueryFileSize(path.c_str(), &sizeHigh);
    const bool found = !(size == kNoFileSize && sizeHigh == 0 && ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES);
    const AnsiString line = DownloadSuccessLine(start, end, found, size);
    ::DeleteFileW(path.c_str());
    out.Append(line);
    out.Append(kSectionSeparator);
    return true;
}

}  // namespace rk
