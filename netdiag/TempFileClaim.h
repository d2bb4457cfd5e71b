#pragma once
// One probe at a time uses a temp file of a given path.
//
// A probe abandoned at a run's bound runs on: the download test and the public address lookup
// still fetch into their temp file and delete it when they end. A probe of a later run that used
// the same file meanwhile would report the abandoned probe's file, or find its own deleted. So
// each holds a claim on its file for as long as it uses it, and a later probe waits for the
// claim; an abandoned probe keeps its claim until it ends. The wait also ends when the waiting
// probe's own run ends: its slot is sealed then, and there is nothing left to report into.
#include <windows.h>

#include "base/Handle.h"

namespace rk {

class TempFileClaim {
public:
    // Waits until no other probe, of this process or another, holds `path`, or until `runEnded`
    // (may be null) is signalled.
    TempFileClaim(const char* path, HANDLE runEnded);
    ~TempFileClaim();
    TempFileClaim(const TempFileClaim&) = delete;
    TempFileClaim& operator=(const TempFileClaim&) = delete;

    // True when this probe may use the file.
    explicit operator bool() const { return m_held; }

private:
    UniqueHandle m_mutex;
    bool m_owned = false;
    bool m_held = false;
};

}  // namespace rk
