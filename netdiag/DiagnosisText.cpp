#include "netdiag/DiagnosisText.h"

namespace rk {

const int kOutputOrder[kOutputSlotCount] = {1, 7, 10, 3, 0, 4, 8, 9, 5, 6, 11, 12, 13, 14, 15};
const char kTimeoutLine[] = "网络诊断超时.....\r\n\r\n";

AnsiString AssembleDiagnosis(const AnsiString (&slots)[kResultSlotCount], bool timedOut) {
    AnsiString out = timedOut ? kTimeoutLine : "";
    for (int slot : kOutputOrder) out += slots[slot];
    return out;
}

}  // namespace rk
