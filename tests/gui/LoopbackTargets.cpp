// The diagnosis targets of the tool's loopback test builds: this machine only, under the bound
// the build gives in RK_LOOPBACK_BOUND_MS.
#include "app/NetDiagnosisWorker.h"
#include "tests/common/LoopbackTargets.h"

namespace rk {

NetTargets DiagnosisTargets() { return rk_test::LoopbackTargets(RK_LOOPBACK_BOUND_MS); }

}  // namespace rk
