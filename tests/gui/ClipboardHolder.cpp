// A clipboard viewer that holds the clipboard open right after it changes, as viewers and remote
// desktop helpers do: clipboard_holder <name>. It signals the event <name> once watching; when the
// clipboard next changes it opens it, reads its text, signals <name>-held and holds it until the
// test signals <name>-release. The program ends after it has let go; exit code 0 when it held it.
#include <windows.h>

#include <string>

namespace {

HWND g_nextViewer = nullptr;
DWORD g_sequenceAtStart = 0;
bool g_held = false;
HANDLE g_heldEvent = nullptr;
HANDLE g_release = nullptr;

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DRAWCLIPBOARD:
        if (g_nextViewer) ::SendMessageA(g_nextViewer, message, wParam, lParam);
        // The first notice may only report the registration.
        if (!g_held && ::GetClipboardSequenceNumber() != g_sequenceAtStart) {
            if (::OpenClipboard(hwnd)) {
                // A viewer reads what it shows; the copying program renders it on request.
                if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
                    ::GlobalLock(data);
                    ::GlobalUnlock(data);
                }
                g_held = true;
                ::SetEvent(g_heldEvent);
                ::WaitForSingleObject(g_release, 60000);
                ::CloseClipboard();
            }
            ::PostQuitMessage(0);
        }
        return 0;
    case WM_CHANGECBCHAIN:
        if (reinterpret_cast<HWND>(wParam) == g_nextViewer)
            g_nextViewer = reinterpret_cast<HWND>(lParam);
        else if (g_nextViewer)
            ::SendMessageA(g_nextViewer, message, wParam, lParam);
        return 0;
    default:
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string name = argv[1];
    HANDLE watching = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, name.c_str());
    g_heldEvent = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + "-held").c_str());
    g_release = ::OpenEventA(SYNCHRONIZE, FALSE, (name + "-release").c_str());
    if (!watching || !g_heldEvent || !g_release) return 2;

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ViewerProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "RekkorTestClipboardViewer";
    ::RegisterClassA(&windowClass);
    // A hidden top-level window: the viewer chain takes no message-only windows on some systems.
    HWND viewer = ::CreateWindowA(windowClass.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    if (!viewer) return 2;
    g_sequenceAtStart = ::GetClipboardSequenceNumber();
    g_nextViewer = ::SetClipboardViewer(viewer);
    ::SetEvent(watching);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
    ::ChangeClipboardChain(viewer, g_nextViewer);
    ::DestroyWindow(viewer);
    return g_held ? 0 : 1;
}
