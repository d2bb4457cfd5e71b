#include "app/ReportDialog.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <memory>

#include "app/AboutDialog.h"
#include "app/Clipboard.h"
#include "app/ForumPage.h"
#include "app/NetDiagnosisWorker.h"
#include "app/OutputRules.h"
#include "app/ReportFile.h"
#include "app/WaitDialog.h"
#include "base/LateBinding.h"
#include "base/ReportCodePage.h"
#include "base/SmallThread.h"
#include "config/Deployment.h"
#include "res/resource.h"

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

// What the bar shows when told `claimed` probes have finished: within 0..total, never more than
// the run itself counts as finished, and never less than the bar shows already.
int ProgressCount(WPARAM claimed, int finished, int shown, int total) {
    int count = claimed > static_cast<WPARAM>(total) ? total : static_cast<int>(claimed);
    if (count > finished) count = finished;
    return count < shown ? shown : count;
}

// The save dialog's DLL loads on the first save, not at start-up; without it the save ends as a
// cancelled dialog would.
using SaveDialogFn = BOOL(WINAPI*)(OPENFILENAMEW*);
LateBinding g_saveDialog("comdlg32.dll", "GetSaveFileNameW");

}  // namespace

ReportDialog::ReportDialog(HWND owner)
    : Dialog(IDD_MAIN, owner), m_icon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

bool ReportDialog::OnInit() {
    m_reportEdit.Attach(GetItem(IDC_REPORT_EDIT));
    // A rich edit holds 32,767 characters unless told otherwise, and on Windows an insert past
    // that is cut: the engine alone may write a megabyte, and a diagnosis adds as much.
    m_reportEdit.RaiseLimit();
    m_progress.Attach(GetItem(IDC_NET_PROGRESS));
    m_progress.SendMsg(PBM_SETRANGE32, 0, kProbeThreadCount);
    AddAboutToSystemMenu();
    SendMsg(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMsg(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));

    // The framework's modal dialogs take the main window as their owner when given none; so do
    // these. Owned, they get no taskbar button of their own and keep the main window disabled.
    const std::shared_ptr<StartupJob> job = std::make_shared<StartupJob>();
    {
        WaitDialog wait(m_hwnd, job);
        wait.DoModal();
    }
    // A WM_QUIT, which any program can post to this thread, ends the wait dialog's loop without
    // the worker's word: then there is no whole report to show, and the tool ends.
    if (!job->finished) {
        m_withoutReport = true;
        End(IDCANCEL);
        return true;
    }
    m_reportText = job->text;
    ShowReport();
    ::SetWindowTextW(m_hwnd, nullptr);
    return true;
}

void ReportDialog::AddAboutToSystemMenu() {
    HMENU menu = ::GetSystemMenu(m_hwnd, FALSE);
    if (!menu) return;
    wchar_t about[256] = {};
    if (::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 256) > 0 && about[0]) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
    }
}

void ReportDialog::ShowReport() {
    // The control is empty here, so replacing the whole selection leaves exactly the report.
    CHARRANGE all = {0, -1};
    m_reportEdit.SendMsg(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    m_reportEdit.ReplaceSelection(m_reportText);
    m_initialText = m_reportEdit.GetText();
}

bool ReportDialog::OnCommand(int code, int id, LPARAM lParam) {
    // A disabled button's command is dropped, also when it comes as Enter, Esc or the close box:
    // the disabled Exit button is what keeps the window open during a diagnosis.
    HWND control = GetItem(id);
    if (control && !::IsWindowEnabled(control)) return true;
    return Dialog::OnCommand(code, id, lParam);
}

bool ReportDialog::OnButtonClicked(int id) {
    switch (id) {
    case IDOK:  // the copy button; it never ends the dialog
        OnCopyToClipboard();
        return true;
    case IDC_SAVE:
        OnSaveToFile();
        return true;
    case IDC_NET_DIAG:
        OnNetDiagnosis();
        return true;
    default:
        return Dialog::OnButtonClicked(id);
    }
}

bool ReportDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_WINDOWPOSCHANGING:
        // Windows never shows a dialog that ended in WM_INITDIALOG; Wine shows a visible
        // template's window all the same, here with no report in it.
        if (m_withoutReport) reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
        return false;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != IDM_ABOUTBOX) return false;
        {
            AboutDialog about(m_hwnd);
            about.DoModal();
        }
        result = 0;
        return true;
    case WM_PAINT:
        if (!PaintIconic()) return false;
        result = 0;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_icon);
        return true;
    case kNetDiagnosisDone:
        OnNetDiagnosisDone();
        result = 0;
        return true;
    case kNetDiagnosisProgress:
        OnNetDiagnosisProgress(wParam);
        result = 0;
        return true;
    default:
        return false;
    }
}

bool ReportDialog::PaintIconic() {
    if (!IsIconic()) return false;
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hwnd, &paint);
    SendMsg(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    int iconWidth = ::GetSystemMetrics(SM_CXICON);
    int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client;
    ::GetClientRect(m_hwnd, &client);
    int x = (client.right - client.left - iconWidth + 1) / 2;
    int y = (client.bottom - client.top - iconHeight + 1) / 2;
    ::DrawIcon(dc, x, y, m_icon);
    ::EndPaint(m_hwnd, &paint);
    return true;
}

