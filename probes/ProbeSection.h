#pragma once
// The local system probes of the start-up report: the tool's own sections behind the engine's
// text. They look at files on this machine and need nothing of the engine.
#include <cstdint>

namespace rk {

// Appends the userinit.exe section and, when the suite's desktop shortcut resolves, its target
// section. text points at the text's terminating zero; size is the room left from there to the
// buffer's end. A size above the bounded operations' limit writes nothing, but the inspections
// still run.
void AppendProbeSections(char* text, uint32_t size);

}  // namespace rk
