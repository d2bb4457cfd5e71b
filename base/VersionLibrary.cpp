#include "base/VersionLibrary.h"

#include "base/LateBinding.h"

namespace rk {

namespace {

using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

LateBinding g_size("version.dll", "GetFileVersionInfoSizeW");
LateBinding g_info("version.dll", "GetFileVersionInfoW");
LateBinding g_query("version.dll", "VerQueryValueA");

}  // namespace

DWORD VersionInfoSize(const wchar_t* path, DWORD* handle) {
    const SizeFn size = g_size.Get<SizeFn>();
    return size ? size(path, handle) : 0;
}

bool VersionInfo(const wchar_t* path, DWORD size, void* data) {
    const InfoFn info = g_info.Get<InfoFn>();
    return info && info(path, 0, size, data);
}

bool VersionQuery(const void* block, const char* subBlock, void** value, UINT* length) {
    const QueryFn query = g_query.Get<QueryFn>();
    return query && query(block, subBlock, value, length);
}

}  // namespace rk