void ReportDialog::OnCopyToClipboard() {
    CHARRANGE all = {0, -1};
    m_reportEdit.SendMsg(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    const AnsiString report = m_reportEdit.GetText();

    // Nothing is emptied first: when the copy fails, the clipboard keeps what the user had.
    // WM_COPY reports nothing; the clipboard's sequence number tells whether it changed, and its
    // text whether it holds the report.
    const DWORD before = ::GetClipboardSequenceNumber();
    bool copied = false;
    for (int attempt = 0; attempt < kClipboardAttempts; ++attempt) {
        if (attempt > 0) WaitServingSentMessages(kClipboardRetryMs);
        // Another program holding the clipboard open makes the control's copy fail: copy again.
        if (::GetClipboardSequenceNumber() == before) {
            m_reportEdit.SendMsg(WM_COPY);
            // Some versions of the control copy nothing from an empty selection; the copy of an
            // empty report is an empty clipboard.
            if (report.empty() && ::GetClipboardSequenceNumber() == before) EmptyTheClipboard(m_hwnd);
        }
        const DWORD after = ::GetClipboardSequenceNumber();
        if (after == before) continue;
        // A viewer may hold the clipboard right after it changed: look again.
        const ClipboardView view = ReadClipboard(m_hwnd);
        if (!view.opened) continue;
        copied = CopySucceeded(before, after, view, report);
        break;
    }
    if (!copied) {
        ReportMessageBox(m_hwnd, kCopyFailedText, kOutputCaption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (ReportMessageBox(m_hwnd, kCopyConfirmText, kOutputCaption, MB_YESNO | MB_ICONINFORMATION) == IDYES) {
        const AnsiString url = ForumNewThreadUrl(kForumHost);  // ASCII
        OpenForumPage(std::wstring(url.begin(), url.end()).c_str());
    }
}

void ReportDialog::OnSaveToFile() {
    // Paths are UTF-16: a folder named in characters that no ANSI code page holds still saves.
    const AnsiString nativeFilter = NativeFileFilter(kSaveFilter);  // ASCII
    const std::wstring filter(nativeFilter.begin(), nativeFilter.end());
    // Room for a folder and several names, which multiple selection may return.
    wchar_t names[4 * MAX_PATH] = {};
    const std::wstring defaultName = ReportWide(kDefaultSaveName);
    lstrcpynW(names, defaultName.c_str(), 4 * MAX_PATH);

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_hwnd;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = names;
    dialog.nMaxFile = 4 * MAX_PATH;
    // The dialog opens in the tool's own folder, as it did when that was the current directory;
    // the current directory is now the system directory, where nothing of the user's belongs.
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH && ::PathRemoveFileSpecW(folder)) dialog.lpstrInitialDir = folder;
    // Explorer style as the framework's file dialog uses, so a single name comes back as a full path.
    // The current directory stays the system directory: no later relative name resolves in the
    // folder the user saved into.
    dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_NOCHANGEDIR;
    const SaveDialogFn showSaveDialog = g_saveDialog.Get<SaveDialogFn>();
    if (!showSaveDialog || !showSaveDialog(&dialog)) return;

    const std::wstring path = ChosenSavePath(names, 4 * MAX_PATH, dialog.nFileOffset);
    if (!WriteReportFile(path, m_reportEdit.GetText()))
        ReportMessageBox(m_hwnd, SaveFailedText(ReportBytes(path)).c_str(), kOutputCaption, MB_OK | MB_ICONEXCLAMATION);
}

void ReportDialog::LockButtons(bool locked) {
    for (int id : kLockedButtons) EnableItem(id, !locked);
}

void ReportDialog::OnNetDiagnosis() {
    m_progressShown = 0;
    m_progress.SendMsg(PBM_SETPOS, 0);
    m_progress.Show(SW_SHOW);
    LockButtons(true);
    SetItemText(IDC_STATUS_TEXT, kRunStartedText);
    try {
        std::shared_ptr<NetDiagnosisRun> run = std::make_shared<NetDiagnosisRun>();
        run->notify = m_hwnd;
        // The worker's end is its posted message.
        if (StartDetached([run] { RunNetDiagnosis(*run); })) {
            m_pendingRun = run;
            return;
        }
    } catch (...) {
    }
    // Without a worker nothing would ever unlock the window, and it could not be closed.
    m_progress.Show(SW_HIDE);
    LockButtons(false);
    SetItemText(IDC_STATUS_TEXT, kStartHintText);
}

void ReportDialog::OnNetDiagnosisProgress(WPARAM finished) {
    if (!m_pendingRun) return;
    const int count = ProgressCount(finished, m_pendingRun->probesFinished, m_progressShown, kProbeThreadCount);
    if (count == m_progressShown) return;
    m_progressShown = count;
    m_progress.SendMsg(PBM_SETPOS, count);
}

void ReportDialog::OnNetDiagnosisDone() {
    // A completion with no run pending, or before the worker has finished, came from elsewhere.
    if (!m_pendingRun || !m_pendingRun->finished) return;
    const std::shared_ptr<NetDiagnosisRun> run = std::move(m_pendingRun);
    m_pendingRun.reset();
    SetItemText(IDC_STATUS_TEXT, run->inTime ? kDoneStatusText : kTimedOutStatusText);
    ReportMessageBox(m_hwnd, run->inTime ? kDoneBoxText : kTimedOutBoxText, kBoxCaption, 0);
    // A second diagnosis replaces the first. Some versions of the control take WM_SETTEXT's
    // length as their limit: the limit is set again.
    m_reportEdit.RaiseLimit();
    m_reportEdit.SetText(m_initialText + run->text);
    m_progress.Show(SW_HIDE);
    LockButtons(false);
}

}  // namespace rk
