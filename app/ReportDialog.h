#pragma once
#include <memory>

#include "base/AnsiString.h"
#include "ui/Dialog.h"
#include "ui/ReportEdit.h"

namespace rk {

struct NetDiagnosisRun;

// The main window: the report in a read-only rich edit control, four command buttons, a status
// line and the diagnosis's progress bar.
//
// How the workers hand back: the start-up worker writes the report into a job shared with this
// dialog while this thread sits in the wait dialog's modal loop, and the text becomes
// m_reportText only once that worker says it has finished. The
// network worker touches nothing of this dialog: it fills the run this dialog keeps, posts
// kNetDiagnosisProgress as each probe finishes and kNetDiagnosisDone at the end, and this thread
// moves the bar, shows the outcome and unlocks the buttons.
class ReportDialog : public Dialog {
public:
    explicit ReportDialog(HWND owner = nullptr);

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
    void OnNetDiagnosisDone();
    void OnNetDiagnosisProgress(WPARAM finished);

    AnsiString m_reportText;  // the start-up worker's report, once it has finished
    bool m_withoutReport = false;  // ended before the worker finished: never shown
    ReportEdit m_reportEdit;
    Window m_progress;
    int m_progressShown = 0;  // probes the bar shows as finished
    HICON m_icon;
    AnsiString m_initialText;  // the control's text after start-up; base of every diagnosis
    std::shared_ptr<NetDiagnosisRun> m_pendingRun;  // the diagnosis under way, if any
};

}  // namespace rk
