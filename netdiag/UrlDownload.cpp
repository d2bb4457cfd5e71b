#include "netdiag/UrlDownload.h"

#include "base/LateBinding.h"

namespace rk {

namespace {

using DownloadFn = HRESULT(WINAPI*)(void* caller, const char* url, const char* path, DWORD reserved, void* status);
LateBinding g_download("urlmon.dll", "URLDownloadToFileA");

}  // namespace

HRESULT UrlDownloadToFile(const char* url, const char* path) {
    const DownloadFn download = g_download.Get<DownloadFn>();
    if (!download) return HRESULT_FROM_WIN32(::GetLastError());
    return download(nullptr, url, path, 0, nullptr);
}

}  // namespace rk
