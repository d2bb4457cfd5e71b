#include "netdiag/UrlDownload.h"

#include <urlmon.h>
#include <wininet.h>

#include <cstring>
#include <new>

#include "base/LateBinding.h"
#include "base/Scoped.h"

namespace rk {

namespace {

LateBinding g_download("urlmon.dll", "URLDownloadToFileW");

// The download's bind-status callback: it keeps the server's HTTP status and asks for a fresh
// copy. urlmon may hold a reference past the call, so it lives on the heap and goes with its last
// reference. Every answer is S_OK: Wine ignores a failing one, and a failed answer on Windows
// would only change the call's result, so the caller decides on the status once the call is back.
class FreshDownloadCallback final : public IBindStatusCallback, public IHttpNegotiate {
public:
    FreshDownloadCallback() = default;
    DWORD HttpStatus() const { return static_cast<DWORD>(::InterlockedCompareExchange(&m_status, 0, 0)); }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(IBindStatusCallback))) {
            *object = static_cast<IBindStatusCallback*>(this);
        } else if (IsEqualIID(iid, __uuidof(IHttpNegotiate))) {
            *object = static_cast<IHttpNegotiate*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    // IBindStatusCallback
    STDMETHODIMP OnStartBinding(DWORD, IBinding* binding) override {
        if (binding && !m_binding) {
            binding->AddRef();
            m_binding = binding;
        }
        return S_OK;
    }
    STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
    STDMETHODIMP OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
    STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override {
        // A urlmon that never called OnResponse still knows the status from the request.
        if (HttpStatus() == 0 && m_binding) RecordStatus(QueryStatus(m_binding));
        ReleaseBinding();
        return S_OK;
    }
    STDMETHODIMP GetBindInfo(DWORD* flags, BINDINFO* info) override {
        if (!flags || !info) return E_INVALIDARG;
        // Past the cache both ways: a copy kept from an earlier run must not stand in for a server
        // that is down or has changed the file.
        *flags = BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;
        // The structure has grown over the years: the caller's own size says how much of it
        // there is. It is cleared, as the caller expects, and keeps that size; nothing else of it
        // is set (a plain GET).
        const ULONG size = info->cbSize;
        if (size >= sizeof info->cbSize) {
            std::memset(info, 0, size);
            info->cbSize = size;
        }
        return S_OK;
    }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    // IHttpNegotiate
    STDMETHODIMP BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* extraHeaders) override {
        if (extraHeaders) *extraHeaders = nullptr;
        return S_OK;
    }
    STDMETHODIMP OnResponse(DWORD status, LPCWSTR, LPCWSTR, LPWSTR* extraHeaders) override {
        if (extraHeaders) *extraHeaders = nullptr;
        RecordStatus(status);
        return S_OK;
    }

private:
    ~FreshDownloadCallback() { ReleaseBinding(); }  // only through Release

    void RecordStatus(DWORD status) { ::InterlockedExchange(&m_status, static_cast<LONG>(status)); }
    void ReleaseBinding() {
        if (m_binding) m_binding->Release();
        m_binding = nullptr;
    }
    // The status line's code as WinINet read it; 0 when the binding cannot tell.
    static DWORD QueryStatus(IBinding* binding) {
        ComPtr<IWinInetHttpInfo> info;
        if (FAILED(binding->QueryInterface(__uuidof(IWinInetHttpInfo), info.put())) || !info) return 0;
        DWORD status = 0;
        DWORD size = sizeof status;
        DWORD flags = 0;
        if (info->QueryInfo(HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, &flags, nullptr) != S_OK)
            return 0;
        return status;
    }

    volatile LONG m_refs = 1;
    mutable volatile LONG m_status = 0;
    IBinding* m_binding = nullptr;  // held from OnStartBinding to OnStopBinding
};

UrlDownloadBinder g_binder = &BindUrlDownload;

}  // namespace

bool BindUrlDownload() { return g_download.Get<decltype(&::URLDownloadToFileW)>() != nullptr; }

UrlDownloadBinder SetUrlDownloadBinder(UrlDownloadBinder binder) {
    const UrlDownloadBinder previous = g_binder;
    g_binder = binder ? binder : &BindUrlDownload;
    return previous;
}

UrlDownloadBinder CurrentUrlDownloadBinder() { return g_binder; }

UrlDownloadResult UrlDownloadToFile(const char* url, const std::wstring& path) {
    const auto download = g_download.Get<decltype(&::URLDownloadToFileW)>();
    if (!download) {
        const DWORD error = ::GetLastError();
        return {HRESULT_FROM_WIN32(error), 0, error};
    }
    ComPtr<FreshDownloadCallback> callback(new (std::nothrow) FreshDownloadCallback);
    if (!callback) return {E_OUTOFMEMORY, 0, ERROR_NOT_ENOUGH_MEMORY};
    // The addresses are ASCII.
    std::wstring wideUrl;
    for (const char* p = url; *p; ++p) wideUrl += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    const HRESULT hr = download(nullptr, wideUrl.c_str(), path.c_str(), 0, callback.get());
    const DWORD error = ::GetLastError();
    return {hr, callback->HttpStatus(), error};
}

}  // namespace rk
