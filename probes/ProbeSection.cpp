#include "engine/CheckEngine.h"

namespace rk {

// Not built yet: the userinit.exe and desktop-shortcut sections. Until then the start-up report
// holds the engine's text alone.
int32_t CheckEngine::AppendProbeSections(char* text, uint32_t size) {
    (void)text;
    (void)size;
    return 1;
}

}  // namespace rk
