#include "app/WaitDialog.h"

#include <process.h>

#include "app/StartupReport.h"
#include "res/resource.h"

namespace rk {

WaitDialog::WaitDialog(HWND owner, AnsiString& report) : Dialog(IDD_WAIT, owner), m_report(report) {}

bool WaitDialog::OnInit() {
    m_job = StartupJob{m_hwnd, &m_report, &m_finished};
    // Without a worker nothing would end this dialog: open the window with an empty report.
    if (_beginthread(&StartupReportThread, 0, &m_job) == static_cast<uintptr_t>(-1)) End(IDCANCEL);
    return true;
}

bool WaitDialog::OnCommand(int code, int id, LPARAM) {
    // Exactly the worker's command: the same id with a notification code is not the report's end,
    // nor is the command before the worker has finished writing the report.
    if (code == 0 && id == ID_REPORT_DONE && m_finished) {
        End(IDCANCEL);
        return true;
    }
    // Enter, Esc and everything else would end the dialog while the worker still writes the
    // report; they are ignored like the close box.
    return true;
}

bool WaitDialog::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != WM_CLOSE) return false;
    result = 0;
    return true;
}

}  // namespace rk
