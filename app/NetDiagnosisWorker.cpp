#include "app/NetDiagnosisWorker.h"

#include <memory>

#include "app/WorkerPost.h"

namespace rk {

DWORD WINAPI NetDiagnosisThread(LPVOID param) {
    const std::unique_ptr<std::shared_ptr<NetDiagnosisRun>> handed(static_cast<std::shared_ptr<NetDiagnosisRun>*>(param));
    NetDiagnosisRun& run = **handed;
    // Whatever goes wrong, the window hears back: only the handler unlocks its buttons.
    try {
        NetDiagnostics record;
        run.inTime = record.Run(run.text, DiagnosisTargets(), [&run](int finished) {
            run.probesFinished = finished;
            ::PostMessageA(run.notify, kNetDiagnosisProgress, finished, 0);
        });
    } catch (...) {
        run.inTime = false;
    }
    run.finished = true;
    // The message only says "look": the window takes the outcome from the run it keeps.
    PostCompletion(run.notify, kNetDiagnosisDone, 0, 0);
    return 0;
}

}  // namespace rk
