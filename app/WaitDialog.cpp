#include "app/WaitDialog.h"

#include <process.h>

#include "app/ReportDialog.h"
#include "app/StartupReport.h"
#include "engine/CheckEngine.h"
#include "res/resource.h"

namespace rk {

WaitDialog::WaitDialog(HWND parent) : Dialog(IDD_WAIT, parent) {}

MessageMap WaitDialog::GetMessageMap() const {
    static const MessageMapEntry kMap[] = {
        OnMessageEntry(WM_CLOSE, &WaitDialog::OnClose),
    };
    return {kMap, sizeof kMap / sizeof kMap[0]};
}

BOOL WaitDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    if (m_reportOwner) _beginthread(&StartupReportThread, 0, this);
    return TRUE;
}

bool WaitDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (wParam == ID_REPORT_DONE) {
        OnCancel();
        return true;
    }
    // Enter and Esc would end the dialog while the worker still writes into the main dialog;
    // they are ignored like the close box.
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) return true;
    return RouteCommand(wParam, lParam);
}

LRESULT WaitDialog::OnClose(WPARAM, LPARAM) { return 0; }

void __cdecl StartupReportThread(void* param) {
    WaitDialog* wait = static_cast<WaitDialog*>(param);
    ReportDialog* owner = wait->m_reportOwner;
    CheckEngine engine;
    MakeStartupReport(engine, owner->m_reportText);
    // Posted, never sent: the text is in place before the wait dialog can end. The engine is
    // unloaded afterwards, when `engine` goes out of scope.
    ::PostMessageA(wait->GetHwnd(), WM_COMMAND, ID_REPORT_DONE, 0);
}

}  // namespace rk
