#include "app/AboutDialog.h"

#include "res/resource.h"

namespace rk {

AboutDialog::AboutDialog(HWND owner) : Dialog(IDD_ABOUTBOX, owner) {}

}  // namespace rk
