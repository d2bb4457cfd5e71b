// The diagnosis text: slots in their fixed order, the timeout line in front when the bound was hit.
#include <doctest/doctest.h>

#include <string>

#include "netdiag/DiagnosisText.h"

using namespace rk;

TEST_CASE("slots are joined in their order; slot 2 is never output") {
    AnsiString slots[kResultSlotCount];
    for (int i = 0; i < kResultSlotCount; ++i) slots[i] = "<" + std::to_string(i) + ">";
    const std::string order = "<1><7><10><3><0><4><8><9><5><6><11><12><13><14><15>";
    CHECK(AssembleDiagnosis(slots, false) == order);
    // 网络诊断超时 in code page 936.
    CHECK(AssembleDiagnosis(slots, true) == "\xCD\xF8\xC2\xE7\xD5\xEF\xB6\xCF\xB3\xAC\xCA\xB1.....\r\n\r\n" + order);
    const AnsiString empty[kResultSlotCount];
    CHECK(AssembleDiagnosis(empty, false) == "");
}
