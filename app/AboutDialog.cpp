#include "app/AboutDialog.h"

#include "res/resource.h"

namespace rk {

AboutDialog::AboutDialog() : Dialog(IDD_ABOUTBOX, nullptr) {}

}  // namespace rk
