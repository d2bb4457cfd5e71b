#pragma once
#include <atomic>

#include "app/StartupReport.h"
#include "base/AnsiString.h"
#include "ui/Dialog.h"

namespace rk {

// Shown while the start-up worker makes the report into `report`; closes on ID_REPORT_DONE, and
// only once the worker has finished: any program can post that command. The worker owns the
// engine, not this dialog.
class WaitDialog : public Dialog {
public:
    WaitDialog(HWND owner, AnsiString& report);

protected:
    bool OnInit() override;
    bool OnCommand(int code, int id, LPARAM lParam) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    AnsiString& m_report;
    StartupJob m_job = {};  // read by the worker before it posts ID_REPORT_DONE
    std::atomic<bool> m_finished{false};  // set by the worker once the report is written
};

}  // namespace rk
