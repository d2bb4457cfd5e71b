#pragma once
#include "ui/Dialog.h"

namespace rk {

class ReportDialog;

// Shown while the start-up worker makes the report; closes only on ID_REPORT_DONE.
class WaitDialog : public Dialog {
public:
    explicit WaitDialog(HWND parent = nullptr);

    ReportDialog* m_reportOwner = nullptr;

protected:
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    MessageMap GetMessageMap() const override;

private:
    LRESULT OnClose(WPARAM, LPARAM);
};

// The start-up worker's entry; its argument is the wait dialog.
void __cdecl StartupReportThread(void* waitDialog);

}  // namespace rk
