#include "app/NetDiagnosisWorker.h"

#include <new>

#include "app/ReportDialog.h"

namespace rk {

void __cdecl NetDiagnosisThread(void* param) {
    const HWND notify = static_cast<ReportDialog*>(param)->GetHwnd();
    AnsiString* diagnosis = new (std::nothrow) AnsiString();
    bool inTime = false;
    if (diagnosis) {
        // Whatever goes wrong, the window hears back: only the handler unlocks its buttons.
        try {
            NetDiagnostics record;
            inTime = record.Run(*diagnosis, DiagnosisTargets());
        } catch (...) {
            inTime = false;
        }
    }
    if (!::PostMessageA(notify, ReportDialog::kNetDiagnosisDone, inTime, reinterpret_cast<LPARAM>(diagnosis)))
        delete diagnosis;
}

}  // namespace rk
