// The diagnosis targets of the tool's loopback test builds: this machine only, under the bound
// the build gives in RK_LOOPBACK_BOUND_MS. A build given RK_LOOPBACK_UPDATE_URL fetches the update
// file from there (the test run's nginx).
#include "app/NetDiagnosisWorker.h"
#include "tests/common/LoopbackTargets.h"

namespace rk {

NetTargets DiagnosisTargets() {
    NetTargets targets = rk_test::LoopbackTargets(RK_LOOPBACK_BOUND_MS);
#ifdef RK_LOOPBACK_UPDATE_URL
    targets.updateFileUrl = RK_LOOPBACK_UPDATE_URL;
#endif
    return targets;
}

}  // namespace rk
