// The diagnosis targets of the tool's loopback test builds: this machine only, under the bound
// the build gives in RK_LOOPBACK_BOUND_MS. A build given RK_LOOPBACK_UPDATE_PORT fetches the update
// file from the test run's nginx on that port.
#include "app/NetDiagnosisWorker.h"
#include "tests/common/LoopbackTargets.h"

#define RK_TEXT_OF(x) #x
#define RK_TEXT(x) RK_TEXT_OF(x)

namespace rk {

NetTargets DiagnosisTargets() {
    NetTargets targets = rk_test::LoopbackTargets(RK_LOOPBACK_BOUND_MS);
#ifdef RK_LOOPBACK_UPDATE_PORT
    targets.updateFileUrl = "http://127.0.0.1:" RK_TEXT(RK_LOOPBACK_UPDATE_PORT) "/mirelon/mirelonup35.ini";
#endif
    return targets;
}

}  // namespace rk
