#include "app/ReportApp.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>

#include <clocale>

#include "app/ReportDialog.h"
#include "base/Scoped.h"
#include "base/SystemLibrary.h"
#include "ui/ReportEdit.h"

namespace rk {

bool ReportApp::InitInstance() {
    std::setlocale(LC_ALL, "chs");
    const OleApartment ole;
    // The main dialog's template needs the rich edit class, loaded for the process, and the
    // common controls' progress bar, registered before the template is created.
    LoadSystemLibrary(ReportEdit::kLibrary);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    {
        ReportDialog dialog;
        dialog.DoModal();
    }
    return false;
}

}  // namespace rk

static rk::ReportApp theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything else loads: nothing beside the exe may run inside the elevated tool.
    rk::HardenDllSearch();
    // The folder the tool was started from (Downloads, usually) is anybody's: no relative name may
    // resolve there. The engine is found by the tool's own path, not by this.
    wchar_t system[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    if (length > 0 && length < MAX_PATH) ::SetCurrentDirectoryW(system);
    theApp.InitInstance();
    return 0;
}
