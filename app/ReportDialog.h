#pragma once
#include "base/AnsiString.h"
#include "ui/Dialog.h"

namespace rk {

// The main window: the report in a read-only rich edit control, four command buttons and a
// status line.
class ReportDialog : public Dialog {
public:
    explicit ReportDialog(HWND parent = nullptr);
    ~ReportDialog() override;

    AnsiString m_reportText;  // written once by the start-up worker
    Window m_reportEdit;
    HICON m_icon;
    AnsiString m_initialText;  // the control's text after start-up; base of every diagnosis

    // The network worker's body.
    void RunNetDiagnosis();

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;  // the copy command; never ends the dialog
    MessageMap GetMessageMap() const override;

private:
    LRESULT OnSysCommand(WPARAM id, LPARAM param);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    LRESULT OnSize(WPARAM, LPARAM);
    void OnNetDiagnosis();
    void OnSaveToFile();
};

void __cdecl NetDiagnosisThread(void* reportDialog);

}  // namespace rk
