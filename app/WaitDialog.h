#pragma once
#include <memory>

#include "app/StartupReport.h"
#include "ui/Dialog.h"

namespace rk {

// Shown while the start-up worker makes the report into the job; closes on ID_REPORT_DONE, and
// only once the worker has finished: any program can post that command. The worker owns the
// engine, not this dialog.
class WaitDialog : public Dialog {
public:
    WaitDialog(HWND owner, std::shared_ptr<StartupJob> job);

protected:
    bool OnInit() override;
    bool OnCommand(int code, int id, LPARAM lParam) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    std::shared_ptr<StartupJob> m_job;
};

}  // namespace rk
