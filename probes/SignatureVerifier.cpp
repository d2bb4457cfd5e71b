#include "probes/SignatureVerifier.h"

#include <mscat.h>
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
// WINTRUST_CATALOG_INFO with hCatAdmin, which Windows 8 added and the headers leave out for XP.
struct TrustCatalogInfo {
    DWORD cbStruct;
    DWORD dwCatalogVersion;
    const wchar_t* pcwszCatalogFilePath;
    const wchar_t* pcwszMemberTag;
    const wchar_t* pcwszMemberFilePath;
    HANDLE hMemberFile;
    BYTE* pbCalculatedFileHash;
    DWORD cbCalculatedFileHash;
    const void* pcCatalogContext;
    HANDLE hCatAdmin;
};
struct TrustData {
    DWORD cbStruct;
    void* pPolicyCallbackData;
    void* pSIPClientData;
    DWORD dwUIChoice;
    DWORD fdwRevocationChecks;
    DWORD dwUnionChoice;
    union {
        TrustFileInfo* pFile;
        TrustCatalogInfo* pCatalog;
    };
    DWORD dwStateAction;
    HANDLE hWVTStateData;
    wchar_t* pwszURLReference;
    DWORD dwProvFlags;
};
constexpr DWORD kTrustDataSize = offsetof(TrustData, dwProvFlags) + sizeof(DWORD);
// Systems before Windows 8 know the catalog request without hCatAdmin.
constexpr DWORD kCatalogInfoSizeBefore8 = offsetof(TrustCatalogInfo, hCatAdmin);

#define RK_SAME_FIELD(ours, theirs, field) static_assert(offsetof(ours, field) == offsetof(theirs, field), #field)
RK_SAME_FIELD(TrustFileInfo, WINTRUST_FILE_INFO, pcwszFilePath);
RK_SAME_FIELD(TrustFileInfo, WINTRUST_FILE_INFO, hFile);
RK_SAME_FIELD(TrustFileInfo, WINTRUST_FILE_INFO, pgKnownSubject);
RK_SAME_FIELD(TrustCatalogInfo, WINTRUST_CATALOG_INFO, dwCatalogVersion);
RK_SAME_FIELD(TrustCatalogInfo, WINTRUST_CATALOG_INFO, pcwszCatalogFilePath);
RK_SAME_FIELD(TrustCatalogInfo, WINTRUST_CATALOG_INFO, pcwszMemberTag);
RK_SAME_FIELD(TrustCatalogInfo, WINTRUST_CATALOG_INFO, pcwszMemberFilePath);
RK_SAME_FIELD(TrustCatalogInfo, WINTRUST_CATALOG_INFO, hMemberFile);
RK_SAME_FIELD(TrustCatalogInfo, WINTRUST_CATALOG_INFO, pbCalculatedFileHash);
RK_SAME_FIELD(TrustCatalogInfo, WINTRUST_CATALOG_INFO, cbCalculatedFileHash);
RK_SAME_FIELD(TrustCatalogInfo, WINTRUST_CATALOG_INFO, pcCatalogContext);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, pPolicyCallbackData);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, dwUIChoice);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, dwUnionChoice);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, pFile);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, pCatalog);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, dwStateAction);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, hWVTStateData);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, pwszURLReference);
RK_SAME_FIELD(TrustData, WINTRUST_DATA, dwProvFlags);
#undef RK_SAME_FIELD
static_assert(sizeof(TrustFileInfo) == sizeof(WINTRUST_FILE_INFO), "WINTRUST_FILE_INFO has its platform size");
#if defined(__i386__)
static_assert(sizeof(TrustFileInfo) == 16 && kTrustDataSize == 44, "the x86 request sizes");
static_assert(kCatalogInfoSizeBefore8 == 36 && sizeof(TrustCatalogInfo) == 40, "the x86 catalog request sizes");
#elif defined(__x86_64__)
static_assert(sizeof(TrustFileInfo) == 32 && kTrustDataSize == 76, "the x64 request sizes");
static_assert(kCatalogInfoSizeBefore8 == 64 && sizeof(TrustCatalogInfo) == 72, "the x64 catalog request sizes");
#endif

constexpr DWORD kUiNone = 2;
constexpr DWORD kRevokeNone = 0;
constexpr DWORD kChoiceFile = 1;
constexpr DWORD kChoiceCatalog = 2;
constexpr DWORD kStateActionVerify = 1;
constexpr DWORD kStateActionClose = 2;
constexpr DWORD kRevocationCheckNone = 0x10;
// BCRYPT_SHA256_ALGORITHM
constexpr wchar_t kSha256Algorithm[] = L"SHA256";

