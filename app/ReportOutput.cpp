// The copy and save commands of the main window.
#include <windows.h>
#include <commdlg.h>
#include <richedit.h>
#include <shellapi.h>

#include <cstring>

#include "app/OutputRules.h"
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

// Clears what an earlier copy left, so an empty selection cannot leave stale text behind.
void EmptyTheClipboard(HWND owner) {
    if (!::OpenClipboard(owner)) return;
    ::EmptyClipboard();
    ::CloseClipboard();
}

}  // namespace

void ReportDialog::OnCopyToClipboard() {
    CHARRANGE all = {0, -1};
    m_reportEdit.SendMsg(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    EmptyTheClipboard(m_hwnd);
    m_reportEdit.SendMsg(WM_COPY);

    // WM_COPY reports nothing; only what the clipboard now holds tells whether the copy worked.
    if (!ClipboardHoldsReport(ReadClipboard(m_hwnd), m_reportEdit.GetText())) {
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
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool created = static_cast<bool>(file);
    bool writeOk = false;
    DWORD written = 0;
    const AnsiString text = m_reportEdit.GetText();
    if (created) {
        writeOk = ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE;
        // A close that fails may have lost buffered bytes.
        writeOk = ::CloseHandle(file.release()) != FALSE && writeOk;
    }
    if (!SaveComplete(created, writeOk, written, text.size()))
        ::MessageBoxA(m_hwnd, SaveFailedText(path).c_str(), kOutputCaption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace rk
