// The signature routes, with fakes in place of the trust functions.
#include <doctest/doctest.h>
#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstddef>
#include <string>

#include "TestFiles.h"
#include "probes/SignatureVerifier.h"

using namespace rk;
using namespace rk_test;

namespace {

struct Fakes {
    int acquires = 0, releases = 0, hashes = 0, lookups = 0, catalogReleases = 0, trusts = 0;
    BOOL acquireResult = TRUE;
    LONG trustResult = 0;
    HANDLE catalog = nullptr;
    DWORD hashLength = 20;        // the length a successful hash reports
    DWORD demandedLength = 0;     // when set, blocks smaller than this are refused
    bool growForever = false;
    DWORD hashError = ERROR_INSUFFICIENT_BUFFER;
    DWORD lookupLength = 0;
    BYTE lookupFirstByte = 0;
    std::wstring trustedPath;
    DWORD trustStructSize = 0, trustUi = 0, trustChoice = 0, trustState = 0, trustProv = 0;
};
Fakes g;

const HANDLE kContext = reinterpret_cast<HANDLE>(0x1234);

BOOL WINAPI FakeAcquire(HANDLE* context, const GUID*, DWORD) {
    ++g.acquires;
    if (g.acquireResult) *context = kContext;
    return g.acquireResult;
}
BOOL WINAPI FakeRelease(HANDLE context, DWORD) {
    CHECK(context == kContext);
    ++g.releases;
    return TRUE;
}
BOOL WINAPI FakeHash(HANDLE, DWORD* length, BYTE* hash, DWORD) {
    ++g.hashes;
    if (g.growForever) {
        *length = *length + 10;
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (*length < g.demandedLength) {
        *length = g.demandedLength;
        ::SetLastError(g.hashError);
        return FALSE;
    }
    hash[0] = 0x5A;
    *length = g.hashLength;
    return TRUE;
}
HANDLE WINAPI FakeLookup(HANDLE context, BYTE* hash, DWORD length, DWORD, HANDLE* previous) {
    ++g.lookups;
    CHECK(context == kContext);
    CHECK(previous == nullptr);
    g.lookupLength = length;
    g.lookupFirstByte = hash[0];
    return g.catalog;
}
BOOL WINAPI FakeCatalogRelease(HANDLE context, HANDLE catalog, DWORD) {
    CHECK(context == kContext);
    CHECK(catalog == g.catalog);
    ++g.catalogReleases;
    return TRUE;
}
LONG WINAPI FakeTrust(HWND window, GUID*, void* data) {
    ++g.trusts;
    CHECK(window == nullptr);
    // Read through the platform's own declaration, so a layout of ours that drifts from it fails.
    const WINTRUST_DATA* request = static_cast<const WINTRUST_DATA*>(data);
    g.trustStructSize = request->cbStruct;
    g.trustUi = request->dwUIChoice;
    g.trustChoice = request->dwUnionChoice;
    g.trustState = request->dwStateAction;
    g.trustProv = request->dwProvFlags;
    g.trustedPath = request->pFile->pcwszFilePath;
    return g.trustResult;
}

// Puts the fakes in place for one test and the real binding back after it.
struct FakeBinding {
    WinTrustBinding saved = WinTrustBinding::Instance();
    FakeBinding() {
        g = Fakes();
        WinTrustBinding& b = WinTrustBinding::Instance();
        b.state = BindState::Ready;
        b.acquireContext = FakeAcquire;
        b.releaseContext = FakeRelease;
        b.calcHashFromFileHandle = FakeHash;
        b.enumCatalogFromHash = FakeLookup;
        b.releaseCatalogContext = FakeCatalogRelease;
        b.winVerifyTrust = FakeTrust;
    }
    ~FakeBinding() { WinTrustBinding::Instance() = saved; }
};

}  // namespace

// A name in this program's folder, whose path is plain ASCII.
std::wstring Here(const wchar_t* name) {
    const std::string folder = ExeFolder();
    return std::wstring(folder.begin(), folder.end()) + name;
}

TEST_CASE("signature routes") {
    FakeBinding fakes;
    TestFile file("rk_sign.exe", std::vector<uint8_t>(300, 1));
    REQUIRE(file.ok());

    SUBCASE("an accepted embedded signature needs no hash") {
        {
            SignatureVerifier verifier;
            CHECK(verifier.Verify(file.path()));
            CHECK(g.trusts == 1);
            CHECK(g.hashes == 0);
            CHECK(g.lookups == 0);
            CHECK(g.trustStructSize == offsetof(WINTRUST_DATA, dwProvFlags) + sizeof(DWORD));
            CHECK(g.trustStructSize == (sizeof(void*) == 4 ? 44u : 76u));
            CHECK(g.trustUi == 2);
            CHECK(g.trustChoice == 1);
            CHECK(g.trustState == 3);
            CHECK(g.trustProv == 0x10);
            CHECK(g.trustedPath == Here(L"rk_sign.exe"));
            // A second question reuses the context.
            CHECK(verifier.Verify(file.path()));
            CHECK(g.acquires == 1);
        }
        CHECK(g.releases == 1);
    }
    SUBCASE("a catalog that lists the hash makes the file signed") {
        g.trustResult = static_cast<LONG>(0x800B0100);
        g.catalog = reinterpret_cast<HANDLE>(0x77);
        SignatureVerifier verifier;
        CHECK(verifier.Verify(file.path()));
        CHECK(g.hashes == 1);
        CHECK(g.lookups == 1);
        CHECK(g.lookupLength == 20);
        CHECK(g.lookupFirstByte == 0x5A);
        CHECK(g.catalogReleases == 1);
    }
    SUBCASE("no catalog: unsigned") {
        g.trustResult = -1;
        SignatureVerifier verifier;
        CHECK_FALSE(verifier.Verify(file.path()));
        CHECK(g.lookups == 1);
        CHECK(g.catalogReleases == 0);
    }
    SUBCASE("a hash longer than 100 bytes comes on the second attempt") {
        g.trustResult = -1;
        g.catalog = reinterpret_cast<HANDLE>(0x77);
        g.demandedLength = 120;
        g.hashLength = 120;
        SignatureVerifier verifier;
        CHECK(verifier.Verify(file.path()));
        CHECK(g.hashes == 2);
        CHECK(g.lookupLength == 120);
    }
    SUBCASE("a provider that always wants more is given up") {
        g.trustResult = -1;
        g.growForever = true;
        SignatureVerifier verifier;
        CHECK_FALSE(verifier.Verify(file.path()));
        CHECK(g.hashes == kMaxHashAttempts);
        CHECK(g.lookups == 0);
    }
    SUBCASE("other hash errors end at once, an error of 0 too") {
        g.trustResult = -1;
        g.demandedLength = 120;
        g.hashError = 0;
        SignatureVerifier verifier;
        CHECK_FALSE(verifier.Verify(file.path()));
        CHECK(g.hashes == 1);
        DWORD length = 9;
        UniqueLocal hash(::LocalAlloc(LMEM_ZEROINIT, 4));
        std::wstring wide = Here(L"rk_sign.exe");
        CHECK_FALSE(verifier.HashFile(wide.c_str(), &length, hash));
        CHECK(length == 0);
        CHECK_FALSE(hash);
    }
    SUBCASE("a file that cannot be opened cannot be hashed") {
        g.trustResult = -1;
        g.catalog = reinterpret_cast<HANDLE>(0x77);
        SignatureVerifier verifier;
        CHECK_FALSE(verifier.Verify("rk_no_such_file.exe"));
        CHECK(g.hashes == 0);
    }
    SUBCASE("without a context every file is unsigned") {
        g.acquireResult = FALSE;
        {
            SignatureVerifier verifier;
            CHECK_FALSE(verifier.Verify(file.path()));
            CHECK(g.trusts == 0);
        }
        CHECK(g.releases == 0);
    }
    SUBCASE("a path in the system code page reaches the trust call as wide text") {
        TestFile chinese("测试文件.exe", std::vector<uint8_t>(10, 1));
        REQUIRE(chinese.ok());
        SignatureVerifier verifier;
        CHECK(verifier.Verify(chinese.path()));
        CHECK(g.trustedPath == Here(L"测试文件.exe"));
    }
    SUBCASE("a failed binding answers unsigned and is never tried again") {
        WinTrustBinding& b = WinTrustBinding::Instance();
        b = WinTrustBinding();
        b.state = BindState::Failed;
        CHECK_FALSE(BindWinTrust());
        SignatureVerifier verifier;
        CHECK_FALSE(verifier.Verify(file.path()));
        CHECK(b.state == BindState::Failed);
        CHECK(reinterpret_cast<void*>(b.winVerifyTrust) == nullptr);
        CHECK(reinterpret_cast<void*>(b.acquireContext) == nullptr);
    }
}

TEST_CASE("the real WINTRUST.DLL binds once") {
    WinTrustBinding saved = WinTrustBinding::Instance();
    WinTrustBinding::Instance() = WinTrustBinding();
    CHECK(BindWinTrust());
    CHECK(WinTrustBinding::Instance().state == BindState::Ready);
    auto trust = WinTrustBinding::Instance().winVerifyTrust;
    CHECK(reinterpret_cast<void*>(trust) != nullptr);
    CHECK(BindWinTrust());
    CHECK(reinterpret_cast<void*>(WinTrustBinding::Instance().winVerifyTrust) == reinterpret_cast<void*>(trust));
    WinTrustBinding::Instance() = saved;
}
