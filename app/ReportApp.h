#pragma once

namespace rk {

// The application object: prepares the runtime and runs the main dialog.
class ReportApp {
public:
    ReportApp() = default;
    // Returns false: there is no message loop after the main dialog.
    bool InitInstance();
};

}  // namespace rk
