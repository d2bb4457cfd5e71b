// The public address as an outside lookup page shows it.
#include <vector>

#include "base/Handle.h"
#include "netdiag/NetDiagnostics.h"
#include "netdiag/SectionLines.h"
#include "netdiag/RunFolder.h"
#include "netdiag/UrlDownload.h"

namespace rk {

namespace {

// The lines of the downloaded page; empty when it cannot be read whole.
AnsiString ReadLookupLines(const std::wstring& path) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return AnsiString();
    DWORD high = 0;
    const DWORD size = ::GetFileSize(file.get(), &high);
    if (size == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return AnsiString();
    if (high != 0 || size == 0) return AnsiString();
    // The page comes off the network: only its first kLookupPageLimit bytes are read.
    const DWORD take = size < kLookupPageLimit ? size : kLookupPageLimit;
    std::vector<char> bytes(take);
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data(), take, &read, nullptr)) return AnsiString();
    return ExtractLookupLines(bytes.data(), read);
}

}  // namespace

bool NetDiagnostics::PublicAddressLookup(const char* url, SlotWriter& out) {
    out.Set(kLookupHeader);
    RunFolder* folder = out.Folder();
    const std::wstring path = folder ? folder->NewFilePath(L"Quoripseeker.ini") : std::wstring();
    // Nowhere to download to counts as a failed download.
    if (path.empty()) {
        out.Append(kLookupFailed);
        out.Append(kSectionSeparator);
        return false;
    }
    const UrlDownloadResult download = UrlDownloadToFile(url, path);
    if (!JudgeDownload(download.result, download.httpStatus, download.lastError).succeeded) {
        ::DeleteFileW(path.c_str());
        out.Append(kLookupFailed);
        out.Append(kSectionSeparator);
        return false;
    }
    const AnsiString lines = ReadLookupLines(path);
    if (!lines.empty()) out.Append(lines);
    out.Append(kSectionSeparator);
    ::DeleteFileW(path.c_str());
    return true;
}

}  // namespace rk
