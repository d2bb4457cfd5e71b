#include "app/NetDiagnosisWorker.h"

#include "app/WorkerPost.h"

namespace rk {

void RunNetDiagnosis(NetDiagnosisRun& run) {
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
}

}  // namespace rk
