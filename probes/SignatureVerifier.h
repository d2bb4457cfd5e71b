#pragma once
// Is a file signed? Accepted when WinVerifyTrust takes its embedded signature, or else when an
// installed catalog lists its hash and WinVerifyTrust takes the file as that catalog's member.
// WINTRUST.DLL is bound by name once per process.
#include <windows.h>
#include <mscat.h>

#include "base/Handle.h"

#include <cstdint>

namespace rk {

enum class BindState { Untried = 0, Ready = 1, Failed = 2 };

// The process-wide binding. Its entry points are plain fields so that tests can put fakes in
// place of the trust functions.
struct WinTrustBinding {
    using AcquireContextFn = BOOL(WINAPI*)(HANDLE* context, const GUID* subsystem, DWORD flags);
    // strongSignPolicy is a CERT_STRONG_SIGN_PARA; always null here.
    using AcquireContext2Fn = BOOL(WINAPI*)(HANDLE* context, const GUID* subsystem, const wchar_t* hashAlgorithm,
                                            const void* strongSignPolicy, DWORD flags);
    using ReleaseContextFn = BOOL(WINAPI*)(HANDLE context, DWORD flags);
    using CalcHashFn = BOOL(WINAPI*)(HANDLE file, DWORD* length, BYTE* hash, DWORD flags);
    using CalcHash2Fn = BOOL(WINAPI*)(HANDLE context, HANDLE file, DWORD* length, BYTE* hash, DWORD flags);
    using EnumCatalogFn = HANDLE(WINAPI*)(HANDLE context, BYTE* hash, DWORD length, DWORD flags,
                                          HANDLE* previous);
    using CatalogInfoFn = BOOL(WINAPI*)(HANDLE catalog, CATALOG_INFO* info, DWORD flags);
    using ReleaseCatalogFn = BOOL(WINAPI*)(HANDLE context, HANDLE catalog, DWORD flags);
    using VerifyTrustFn = LONG(WINAPI*)(HWND window, GUID* action, void* data);

    BindState state = BindState::Untried;
    AcquireContextFn acquireContext = nullptr;
    ReleaseContextFn releaseContext = nullptr;
    CalcHashFn calcHashFromFileHandle = nullptr;
    EnumCatalogFn enumCatalogFromHash = nullptr;
    ReleaseCatalogFn releaseCatalogContext = nullptr;
    CatalogInfoFn catalogInfoFromContext = nullptr;
    VerifyTrustFn winVerifyTrust = nullptr;
    // Windows 8 on: catalogs by SHA-256. Optional; without both only SHA-1 is asked for.
    AcquireContext2Fn acquireContext2 = nullptr;
    CalcHash2Fn calcHashFromFileHandle2 = nullptr;

    static WinTrustBinding& Instance();
};

// A WINTRUST.DLL function by name, or null. Tests pass one that lacks some.
using WinTrustResolver = FARPROC (*)(const char* name);
FARPROC ResolveSystemWinTrust(const char* name);

// Binds on the first call (never tried again); true when the binding is ready, which needs every
// function but the two of Windows 8.
bool BindWinTrust(WinTrustResolver resolve = &ResolveSystemWinTrust);

enum class CatalogHash { Sha256, Sha1 };

// The hashes to look catalogs up by, in order, into order[2]; returns how many. Catalogs of
// Windows 8 on list SHA-256, older ones SHA-1.
int CatalogHashOrder(bool haveSha256, CatalogHash order[2]);

// A catalog's member tag for a hash: its bytes in upper-case hex. tag holds 2 * length + 1.
void FormatMemberTag(const BYTE* hash, DWORD length, wchar_t* tag);

void ReleaseCatalogAdmin(HANDLE context);
using UniqueCatalogAdmin = UniqueAny<HANDLE, ReleaseCatalogAdmin>;

class SignatureVerifier {
public:
    SignatureVerifier() = default;
    virtual ~SignatureVerifier() = default;
    SignatureVerifier(const SignatureVerifier&) = delete;
    SignatureVerifier& operator=(const SignatureVerifier&) = delete;

    bool Verify(const wchar_t* path);
    LONG VerifyEmbedded(const wchar_t* path);
    // The catalog hash of an open file in a LocalAlloc block; false with an empty block and 0.
    // context is the one the SHA-256 hash is computed in; SHA-1 needs none.
    bool HashFile(HANDLE file, CatalogHash kind, HANDLE context, DWORD* length, UniqueLocal& hash);

private:
    bool VerifyThroughCatalog(const wchar_t* path, HANDLE file, CatalogHash kind);

    // The SHA-1 context, acquired before the first check and kept for the verifier's lifetime.
    UniqueCatalogAdmin m_context;
};

// A provider that keeps asking for a bigger block is given up on after this many attempts.
constexpr int kMaxHashAttempts = 4;

}  // namespace rk
