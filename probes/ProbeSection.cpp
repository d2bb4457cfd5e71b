#include <windows.h>

#include "base/ReportText.h"
#include "probes/BoundedText.h"
#include "probes/DesktopShortcut.h"
#include "probes/UserinitFacts.h"

namespace rk {

void AppendProbeSections(char* text, uint32_t size) {
    // A count above the bound is a negative size from the caller: write nothing, but the
    // inspections still run.
    const bool writable = size <= kBoundedMaxCapacity;
    if (writable) AppendWhatFits(text, size, "[userinit.exe情况]\r\n");
    bool infected = AppendUserinitFacts(text, size);
    if (writable) {
        AppendWhatFits(text, size, infected ? "被感染\r\n" : "未被感染\r\n");
        AppendWhatFits(text, size, kSectionSeparator);
    }
    char target[2 * MAX_PATH] = {};  // a path of MAX_PATH characters in code page 936
    if (GetDesktopShortcutTarget(target, sizeof target) && writable) {
        AppendWhatFits(text, size, "[桌面快捷方式情况]\r\n");
        AppendWhatFits(text, size, target);
        AppendWhatFits(text, size, kSectionSeparator);
    }
}

}  // namespace rk
