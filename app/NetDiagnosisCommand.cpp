// The network-diagnosis command and its worker thread.
#include <process.h>

#include "app/ReportDialog.h"
#include "netdiag/NetDiagnostics.h"
#include "res/resource.h"
#ifdef RK_LOOPBACK_BOUND_MS
#include "tests/common/LoopbackTargets.h"
#endif

namespace rk {

namespace {

const char kRunStartedText[] = "请耐心等待，此过程可能需要大约3分钟左右......";
const char kDoneStatusText[] = "网络诊断结束......";
const char kDoneBoxText[] = "网络诊断结束!";
const char kTimedOutStatusText[] = "网络诊断超时失败!!!";
const char kTimedOutBoxText[] = "网络诊断超时失败!";
const char kStartHintText[] = "如果升级有问题，请点击网络诊断";
const char kBoxCaption[] = "Mirelon";

const int kLockedButtons[] = {IDOK, IDCANCEL, IDC_NET_DIAG, IDC_SAVE};

NetTargets DiagnosisTargets() {
#ifdef RK_LOOPBACK_BOUND_MS
    // Test builds only: every probe aims at this machine, under a short bound.
    return rk_test::LoopbackTargets(RK_LOOPBACK_BOUND_MS);
#else
    return ProductTargets();
#endif
}

}  // namespace

void ReportDialog::OnNetDiagnosis() {
    for (int id : kLockedButtons) EnableItem(id, false);
    SetItemText(IDC_STATUS_TEXT, kRunStartedText);
    if (_beginthread(NetDiagnosisThread, 0, this) == static_cast<uintptr_t>(-1)) {
        // Without a worker nothing would ever unlock the window, and it could not be closed.
        for (int id : kLockedButtons) EnableItem(id, true);
        SetItemText(IDC_STATUS_TEXT, kStartHintText);
    }
}

void ReportDialog::RunNetDiagnosis() {
    AnsiString diagnosis;
    bool result;
    {
        NetDiagnostics record;
        result = record.Run(diagnosis, DiagnosisTargets());
    }
    SetItemText(IDC_STATUS_TEXT, result ? kDoneStatusText : kTimedOutStatusText);
    ::MessageBoxA(m_hwnd, result ? kDoneBoxText : kTimedOutBoxText, kBoxCaption, 0);

    AnsiString text = m_initialText + diagnosis;
    m_reportEdit.SetText(text.c_str());

    for (int id : kLockedButtons) EnableItem(id, true);
}

void __cdecl NetDiagnosisThread(void* param) { static_cast<ReportDialog*>(param)->RunNetDiagnosis(); }

}  // namespace rk
