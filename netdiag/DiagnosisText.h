#pragma once
// The diagnosis text: the result slots joined in their fixed order, behind the timeout line when
// the run's bound was reached. No platform calls.
#include "base/AnsiString.h"
#include "netdiag/DiagnosisTable.h"

namespace rk {

extern const char kTimeoutLine[];
// Closes the section of a probe that had not finished at the bound.
extern const char kCutLine[];

// A section cut off at the bound: what it held, on a line of its own, then the cut line and the
// separator. Nothing written gives nothing.
AnsiString CutSection(const AnsiString& partial);

AnsiString AssembleDiagnosis(const AnsiString (&slots)[kResultSlotCount], bool timedOut);

}  // namespace rk
