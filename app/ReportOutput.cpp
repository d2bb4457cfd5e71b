// The copy and save commands of the main window.
#include "app/ReportDialog.h"

namespace rk {

// Not built yet: copying the report to the clipboard. Until then the button does nothing.
void ReportDialog::OnOK() {}

// Not built yet: saving the report to a file. Until then the button does nothing.
void ReportDialog::OnSaveToFile() {}

}  // namespace rk
