// A library of the engine's own, loaded only from the engine's folder.
extern "C" __declspec(dllexport) const char* __cdecl BesideText() { return "engine library beside check.dll"; }
