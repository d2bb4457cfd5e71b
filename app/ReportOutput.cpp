// The copy and save commands of the main window.
#include <windows.h>
#include <commdlg.h>
#include <richedit.h>
#include <shellapi.h>

#include <cstring>

#include "app/OutputRules.h"
#include "app/ReportFile.h"
#include "app/ReportDialog.h"
#include "base/Handle.h"
#include "config/Deployment.h"

namespace rk {

namespace {

ClipboardView ReadClipboard(HWND owner) {
    ClipboardView view = {false, false, AnsiString()};
    if (!::OpenClipboard(owner)) return view;
    auto close = MakeScopeExit([] { ::CloseClipboard(); });
    view.opened = true;
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const char* text = static_cast<const char*>(::GlobalLock(data))) {
            view.hasText = true;
            view.text.assign(text, strnlen(text, ::GlobalSize(data)));
            ::GlobalUnlock(data);
        }
    }
    return view;
}

void EmptyTheClipboard(HWND owner) {
    if (!::OpenClipboard(owner)) return;
    ::EmptyClipboard();
    ::CloseClipboard();
}

// Waits, serving messages that other threads and programs send meanwhile: a clipboard viewer
// that reads the copy asks this thread's clipboard window to render it.
void WaitServingSentMessages(DWORD ms) {
    const DWORD start = ::GetTickCount();
    for (DWORD elapsed = 0; elapsed < ms; elapsed = ::GetTickCount() - start) {
        if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_SENDMESSAGE) == WAIT_OBJECT_0) {
            MSG msg;
            ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

}  // namespace

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
        ::MessageBoxA(m_hwnd, kCopyFailedText, kOutputCaption, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (::MessageBoxA(m_hwnd, kCopyConfirmText, kOutputCaption, MB_YESNO | MB_ICONINFORMATION) == IDYES)
        ::ShellExecuteA(nullptr, "open", ForumNewThreadUrl(kForumHost).c_str(), nullptr, nullptr, SW_SHOW);
}

void ReportDialog::OnSaveToFile() {
    const AnsiString filter = NativeFileFilter(kSaveFilter);
    // Room for a folder and several names, which multiple selection may return.
    char names[4 * MAX_PATH] = {};
    lstrcpynA(names, kDefaultSaveName, sizeof names);

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_hwnd;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = names;
    dialog.nMaxFile = sizeof names;
    // Explorer style as the framework's file dialog uses, so a single name comes back as a full path.
    dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER;
    if (!::GetSaveFileNameA(&dialog)) return;

    const AnsiString path = ChosenSavePath(names, sizeof names, dialog.nFileOffset);
    if (!WriteReportFile(path, m_reportEdit.GetText()))
        ::MessageBoxA(m_hwnd, SaveFailedText(path).c_str(), kOutputCaption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace rk