TrustData TrustRequest(DWORD choice) {
    TrustData data = {};
    data.cbStruct = kTrustDataSize;
    data.dwUIChoice = kUiNone;
    data.fdwRevocationChecks = kRevokeNone;
    data.dwUnionChoice = choice;
    data.dwProvFlags = kRevocationCheckNone;
    return data;
}

// The verify call leaves state data behind that only the close call frees, so that one follows
// whatever the verify call answered. (The auto-cache action would need no close, but Wine answers
// it with 0 for every file.)
LONG VerifyThenClose(TrustData& data) {
    WinTrustBinding& b = WinTrustBinding::Instance();
    data.dwStateAction = kStateActionVerify;
    data.hWVTStateData = nullptr;
    const LONG result = b.winVerifyTrust(nullptr, &kGenericVerifyV2, &data);
    data.dwStateAction = kStateActionClose;
    b.winVerifyTrust(nullptr, &kGenericVerifyV2, &data);
    return result;
}

// A catalog found for a hash, released through the context that found it.
class CatalogRef {
public:
    CatalogRef(HANDLE context, HANDLE catalog) : m_context(context), m_catalog(catalog) {}
    ~CatalogRef() {
        if (m_catalog) WinTrustBinding::Instance().releaseCatalogContext(m_context, m_catalog, 0);
    }
    CatalogRef(const CatalogRef&) = delete;
    CatalogRef& operator=(const CatalogRef&) = delete;
    CatalogRef(CatalogRef&& other) noexcept : m_context(other.m_context), m_catalog(other.m_catalog) {
        other.m_catalog = nullptr;
    }
    HANDLE get() const { return m_catalog; }

private:
    HANDLE m_context;
    HANDLE m_catalog;
};

template <typename T>
void Resolve(WinTrustResolver resolve, const char* name, T& slot) {
    slot = reinterpret_cast<T>(resolve(name));
}

}  // namespace

WinTrustBinding& WinTrustBinding::Instance() {
    static WinTrustBinding binding;
    return binding;
}

FARPROC ResolveSystemWinTrust(const char* name) {
    // Stays loaded for the rest of the process.
    static const HMODULE module = LoadSystemLibrary("wintrust.dll");
    return module ? ::GetProcAddress(module, name) : nullptr;
}

bool BindWinTrust(WinTrustResolver resolve) {
    WinTrustBinding& b = WinTrustBinding::Instance();
    if (b.state != BindState::Untried) return b.state == BindState::Ready;
    Resolve(resolve, "CryptCATAdminAcquireContext", b.acquireContext);
    Resolve(resolve, "CryptCATAdminReleaseContext", b.releaseContext);
    Resolve(resolve, "CryptCATAdminCalcHashFromFileHandle", b.calcHashFromFileHandle);
    Resolve(resolve, "CryptCATAdminEnumCatalogFromHash", b.enumCatalogFromHash);
    Resolve(resolve, "CryptCATAdminReleaseCatalogContext", b.releaseCatalogContext);
    Resolve(resolve, "CryptCATCatalogInfoFromContext", b.catalogInfoFromContext);
    Resolve(resolve, "WinVerifyTrust", b.winVerifyTrust);
    Resolve(resolve, "CryptCATAdminAcquireContext2", b.acquireContext2);
    Resolve(resolve, "CryptCATAdminCalcHashFromFileHandle2", b.calcHashFromFileHandle2);
    bool ready = b.acquireContext && b.releaseContext && b.calcHashFromFileHandle && b.enumCatalogFromHash &&
                 b.releaseCatalogContext && b.catalogInfoFromContext && b.winVerifyTrust;
    b.state = ready ? BindState::Ready : BindState::Failed;
    return ready;
}

int CatalogHashOrder(bool haveSha256, CatalogHash order[2]) {
    int n = 0;
    if (haveSha256) order[n++] = CatalogHash::Sha256;
    order[n++] = CatalogHash::Sha1;
    return n;
}

void FormatMemberTag(const BYTE* hash, DWORD length, wchar_t* tag) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    for (DWORD i = 0; i < length; ++i) {
        *tag++ = kDigits[hash[i] >> 4];
        *tag++ = kDigits[hash[i] & 0x0F];
    }
    *tag = L'\0';
}

