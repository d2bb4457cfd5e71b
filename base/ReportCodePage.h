#pragma once
// The report is text in code page 936 whatever the system's own code page is; paths and window
// texts are UTF-16. These convert between the two, explicitly, never through the system's ANSI
// code page, except where the system lacks code page 936 altogether (XP without East Asian
// support), where the report is the system's ANSI text as before.
#include <string>

#include "base/AnsiString.h"

namespace rk {

// UTF-16 text as report bytes; a character that code page 936 lacks becomes '?'.
AnsiString ReportBytes(const std::wstring& text);
// Report bytes as UTF-16.
std::wstring ReportWide(const AnsiString& text);
// What a console tool wrote, in the OEM code page (437 or 850 on Western systems, 65001 with
// Windows' UTF-8 option), as report bytes; unchanged where the OEM code page is the report's.
AnsiString ReportBytesFromOem(const AnsiString& text);

}  // namespace rk
