#include "netdiag/NetDiagnostics.h"

namespace rk {

// Not built yet: the public address lookup. Until then its slot stays empty.
int32_t NetDiagnostics::PublicAddressLookup(const char*, ProbeText&) { return 1; }

}  // namespace rk
