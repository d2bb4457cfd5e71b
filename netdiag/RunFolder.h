#pragma once
// The folder a diagnosis keeps its temporary files in.
//
// The user's temp folder is writable by every program the user runs, and the tool runs elevated:
// a fixed name there could be a link that makes the tool delete or overwrite a file of another
// program's choice. So each run makes a folder of its own under it, of an unpredictable name, that
// only administrators and SYSTEM may write (and the tool's own user where it runs without
// administrator rights, as a limited account on XP does). The folder is held open without delete
// sharing while the run lives, so it cannot be renamed or replaced under the run, and it goes with
// the run. What an abandoned probe still held goes at the next run.
#include <windows.h>

#include <string>
#include <vector>

#include "base/Handle.h"

namespace rk {

class RunFolder {
public:
    // Makes the folder; on failure the folder is empty and Error() tells why.
    RunFolder();
    // Removes the files in it and the folder, waiting a bounded while for a tool that has just
    // been ended to let go of its file.
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    explicit operator bool() const { return !m_path.empty(); }
    DWORD Error() const { return m_error; }
    // The folder, without a trailing backslash.
    const std::wstring& Path() const { return m_path; }
    // A path in the folder for a file named `name`, unique within the run (several probes may ask
    // for the same name). Empty when the folder was not made or the path would pass MAX_PATH.
    std::wstring NewFilePath(const std::wstring& name);

    // The security the folder is made with: a protected DACL that grants full access to the
    // folder's writers, inherited by the files in it.
    struct Security {
        std::vector<BYTE> acl;
        SECURITY_DESCRIPTOR descriptor;
        bool Build();
    };

    // How long the folder's removal waits for the files of tools that were just ended; a loaded
    // machine takes seconds to close a killed process's handles.
    static constexpr DWORD kGraceMs = 5000;
    // The name every run folder begins with, in the user's temp folder.
    static constexpr const wchar_t* kPrefix = L"Rekkor-";
    // Removes the folders that earlier runs could not remove, where they are provably the tool's.
    static void SweepEarlier(const std::wstring& tempDir);

private:
    std::wstring m_path;
    UniqueHandle m_hold;
    volatile LONG m_files = 0;
    DWORD m_error = ERROR_SUCCESS;
};

// The user's temp folder with its trailing backslash; empty when it cannot be had.
std::wstring UserTempFolder();

// Deletes a file once nobody holds it, waiting at most graceMs for a tool that was just ended.
void DeleteWhenFree(const std::wstring& path, DWORD graceMs = RunFolder::kGraceMs);

}  // namespace rk
