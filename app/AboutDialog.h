#pragma once
#include "ui/Dialog.h"

namespace rk {

class AboutDialog : public Dialog {
public:
    // The owner is disabled while the box is open, as under any modal dialog.
    explicit AboutDialog(HWND owner);
};

}  // namespace rk
