// The baseline for the start-up figures: the tool's main dialog template with its rich edit left
// empty, and nothing else. Exit or Cancel closes it.
#include <windows.h>

#include "res/resource.h"

namespace {

INT_PTR CALLBACK BareProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK)) {
        ::EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The template's rich edit class, as the tool loads it.
    ::LoadLibraryA("riched20.dll");
    ::DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, &BareProc, 0);
    return 0;
}
