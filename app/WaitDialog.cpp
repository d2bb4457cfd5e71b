#include "app/WaitDialog.h"

#include <utility>

#include "base/SmallThread.h"
#include "res/resource.h"

namespace rk {

WaitDialog::WaitDialog(HWND owner, std::shared_ptr<StartupJob> job) : Dialog(IDD_WAIT, owner), m_job(std::move(job)) {}

bool WaitDialog::OnInit() {
    m_job->notify = m_hwnd;
    // The engine is other vendors' code: the stack the exe gives its own threads.
    if (StartDetached([job = m_job] { RunStartupJob(*job); }, kForeignCodeStackReserve)) return true;
    // Without a worker nothing would end this dialog, and nobody writes the job: open the window
    // with an empty report.
    m_job->finished = true;
    End(IDCANCEL);
    return true;
}

bool WaitDialog::OnCommand(int code, int id, LPARAM) {
    // Exactly the worker's command: the same id with a notification code is not the report's end,
    // nor is the command before the worker has finished writing the report.
    if (code == 0 && id == ID_REPORT_DONE && m_job->finished) {
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
