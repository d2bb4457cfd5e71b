#pragma once
// The network worker: runs one diagnosis and posts ReportDialog::kNetDiagnosisDone with the
// outcome to the dialog's window.
#include "netdiag/NetDiagnostics.h"

namespace rk {

// Its argument is the ReportDialog.
void __cdecl NetDiagnosisThread(void* reportDialog);

// What the diagnosis reaches: the product's hosts and addresses, or in a test build of the tool
// (which links a targets source of its own) this machine under a short bound.
NetTargets DiagnosisTargets();

}  // namespace rk
