// The signature routes, with fakes in place of the trust functions.
#include <doctest/doctest.h>
#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "TestFiles.h"
#include "probes/SignatureVerifier.h"

using namespace rk;
using namespace rk_test;

namespace {

struct Fakes {
    int acquires = 0, releases = 0, hashes = 0, lookups = 0, catalogReleases = 0, trusts = 0, closes = 0;
    BOOL acquireResult = TRUE;
    LONG trustResult = 0, memberResult = 0;
    HANDLE catalog = nullptr, catalog256 = nullptr;  // found by SHA-1, by SHA-256
    std::string order;                              // the lookups: "2" by SHA-256, "1" by SHA-1
    std::wstring tag;                               // the member's, with its request's size and hCatAdmin
    DWORD memberSize = 0; HANDLE memberAdmin = nullptr;
    DWORD hashLength = 20;        // the length a successful hash reports
    DWORD demandedLength = 0;     // when set, blocks smaller than this are refused
    bool growForever = false;
    DWORD hashError = ERROR_INSUFFICIENT_BUFFER;
    DWORD lookupLength = 0;
    BYTE lookupFirstByte = 0;
    std::wstring trustedPath;
    DWORD trustStructSize = 0, trustUi = 0, trustChoice = 0, trustProv = 0;
};
Fakes g;

const HANDLE kContext = HANDLE(0x1234), kContext256 = HANDLE(0x2256), kState = HANDLE(0x5151);

BOOL WINAPI FakeAcquire(HANDLE* context, const GUID*, DWORD) {
    ++g.acquires;
    if (g.acquireResult) *context = kContext;
    return g.acquireResult;
}
BOOL WINAPI FakeAcquire2(HANDLE* context, const GUID*, const wchar_t* algorithm, const void*, DWORD) {
    return *context = kContext256, std::wstring(algorithm) == L"SHA256";
}
BOOL WINAPI FakeRelease(HANDLE context, DWORD) {
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
BOOL WINAPI FakeHash2(HANDLE, HANDLE, DWORD* length, BYTE* hash, DWORD) {
    return hash[0] = 0xC2, *length = 32, TRUE;
}
HANDLE WINAPI FakeLookup(HANDLE context, BYTE* hash, DWORD length, DWORD, HANDLE* previous) {
    ++g.lookups;
    CHECK(context == (length == 32 ? kContext256 : kContext));
    CHECK(previous == nullptr);
    g.lookupLength = length;
    g.lookupFirstByte = hash[0];
    g.order += length == 32 ? "2" : "1";
    return length == 32 ? g.catalog256 : g.catalog;
}
BOOL WINAPI FakeCatalogRelease(HANDLE context, HANDLE catalog, DWORD) {
    CHECK(catalog == (context == kContext256 ? g.catalog256 : g.catalog));
    ++g.catalogReleases;
    return TRUE;
}
BOOL WINAPI FakeCatalogInfo(HANDLE, CATALOG_INFO* info, DWORD) {
    return wcscpy(info->wszCatalogFile, L"C:\\x.cat"), info->cbStruct == sizeof(CATALOG_INFO);
}
LONG WINAPI FakeTrust(HWND window, GUID*, void* data) {
    CHECK(window == nullptr);
    // Read through the platform's own declaration, so a layout of ours that drifts from it fails.
    WINTRUST_DATA* request = static_cast<WINTRUST_DATA*>(data);
    if (request->dwStateAction == WTD_STATEACTION_CLOSE) {
        CHECK(request->hWVTStateData == kState);
        return ++g.closes, 0;
    }
    REQUIRE(request->dwStateAction == WTD_STATEACTION_VERIFY);
    CHECK(g.trusts++ == g.closes);  // each verify is closed before the next
    request->hWVTStateData = kState;
    g.trustStructSize = request->cbStruct;
    g.trustUi = request->dwUIChoice;
    g.trustChoice = request->dwUnionChoice;
    g.trustProv = request->dwProvFlags;
    if (request->dwUnionChoice == WTD_CHOICE_FILE) return g.trustedPath = request->pFile->pcwszFilePath, g.trustResult;
    const WINTRUST_CATALOG_INFO* member = request->pCatalog;
    CHECK((member->pcwszCatalogFilePath == std::wstring(L"C:\\x.cat") && member->pcwszMemberFilePath == g.trustedPath));
    CHECK(member->hMemberFile != INVALID_HANDLE_VALUE);
    CHECK(member->pbCalculatedFileHash[0] == (member->cbCalculatedFileHash == 32 ? 0xC2 : 0x5A));
    g.tag = member->pcwszMemberTag;
    g.memberSize = member->cbStruct;
    // hCatAdmin, which the headers leave out, follows the older form's last field.
    if (member->cbStruct > sizeof(*member)) g.memberAdmin = *reinterpret_cast<const HANDLE*>(member + 1);
    return g.memberResult;
}

const char* const kRequiredWinTrust[] = {
    "CryptCATAdminAcquireContext",        "CryptCATAdminReleaseContext",
    "CryptCATAdminCalcHashFromFileHandle", "CryptCATAdminEnumCatalogFromHash",
    "CryptCATAdminReleaseCatalogContext", "CryptCATCatalogInfoFromContext",
    "WinVerifyTrust"};
const char* g_missing = "";

// A WINTRUST.DLL that lacks g_missing; what it finds is never called.
FARPROC ResolveAllBut(const char* name) {
    return std::strcmp(name, g_missing) == 0 ? nullptr : reinterpret_cast<FARPROC>(&FakeTrust);
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
        b.catalogInfoFromContext = FakeCatalogInfo;
        b.winVerifyTrust = FakeTrust;
    }
    ~FakeBinding() { CHECK(g.closes == g.trusts); WinTrustBinding::Instance() = saved; }
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
        CHECK(g.tag == L"5A" + std::wstring(38, L'0'));
        CHECK(g.memberSize == sizeof(WINTRUST_CATALOG_INFO));
    }
    SUBCASE("catalogs by SHA-256 first where wintrust has it, then by SHA-1; the member must be taken") {
        struct { bool acquire2, hash2, listed256, listed1; LONG member; bool isSigned; const char* order; int releases; } cases[] = {
            {true, true, true, false, 0, true, "2", 1}, {true, true, false, true, 0, true, "21", 1},
            {true, true, true, true, LONG(0x80096010), false, "21", 2}, {true, false, true, true, 0, true, "1", 1},
            {false, false, true, true, 0, true, "1", 1}};
        for (const auto& c : cases) {
            g = Fakes();
            g.trustResult = static_cast<LONG>(0x800B0100);
            g.memberResult = c.member;
            g.catalog256 = c.listed256 ? reinterpret_cast<HANDLE>(0x256) : nullptr;
            g.catalog = c.listed1 ? reinterpret_cast<HANDLE>(0x77) : nullptr;
            WinTrustBinding::Instance().acquireContext2 = c.acquire2 ? FakeAcquire2 : nullptr;
            WinTrustBinding::Instance().calcHashFromFileHandle2 = c.hash2 ? FakeHash2 : nullptr;
            CHECK(SignatureVerifier().Verify(file.path()) == c.isSigned);
            CHECK(g.order == c.order);
            CHECK(g.catalogReleases == c.releases);
            CHECK(g.releases == (c.hash2 ? 2 : 1));
            if (std::string(c.order) == "2") {
                CHECK(g.tag == L"C2" + std::wstring(62, L'0'));
                CHECK(g.memberSize == sizeof(WINTRUST_CATALOG_INFO) + sizeof(HANDLE));
                CHECK(g.memberAdmin == kContext256);
            }
        }
    }
    SUBCASE("no catalog: unsigned") {
        g.trustResult = ERROR_INVALID_PARAMETER;  // not 0, so no success either
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
        UniqueFile open(::CreateFileW(file.path(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        CHECK_FALSE(verifier.HashFile(open.get(), CatalogHash::Sha1, nullptr, &length, hash));
        CHECK(length == 0);
        CHECK_FALSE(hash);
    }
    SUBCASE("a file that cannot be opened cannot be hashed") {
        g.trustResult = -1;
        g.catalog = reinterpret_cast<HANDLE>(0x77);
        SignatureVerifier verifier;
        CHECK_FALSE(verifier.Verify(L"rk_no_such_file.exe"));
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
    SUBCASE("a WINTRUST.DLL without one of the functions fails the binding, which answers unsigned and is never tried again") {
        for (const char* name : kRequiredWinTrust) {
            CAPTURE(name);
            g_missing = name;
            WinTrustBinding& b = WinTrustBinding::Instance();
            b = WinTrustBinding();
            REQUIRE_FALSE(BindWinTrust(&ResolveAllBut));  // bound, it would call the stand-ins
            g_missing = "";
            CHECK_FALSE(BindWinTrust(&ResolveAllBut));
            SignatureVerifier verifier;
            CHECK_FALSE(verifier.Verify(file.path()));
            CHECK(g.trusts == 0);
        }
        // Without the two functions of Windows 8 it binds.
        g_missing = "CryptCATAdminAcquireContext2";
        WinTrustBinding::Instance() = WinTrustBinding();
        CHECK(BindWinTrust(&ResolveAllBut));
    }
}

TEST_CASE("the real WINTRUST.DLL binds once") {
    WinTrustBinding saved = WinTrustBinding::Instance();
    WinTrustBinding::Instance() = WinTrustBinding();
    CHECK(BindWinTrust());
    CHECK(WinTrustBinding::Instance().state == BindState::Ready);
    auto trust = WinTrustBinding::Instance().winVerifyTrust;
    CHECK(reinterpret_cast<void*>(trust) != nullptr);
    CHECK(reinterpret_cast<void*>(WinTrustBinding::Instance().catalogInfoFromContext) != nullptr);
    CHECK(BindWinTrust());
    CHECK(reinterpret_cast<void*>(WinTrustBinding::Instance().winVerifyTrust) == reinterpret_cast<void*>(trust));
    WinTrustBinding::Instance() = saved;
}
