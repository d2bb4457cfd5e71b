#include "app/ForumPage.h"

#include <exdisp.h>
#include <shlobj.h>
#include <shldisp.h>
#include <shellapi.h>

#include "base/Scoped.h"

namespace rk {

namespace {

// A VARIANT cleared once.
struct Variant {
    VARIANT value;
    Variant() { ::VariantInit(&value); }
    ~Variant() { ::VariantClear(&value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept : value(other.value) { ::VariantInit(&other.value); }
};

// The desktop's shell dispatch object, reached through its folder view: the documented way to have
// Explorer, not this process, run a program (Raymond Chen, "How can I launch an unelevated process
// from my elevated process", The Old New Thing, 2013).
bool OpenThroughDesktop(const wchar_t* url) {
    ComPtr<IShellWindows> windows;
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.put())))
        return false;
    Variant location, root;
    location.value.vt = VT_I4;
    location.value.lVal = CSIDL_DESKTOP;
    long hwnd = 0;
    ComPtr<IDispatch> desktop;
    if (windows->FindWindowSW(&location.value, &root.value, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH,
                              reinterpret_cast<IDispatch**>(desktop.put())) != S_OK || !desktop)
        return false;
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    ComPtr<IShellDispatch2> shell;
    if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.put())) ||
        FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put())) ||
        FAILED(browser->QueryActiveShellView(reinterpret_cast<IShellView**>(view.put()))) || !view ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put())) ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.put())) ||
        FAILED(folderView->get_Application(reinterpret_cast<IDispatch**>(application.put()))) || !application ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, shell.put())))
        return false;
    BSTR file = ::SysAllocString(url);
    if (!file) return false;
    Variant none;
    const HRESULT hr = shell->ShellExecute(file, none.value, none.value, none.value, none.value);
    ::SysFreeString(file);
    return SUCCEEDED(hr);
}

bool OpenDirectly(const wchar_t* url) {
    return reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", url, nullptr, nullptr, SW_SHOW)) > 32;
}

bool ElevationPossible() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return ::GetVersionExW(&version) && version.dwMajorVersion >= 6;
}

}  // namespace

ForumOpeners SystemForumOpeners() { return {&OpenThroughDesktop, &OpenDirectly, ElevationPossible()}; }

bool OpenForumPage(const wchar_t* url, const ForumOpeners& openers) {
    if (openers.elevationPossible && openers.desktopShell(url)) return true;
    return openers.direct(url);
}

}  // namespace rk
