#pragma once
// Is a file signed? Accepted when WinVerifyTrust takes its embedded signature, or else when its
// hash is listed in an installed catalog. WINTRUST.DLL is bound by name once per process.
#include <windows.h>

#include "base/Handle.h"

#include <cstdint>

namespace rk {

enum class BindState { Untried = 0, Ready = 1, Failed = 2 };

// The process-wide binding. Its entry points are plain fields so that tests can put fakes in
// place of the trust functions.
struct WinTrustBinding {
    using AcquireContextFn = BOOL(WINAPI*)(HANDLE* context, const GUID* subsystem, DWORD flags);
    using ReleaseContextFn = BOOL(WINAPI*)(HANDLE context, DWORD flags);
    using CalcHashFn = BOOL(WINAPI*)(HANDLE file, DWORD* length, BYTE* hash, DWORD flags);
    using EnumCatalogFn = HANDLE(WINAPI*)(HANDLE context, BYTE* hash, DWORD length, DWORD flags,
                                          HANDLE* previous);
    using ReleaseCatalogFn = BOOL(WINAPI*)(HANDLE context, HANDLE catalog, DWORD flags);
    using VerifyTrustFn = LONG(WINAPI*)(HWND window, GUID* action, void* data);

    BindState state = BindState::Untried;
    AcquireContextFn acquireContext = nullptr;
    ReleaseContextFn releaseContext = nullptr;
    CalcHashFn calcHashFromFileHandle = nullptr;
    EnumCatalogFn enumCatalogFromHash = nullptr;
    ReleaseCatalogFn releaseCatalogContext = nullptr;
    VerifyTrustFn winVerifyTrust = nullptr;

    static WinTrustBinding& Instance();
};

// Binds on the first call (the load is never tried again); true when the binding is ready.
bool BindWinTrust();

class SignatureVerifier {
public:
    SignatureVerifier() = default;
    virtual ~SignatureVerifier();
    SignatureVerifier(const SignatureVerifier&) = delete;
    SignatureVerifier& operator=(const SignatureVerifier&) = delete;

    // path is ANSI text in the system's code page.
    bool Verify(const char* path);
    bool VerifyWide(const wchar_t* path);
    LONG VerifyEmbedded(const wchar_t* path);
    // The catalog hash of the file in a LocalAlloc block; false with an empty block and 0.
    bool HashFile(const wchar_t* path, DWORD* length, UniqueLocal& hash);

private:
    HANDLE m_context = nullptr;
};

// A provider that keeps asking for a bigger block is given up on after this many attempts.
constexpr int kMaxHashAttempts = 4;

}  // namespace rk
