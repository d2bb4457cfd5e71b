#pragma once
// The network worker: runs one diagnosis into the run it is handed and posts
// ReportDialog::kNetDiagnosisDone to the run's window.
#include <windows.h>

#include <atomic>

#include "base/AnsiString.h"
#include "netdiag/NetDiagnostics.h"

namespace rk {

// One diagnosis, shared by the window and its worker. The worker writes the outcome and only
// then sets `finished`; the window reads the outcome only once it sees `finished`.
struct NetDiagnosisRun {
    HWND notify = nullptr;
    AnsiString text;
    bool inTime = false;
    std::atomic<bool> finished{false};
    std::atomic<int> probesFinished{0};  // as last posted in kNetDiagnosisProgress
};

// Its argument is a heap std::shared_ptr<NetDiagnosisRun>, which the worker takes over.
DWORD WINAPI NetDiagnosisThread(LPVOID run);

// What the diagnosis reaches: the product's hosts and addresses, or in a test build of the tool
// (which links a targets source of its own) this machine under a short bound.
NetTargets DiagnosisTargets();

}  // namespace rk
