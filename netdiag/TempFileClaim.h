#pragma once
// One probe at a time uses a temp file of a given path; a probe that finds it in use takes a file
// of its own.
//
// A probe abandoned at a run's bound runs on: the download test and the public address lookup
// still fetch into their temp file and delete it when they end, and a stalled server keeps them
// at it for as long as it likes. A probe of a later run that used the same file meanwhile would
// report the abandoned probe's file, or find its own deleted. So each holds a claim on its file's
// name for as long as it uses the file. A probe never waits for a claim: any program can hold the
// name, for as long as it likes. When the name is held, the probe uses a file of a unique name in
// the same folder, and the claim deletes that file when it ends.
#include <windows.h>

#include "base/AnsiString.h"
#include "base/Handle.h"

namespace rk {

class TempFileClaim {
public:
    explicit TempFileClaim(const char* path);
    ~TempFileClaim();
    TempFileClaim(const TempFileClaim&) = delete;
    TempFileClaim& operator=(const TempFileClaim&) = delete;

    // False when the name is held and no file of its own could be made.
    explicit operator bool() const { return !m_path.empty(); }
    // The file this probe uses: the path asked for, or one of its own.
    const char* Path() const { return m_path.c_str(); }
    // Why no file could be had: the last error of the step that failed.
    DWORD Error() const { return m_error; }

private:
    UniqueHandle m_mutex;
    bool m_owned = false;
    bool m_ownFile = false;
    DWORD m_error = ERROR_SUCCESS;
    AnsiString m_path;
};

}  // namespace rk
