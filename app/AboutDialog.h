#pragma once
#include "ui/Dialog.h"

namespace rk {

class AboutDialog : public Dialog {
public:
    AboutDialog();
};

}  // namespace rk
