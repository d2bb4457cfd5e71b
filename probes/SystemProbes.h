#pragma once
// The local system probes of the start-up report: the tool's own sections behind the engine's
// text. They look at files on this machine and need nothing of the engine.
#include <cstdint>

namespace rk {

struct FileFacts;

// Appends the userinit.exe section and, when the suite's desktop shortcut resolves, its target
// section. text points at the text's terminating zero; size is the room left from there to the
// buffer's end. A size above the bounded operations' limit writes nothing, but the inspections
// still run.
void AppendProbeSections(char* text, uint32_t size);

// Appends the fact lines of userinit.exe when it exists; true when it looks infected.
bool AppendUserinitFacts(char* text, uint32_t size);

// Gathers what the report tells about one file. False only when facts is null.
bool GatherFileFacts(const wchar_t* path, FileFacts* facts);

// The target of the suite's shortcut on the current user's desktop; false when there is none
// or it cannot be resolved.
bool GetDesktopShortcutTarget(char* target, uint32_t capacity);

}  // namespace rk
