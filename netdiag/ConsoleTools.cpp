#include "netdiag/ConsoleTools.h"

namespace rk {

ConsoleTools::ConsoleTools() : m_job(::CreateJobObjectW(nullptr, nullptr)) {
    if (!m_job) return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(m_job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
        m_job.reset();
}

bool ConsoleTools::Adopt(HANDLE process) {
    LockGuard hold(m_lock);
    if (m_over) {
        ::TerminateProcess(process, 1);
        return false;
    }
    // A failed join leaves the tool to its own handle below.
    if (m_job) ::AssignProcessToJobObject(m_job.get(), process);
    HANDLE own = nullptr;
    if (::DuplicateHandle(::GetCurrentProcess(), process, ::GetCurrentProcess(), &own, SYNCHRONIZE | PROCESS_TERMINATE,
                          FALSE, 0)) {
        try {
            m_tools.emplace_back(own);
        } catch (...) {
            ::CloseHandle(own);
        }
    }
    return true;
}

void ConsoleTools::EndAll(DWORD graceMs) {
    std::vector<UniqueHandle> tools;
    {
        LockGuard hold(m_lock);
        m_over = true;
        if (m_job) ::TerminateJobObject(m_job.get(), 1);
        m_job.reset();
        tools.swap(m_tools);
    }
    // Ending is asynchronous: the tools' files stay held until they are really gone.
    const DWORD start = ::GetTickCount();
    for (UniqueHandle& tool : tools) {
        ::TerminateProcess(tool.get(), 1);
        const DWORD spent = ::GetTickCount() - start;
        ::WaitForSingleObject(tool.get(), spent < graceMs ? graceMs - spent : 0);
    }
}

}  // namespace rk
