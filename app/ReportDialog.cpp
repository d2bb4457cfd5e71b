#include "app/ReportDialog.h"

#include <richedit.h>

#include "app/AboutDialog.h"
#include "app/WaitDialog.h"
#include "res/resource.h"

namespace rk {

ReportDialog::ReportDialog(HWND parent)
    : Dialog(IDD_MAIN, parent), m_icon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

ReportDialog::~ReportDialog() = default;

MessageMap ReportDialog::GetMessageMap() const {
    static const MessageMapEntry kMap[] = {
        OnMessageEntry(WM_SYSCOMMAND, &ReportDialog::OnSysCommand),
        OnMessageEntry(WM_PAINT, &ReportDialog::OnPaint),
        OnMessageEntry(WM_QUERYDRAGICON, &ReportDialog::OnQueryDragIcon),
        OnMessageEntry(WM_SIZE, &ReportDialog::OnSize),
        OnCommandEntry(IDC_NET_DIAG, &ReportDialog::OnNetDiagnosis),
        OnCommandEntry(IDC_SAVE, &ReportDialog::OnSaveToFile),
    };
    return {kMap, sizeof kMap / sizeof kMap[0]};
}

void ReportDialog::DoDataExchange() { BindControl(IDC_REPORT_EDIT, m_reportEdit); }

BOOL ReportDialog::OnInitDialog() {
    Dialog::OnInitDialog();

    if (HMENU menu = ::GetSystemMenu(m_hwnd, FALSE)) {
        char about[256] = {};
        if (::LoadStringA(::GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, sizeof about) > 0 && about[0]) {
            ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SendMsg(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMsg(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));

    // The framework's modal dialogs take the main window as their owner when given none; so do
    // these. Owned, they get no taskbar button of their own and keep the main window disabled.
    {
        WaitDialog wait(m_hwnd);
        wait.m_reportOwner = this;
        wait.DoModal();
    }

    // The control is empty here, so replacing the whole selection leaves exactly the report.
    LRESULT length = m_reportEdit.SendMsg(WM_GETTEXTLENGTH);
    CHARRANGE range = {0, static_cast<LONG>(length)};
    m_reportEdit.SendMsg(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    m_reportEdit.SendMsg(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(m_reportText.c_str()));
    m_initialText = m_reportEdit.GetText();

    ::SetWindowTextA(m_hwnd, nullptr);
    return TRUE;
}

LRESULT ReportDialog::OnSysCommand(WPARAM id, LPARAM) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        AboutDialog about(m_hwnd);
        about.DoModal();
        return 0;
    }
    return kDefaultProcessing;
}

LRESULT ReportDialog::OnPaint(WPARAM, LPARAM) {
    if (!IsIconic()) return kDefaultProcessing;
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
    return 0;
}

LRESULT ReportDialog::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(m_icon); }

LRESULT ReportDialog::OnSize(WPARAM, LPARAM) { return kDefaultProcessing; }

}  // namespace rk
