// Another program that holds the clipboard open for a while, as clipboard viewers and remote
// desktop helpers do:
//   clipboard_holder now <ms> <event>          open it at once, signal <event>, hold it <ms>
//   clipboard_holder next-change <ms> <event>  signal <event> once watching; when the clipboard
//                                              next changes, open it, read its text, hold it <ms>
// The program ends after it has let go of the clipboard; exit code 0 when it held it.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

DWORD g_holdMs = 0;
HWND g_nextViewer = nullptr;
DWORD g_sequenceAtStart = 0;
bool g_held = false;

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
                ::Sleep(g_holdMs);
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
    if (argc != 4) return 2;
    const bool now = std::strcmp(argv[1], "now") == 0;
    g_holdMs = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
    HANDLE signal = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3]);
    if (!signal) return 2;

    if (now) {
        if (!::OpenClipboard(nullptr)) return 1;
        ::SetEvent(signal);
        ::Sleep(g_holdMs);
        ::CloseClipboard();
        return 0;
    }

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
    ::SetEvent(signal);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
    ::ChangeClipboardChain(viewer, g_nextViewer);
    ::DestroyWindow(viewer);
    ::CloseHandle(signal);
    return g_held ? 0 : 1;
}
