#include "netdiag/NetDiagnostics.h"

namespace rk {

// Not built yet: the firewall section. Until then its slot stays empty.
int32_t NetDiagnostics::FirewallReport(ProbeText&) { return 1; }

}  // namespace rk
