// The shipped tool's diagnosis reaches the suite's own hosts and addresses. Test builds of the
// tool link a source of their own in place of this one.
#include "app/NetDiagnosisWorker.h"

namespace rk {

NetTargets DiagnosisTargets() { return ProductTargets(); }

}  // namespace rk
