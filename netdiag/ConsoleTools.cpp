#include "netdiag/ConsoleTools.h"

namespace rk {

ConsoleTools::ConsoleTools() : m_job(::CreateJobObjectA(nullptr, nullptr)) {
    if (!m_job) return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    // A job that would not end its tools is no use: they run unowned instead.
    if (!::SetInformationJobObject(m_job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
        m_job.reset();
}

bool ConsoleTools::Adopt(HANDLE process) {
    LockGuard hold(m_lock);
    if (m_over) {
        ::TerminateProcess(process, 1);
        return false;
    }
    // A failed join leaves the tool as it was: running on its own once resumed.
    if (m_job) ::AssignProcessToJobObject(m_job.get(), process);
    return true;
}

void ConsoleTools::EndAll() {
    LockGuard hold(m_lock);
    m_over = true;
    m_job.reset();
}

}  // namespace rk
