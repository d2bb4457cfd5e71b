#include "netdiag/NetDiagnostics.h"

namespace rk {

// Not built yet: the proxy settings section. Until then its slot stays empty.
int32_t NetDiagnostics::ProxyReport(ProbeText&) { return 1; }

}  // namespace rk
