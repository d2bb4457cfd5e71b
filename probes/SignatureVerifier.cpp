#include "probes/SignatureVerifier.h"

#include <softpub.h>
#include <wintrust.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "base/Handle.h"
#include "base/Scoped.h"
#include "base/SystemLibrary.h"

namespace rk {
namespace {

constexpr DWORD kFirstHashLength = 100;

// WINTRUST_ACTION_GENERIC_VERIFY_V2
GUID kGenericVerifyV2 = {0x00AAC56B, 0xCD44, 0x11D0, {0x8C, 0xC2, 0x00, 0xC0, 0x4F, 0xC2, 0x95, 0xEE}};

// The trust request cut after dwProvFlags, as every system from Windows XP on accepts it: 44
// bytes on x86, 76 on x64. The layout must match the platform's WINTRUST_DATA field for field.
struct TrustFileInfo {
    DWORD cbStruct;
    const wchar_t* pcwszFilePath;
    HANDLE hFile;
    const GUID* pgKnownSubject;
};
struct TrustData {
    DWORD cbStruct;
    void* pPolicyCallbackData;
    void* pSIPClientData;
    DWORD dwUIChoice;
    DWORD fdwRevocationChecks;
    DWORD dwUnionChoice;
    TrustFileInfo* pFile;
    DWORD dwStateAction;
    HANDLE hWVTStateData;
    wchar_t* pwszURLReference;
    DWORD dwProvFlags;
};
constexpr DWORD kTrustDataSize = offsetof(TrustData, dwProvFlags) + sizeof(DWORD);

#define RK_SAME_FIELD(ours, theirs, field) static_assert(offsetof(ours, field) == offsetof(theirs, field), #field)
RK_SAME_FIELD(TrustFileInfo, WINTRUST_FILE_INFO, pcwszFilePath);
RK_SAME_FIELD(TrustFileInfo, WINTRUST_FILE_INFO, hFile);
RK_SAME_FIELD(TrustFileInfo, WINTRUST_FILE_INFO, pgKnownSubject);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, pPolicyCallbackData);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, dwUIChoice);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, dwUnionChoice);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, pFile);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, dwStateAction);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, hWVTStateData);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, pwszURLReference);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, dwProvFlags);
#undef RK_SAME_FIELD
static_assert(sizeof(TrustFileInfo) == sizeof(WINTRUST_FILE_INFO), "WINTRUST_FILE_INFO has its platform size");
#if defined(__i386__)
static_assert(sizeof(TrustFileInfo) == 16 && kTrustDataSize == 44, "the x86 request sizes");
#elif defined(__x86_64__)
static_assert(sizeof(TrustFileInfo) == 32 && kTrustDataSize == 76, "the x64 request sizes");
#endif

constexpr DWORD kUiNone = 2;
constexpr DWORD kRevokeNone = 0;
constexpr DWORD kChoiceFile = 1;
constexpr DWORD kStateActionAutoCache = 3;
constexpr DWORD kRevocationCheckNone = 0x10;

template <typename T>
void Resolve(HMODULE module, const char* name, T& slot) {
    slot = module ? reinterpret_cast<T>(::GetProcAddress(module, name)) : nullptr;
}

}  // namespace

WinTrustBinding& WinTrustBinding::Instance() {
    static WinTrustBinding binding;
    return binding;
}

bool BindWinTrust() {
    WinTrustBinding& b = WinTrustBinding::Instance();
    if (b.state != BindState::Untried) return b.state == BindState::Ready;
    // Stays loaded for the rest of the process.
    HMODULE module = LoadSystemLibrary("wintrust.dll");
    Resolve(module, "CryptCATAdminAcquireContext", b.acquireContext);
    Resolve(module, "CryptCATAdminReleaseContext", b.releaseContext);
    Resolve(module, "CryptCATAdminCalcHashFromFileHandle", b.calcHashFromFileHandle);
    Resolve(module, "CryptCATAdminEnumCatalogFromHash", b.enumCatalogFromHash);
    Resolve(module, "CryptCATAdminReleaseCatalogContext", b.releaseCatalogContext);
    Resolve(module, "WinVerifyTrust", b.winVerifyTrust);
    bool ready = b.acquireContext && b.releaseContext && b.calcHashFromFileHandle && b.enumCatalogFromHash &&
                 b.releaseCatalogContext && b.winVerifyTrust;
    b.state = ready ? BindState::Ready : BindState::Failed;
    return ready;
}

SignatureVerifier::~SignatureVerifier() {
    if (m_context && BindWinTrust()) WinTrustBinding::Instance().releaseContext(m_context, 0);
}

bool SignatureVerifier::Verify(const char* path) {
    size_t n = std::strlen(path);
    UniqueBlock<wchar_t> wide = AllocateBlock<wchar_t>((n + 2) * sizeof(wchar_t));
    if (!wide) return false;
    if (::MultiByteToWideChar(CP_ACP, 0, path, static_cast<int>(n + 1), wide.get(), static_cast<int>(n + 2)) == 0)
        return false;
    return VerifyWide(wide.get());
}

bool SignatureVerifier::VerifyWide(const wchar_t* path) {
    if (!BindWinTrust()) return false;
    WinTrustBinding& b = WinTrustBinding::Instance();
    if (!m_context && !b.acquireContext(&m_context, nullptr, 0)) return false;
    if (VerifyEmbedded(path) >= 0) return true;

    DWORD length = 0;
    UniqueLocal hash;
    if (!HashFile(path, &length, hash)) return false;
    HANDLE catalog = b.enumCatalogFromHash(m_context, static_cast<BYTE*>(hash.get()), length, 0, nullptr);
    bool listed = catalog != nullptr;
    if (listed) b.releaseCatalogContext(m_context, catalog, 0);
    return listed;
}

LONG SignatureVerifier::VerifyEmbedded(const wchar_t* path) {
    TrustFileInfo file = {sizeof(TrustFileInfo), path, nullptr, nullptr};
    TrustData data = {};
    data.cbStruct = kTrustDataSize;
    data.dwUIChoice = kUiNone;
    data.fdwRevocationChecks = kRevokeNone;
    data.dwUnionChoice = kChoiceFile;
    data.pFile = &file;
    data.dwStateAction = kStateActionAutoCache;
    data.dwProvFlags = kRevocationCheckNone;
    return WinTrustBinding::Instance().winVerifyTrust(nullptr, &kGenericVerifyV2, &data);
}

bool SignatureVerifier::HashFile(const wchar_t* path, DWORD* length, UniqueLocal& hash) {
    *length = 0;
    hash.reset();
    UniqueFile file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    WinTrustBinding& b = WinTrustBinding::Instance();
    DWORD size = kFirstHashLength;
    UniqueLocal block(::LocalAlloc(LMEM_ZEROINIT, size));
    // A provider that keeps asking for more is not followed for ever.
    for (int attempt = 0; block && attempt < kMaxHashAttempts; ++attempt) {
        DWORD reported = size;
        if (b.calcHashFromFileHandle(file.get(), &reported, static_cast<BYTE*>(block.get()), 0)) {
            // Never hand on a length beyond the block, whatever the provider claims.
            *length = reported <= size ? reported : size;
            hash = std::move(block);
            return true;
        }
        DWORD error = ::GetLastError();
        if (error == 0) error = ERROR_INVALID_DATA;
        block.reset();
        if (error != ERROR_INSUFFICIENT_BUFFER || reported == 0) break;
        size = reported;
        block.reset(::LocalAlloc(LMEM_ZEROINIT, size));
    }
    return false;
}

}  // namespace rk
