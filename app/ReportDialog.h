#pragma once
#include "base/AnsiString.h"
#include "ui/Dialog.h"

namespace rk {

// The main window: the report in a read-only rich edit control, four command buttons and a
// status line.
//
// How the workers hand back: the start-up worker writes m_reportText while this thread sits in
// the wait dialog's modal loop, and the command it posts to end that loop orders the write before
// the read. The network worker touches nothing of this dialog: it posts kNetDiagnosisDone with its
// result, and this thread shows the outcome and unlocks the buttons.
class ReportDialog : public Dialog {
public:
    explicit ReportDialog(HWND owner = nullptr);

    // Posted by the network worker: wParam is true when every probe ended in time, lParam a heap
    // AnsiString with the diagnosis text that the handler takes over. A private message of the
    // application, so it starts at WM_APP, clear of the dialog manager's WM_USER range.
    static constexpr UINT kNetDiagnosisDone = WM_APP + 1;

protected:
    bool OnInit() override;
    bool OnCommand(int code, int id, LPARAM lParam) override;
    bool OnButtonClicked(int id) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void AddAboutToSystemMenu();
    void ShowReport();
    bool PaintIconic();
    void LockButtons(bool locked);

    void OnCopyToClipboard();
    void OnSaveToFile();
    void OnNetDiagnosis();
    void OnNetDiagnosisDone(bool inTime, AnsiString* diagnosis);

    AnsiString m_reportText;  // written once by the start-up worker
    Window m_reportEdit;
    HICON m_icon;
    AnsiString m_initialText;  // the control's text after start-up; base of every diagnosis
};

}  // namespace rk
