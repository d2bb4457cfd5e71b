#include "netdiag/DiagnosisText.h"

#include "base/ReportText.h"

namespace rk {

const char kTimeoutLine[] = "网络诊断超时.....\r\n\r\n";
const char kCutLine[] = "(超时未完成，以上为已得到的部分)\r\n";

AnsiString CutSection(const AnsiString& partial) {
    if (partial.empty()) return partial;
    AnsiString out = partial;
    const size_t size = out.size();
    if (size < 2 || out[size - 2] != '\r' || out[size - 1] != '\n') out += "\r\n";
    out += kCutLine;
    out += kSectionSeparator;
    return out;
}

AnsiString AssembleDiagnosis(const AnsiString (&slots)[kResultSlotCount], bool timedOut) {
    AnsiString out = timedOut ? kTimeoutLine : "";
    for (int slot : kOutputOrder) out += slots[slot];
    return out;
}

}  // namespace rk
