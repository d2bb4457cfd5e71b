#include "ui/Dialog.h"

namespace rk {

INT_PTR Dialog::DoModal() {
    m_ending = false;
    // A Unicode dialog keeps its template's texts as written; an ANSI one would pass them through
    // the system's code page.
    const INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), m_owner,
                                             &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
    // The modal loop destroys the window before it returns: only now is the handle gone.
    if (!::IsWindow(m_hwnd)) m_hwnd = nullptr;
    return result;
}

bool Dialog::OnCommand(int code, int id, LPARAM) {
    if (code != BN_CLICKED) return false;
    return OnButtonClicked(id);
}

bool Dialog::OnButtonClicked(int id) {
    switch (id) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return OnInit() ? TRUE : FALSE;
    if (message == WM_COMMAND) return OnCommand(HIWORD(wParam), LOWORD(wParam), lParam) ? TRUE : FALSE;
    LRESULT result = 0;
    if (!OnMessage(message, wParam, lParam, result)) return FALSE;
    // These messages return their value directly instead of through DWLP_MSGRESULT.
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return static_cast<INT_PTR>(result);
    default:
        ::SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->m_hwnd = hwnd;
    } else {
        self = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    // A teardown the dialog did not begin is a forgery: handled here, so that the dialog manager
    // keeps its state and the window goes on working.
    if ((message == WM_DESTROY || message == WM_NCDESTROY) && !self->m_ending) return TRUE;
    try {
        return self->Dispatch(message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

}  // namespace rk
