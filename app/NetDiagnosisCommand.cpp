// The network-diagnosis command and its worker thread.
#include "app/ReportDialog.h"

namespace rk {

// Not built yet: the network diagnosis. Until then the button does nothing.
void ReportDialog::OnNetDiagnosis() {}

void ReportDialog::RunNetDiagnosis() {}

void __cdecl NetDiagnosisThread(void* param) { static_cast<ReportDialog*>(param)->RunNetDiagnosis(); }

}  // namespace rk
