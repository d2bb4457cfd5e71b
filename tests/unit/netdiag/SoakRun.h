#pragma once
// Many consecutive diagnoses in one process, each timed out while its probes block, then one
// normal diagnosis; with the process's handle count, thread count and private bytes taken along
// the way. The suite runs a short soak and the bench a long one.
#include <windows.h>

#include <cstddef>

namespace rk_test {

struct ProcessFigures {
    DWORD handles = 0;
    DWORD threads = 0;
    SIZE_T privateBytes = 0;
    bool handlesFromSystemList = false;  // GetProcessHandleCount reported nothing
    bool privateFromRegions = false;     // the memory counters left PrivateUsage at 0
};

// This process's figures now.
ProcessFigures MeasureThisProcess();

struct SoakFigures {
    ProcessFigures atStart;         // before any diagnosis
    ProcessFigures before;          // after one normal diagnosis has warmed the libraries up
    ProcessFigures afterAbandoned;  // after the timed-out runs, once their last probe has ended
    ProcessFigures atEnd;           // after the normal diagnosis that follows
    int timedOutRuns = 0;           // runs that reported the bound reached
    bool abandonedEnded = false;    // the abandoned probes ended within the wait's bound
    bool normalCompleted = false;   // the last diagnosis ended in time
    bool normalHasDownload = false; // and reported its download
    double timedOutSeconds = 0;     // time for all the timed-out runs
};

// Runs `runs` diagnoses bounded by boundMs whose download test and public address lookup block
// on a server that never answers (the pings outlast the bound as well), ends the blocking, waits
// for every abandoned probe to end, then runs one normal diagnosis against a loopback server.
SoakFigures RunSoak(int runs, DWORD boundMs);
// What RunSoak is doing or waiting for, readable from any thread.
const char* SoakStage();

}  // namespace rk_test
