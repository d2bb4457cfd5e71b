#include "app/ReportApp.h"

#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include <clocale>

#include "app/ReportDialog.h"

namespace rk {

bool ReportApp::InitInstance() {
    std::setlocale(LC_ALL, "chs");
    // MFC's control container and 3D look have no counterpart in plain user32: nothing to do.
    ::OleInitialize(nullptr);
    // The main dialog's template needs the "RICHEDIT" class; it stays loaded for the process.
    ::LoadLibraryA("riched32.dll");
    {
        ReportDialog dialog;
        dialog.DoModal();
    }
    return false;
}

}  // namespace rk

// The one application object.
static rk::ReportApp theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    theApp.InitInstance();
    ::OleUninitialize();
    return 0;
}
