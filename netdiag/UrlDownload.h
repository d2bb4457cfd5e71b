#pragma once
#include <windows.h>

namespace rk {

// URLDownloadToFileA, with urlmon loaded on the first download rather than at start-up (it brings
// WinINet and Winsock with it). Without urlmon it fails with the loader's error as the last error.
HRESULT UrlDownloadToFile(const char* url, const char* path);

}  // namespace rk
