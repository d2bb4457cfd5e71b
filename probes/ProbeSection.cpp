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
    if (writable) BoundedAppend(text, size, "[userinit.exe情况]\r\n");
    bool infected = AppendUserinitFacts(text, size);
    if (writable) {
        BoundedAppend(text, size, infected ? "被感染\r\n" : "未被感染\r\n");
        BoundedAppend(text, size, kSectionSeparator);
    }
    char target[MAX_PATH] = {};
    if (GetDesktopShortcutTarget(target, MAX_PATH) && writable) {
        BoundedAppend(text, size, "[桌面快捷方式情况]\r\n");
        BoundedAppend(text, size, target);
        BoundedAppend(text, size, kSectionSeparator);
    }
}

}  // namespace rk