void ReleaseCatalogAdmin(HANDLE context) { WinTrustBinding::Instance().releaseContext(context, 0); }

bool SignatureVerifier::Verify(const wchar_t* path) {
    if (!BindWinTrust()) return false;
    WinTrustBinding& b = WinTrustBinding::Instance();
    if (!m_context) {
        HANDLE context = nullptr;
        if (!b.acquireContext(&context, nullptr, 0)) return false;
        m_context.reset(context);
    }
    if (VerifyEmbedded(path) == 0) return true;

    UniqueFile file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    CatalogHash order[2];
    const int n = CatalogHashOrder(b.acquireContext2 && b.calcHashFromFileHandle2, order);
    for (int i = 0; i < n; ++i)
        if (VerifyThroughCatalog(path, file.get(), order[i])) return true;
    return false;
}

LONG SignatureVerifier::VerifyEmbedded(const wchar_t* path) {
    TrustFileInfo file = {sizeof(TrustFileInfo), path, nullptr, nullptr};
    TrustData data = TrustRequest(kChoiceFile);
    data.pFile = &file;
    return VerifyThenClose(data);
}

bool SignatureVerifier::VerifyThroughCatalog(const wchar_t* path, HANDLE file, CatalogHash kind) {
    WinTrustBinding& b = WinTrustBinding::Instance();
    UniqueCatalogAdmin sha256Context;
    HANDLE context = m_context.get();
    if (kind == CatalogHash::Sha256) {
        HANDLE acquired = nullptr;
        if (!b.acquireContext2(&acquired, nullptr, kSha256Algorithm, nullptr, 0)) return false;
        sha256Context.reset(acquired);
        context = acquired;
    }
    DWORD length = 0;
    UniqueLocal hash;
    if (!HashFile(file, kind, context, &length, hash)) return false;
    BYTE* bytes = static_cast<BYTE*>(hash.get());
    // Only the first catalog that lists the hash is asked.
    CatalogRef catalog(context, b.enumCatalogFromHash(context, bytes, length, 0, nullptr));
    if (!catalog.get()) return false;
    CATALOG_INFO info = {};
    info.cbStruct = sizeof info;
    if (!b.catalogInfoFromContext(catalog.get(), &info, 0)) return false;
    info.wszCatalogFile[MAX_PATH - 1] = L'\0';
    UniqueBlock<wchar_t> tag = AllocateBlock<wchar_t>((2 * size_t(length) + 1) * sizeof(wchar_t));
    if (!tag) return false;
    FormatMemberTag(bytes, length, tag.get());

    TrustCatalogInfo member = {};
    member.pcwszCatalogFilePath = info.wszCatalogFile;
    member.pcwszMemberTag = tag.get();
    member.pcwszMemberFilePath = path;
    member.hMemberFile = file;
    member.pbCalculatedFileHash = bytes;
    member.cbCalculatedFileHash = length;
    // The SHA-256 route exists only from Windows 8 on, which reads the hash's algorithm from
    // the context; older systems get the request in the size they know.
    if (kind == CatalogHash::Sha256) {
        member.cbStruct = sizeof member;
        member.hCatAdmin = context;
    } else {
        member.cbStruct = kCatalogInfoSizeBefore8;
    }
    TrustData data = TrustRequest(kChoiceCatalog);
    data.pCatalog = &member;
    return VerifyThenClose(data) == 0;
}

bool SignatureVerifier::HashFile(HANDLE file, CatalogHash kind, HANDLE context, DWORD* length, UniqueLocal& hash) {
    *length = 0;
    hash.reset();
    WinTrustBinding& b = WinTrustBinding::Instance();
    DWORD size = kFirstHashLength;
    UniqueLocal block(::LocalAlloc(LMEM_ZEROINIT, size));
    // A provider that keeps asking for more is not followed for ever.
    for (int attempt = 0; block && attempt < kMaxHashAttempts; ++attempt) {
        DWORD reported = size;
        BYTE* bytes = static_cast<BYTE*>(block.get());
        // The same handle serves every attempt and both hashes: each reads from the start.
        ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        const BOOL done = kind == CatalogHash::Sha256 ? b.calcHashFromFileHandle2(context, file, &reported, bytes, 0)
                                                      : b.calcHashFromFileHandle(file, &reported, bytes, 0);
        if (done) {
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
