#pragma once
#include <windows.h>

#include <string>

namespace rk {

// What one download left to decide on.
struct UrlDownloadResult {
    HRESULT result;    // URLDownloadToFileW's own answer
    DWORD httpStatus;  // the server's status code; 0 when no response was seen
    DWORD lastError;   // the thread's last error right after the call
};

// URLDownloadToFileW, with urlmon loaded on the first download rather than at start-up (it brings
// WinINet and Winsock with it). Without urlmon it fails with the loader's error as the last error.
// The request always reaches the server: nothing is read from or written to the browser cache.
UrlDownloadResult UrlDownloadToFile(const char* url, const std::wstring& path);

// Loads urlmon (and with it WinINet) and binds the download, so that a timed download does not
// count the loading; false when it cannot be bound. Tests put in one that takes longer.
using UrlDownloadBinder = bool (*)();
bool BindUrlDownload();
UrlDownloadBinder SetUrlDownloadBinder(UrlDownloadBinder binder);
UrlDownloadBinder CurrentUrlDownloadBinder();

}  // namespace rk
