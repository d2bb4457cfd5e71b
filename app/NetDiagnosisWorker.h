#pragma once
// The network worker: runs one diagnosis into the run it is handed and posts
// kNetDiagnosisDone to the run's window.
#include <windows.h>

#include <atomic>

#include "base/AnsiString.h"
#include "netdiag/NetDiagnostics.h"

namespace rk {

// Posted by the network worker once its run has finished; wParam and lParam carry nothing.
// Any program on the desktop can post it too, so only the pending run's outcome is taken, and
// only once its worker has finished. A private message of the application, so it starts at
// WM_APP, clear of the dialog manager's WM_USER range.
constexpr UINT kNetDiagnosisDone = WM_APP + 1;
// Posted by the network worker as each probe finishes: wParam is the count finished so far.
// The bar never shows more than the pending run has really finished, so a forged one can
// neither move it ahead nor back.
constexpr UINT kNetDiagnosisProgress = WM_APP + 2;

// One diagnosis, shared by the window and its worker. The worker writes the outcome and only
// then sets `finished`; the window reads the outcome only once it sees `finished`.
struct NetDiagnosisRun {
    HWND notify = nullptr;
    AnsiString text;
    bool inTime = false;
    std::atomic<bool> finished{false};
    std::atomic<int> probesFinished{0};  // as last posted in kNetDiagnosisProgress
};

// The worker's whole work, on a thread of its own.
void RunNetDiagnosis(NetDiagnosisRun& run);

// What the diagnosis reaches: the product's hosts and addresses, or in a test build of the tool
// (which links a targets source of its own) this machine under a short bound.
NetTargets DiagnosisTargets();

}  // namespace rk
