#pragma once
#include "ui/Dialog.h"

namespace rk {

class AboutDialog : public Dialog {
public:
    explicit AboutDialog(HWND owner);
};

}  // namespace rk
