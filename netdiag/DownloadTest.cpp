#include "netdiag/NetDiagnostics.h"

namespace rk {

// Not built yet: the download speed test. Until then its slot stays empty.
int32_t NetDiagnostics::DownloadTest(const char*, ProbeText&) { return 1; }

}  // namespace rk
