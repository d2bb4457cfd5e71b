#include "ui/Dialog.h"

namespace rk {

INT_PTR Dialog::DoModal() {
    return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), m_parent,
                             &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

bool Dialog::RouteCommand(WPARAM wParam, LPARAM lParam) {
    int id = LOWORD(wParam);
    // A disabled button's command is dropped, also when it comes as Esc, Enter or the close box:
    // a disabled Exit button is what keeps the window open during a diagnosis.
    HWND control = GetItem(id);
    if (control && !::IsWindowEnabled(control)) return true;
    MessageMap map = GetMessageMap();
    for (size_t i = 0; i < map.count; ++i) {
        const MessageMapEntry& entry = map.entries[i];
        if (entry.message == WM_COMMAND && entry.commandId == id && entry.onCommand) {
            (this->*entry.onCommand)();
            return true;
        }
    }
    (void)lParam;
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

bool Dialog::OnCommand(WPARAM wParam, LPARAM lParam) { return RouteCommand(wParam, lParam); }

INT_PTR Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) return OnCommand(wParam, lParam) ? TRUE : FALSE;
    MessageMap map = GetMessageMap();
    for (size_t i = 0; i < map.count; ++i) {
        const MessageMapEntry& entry = map.entries[i];
        if (entry.message != message || !entry.onMessage) continue;
        LRESULT result = (this->*entry.onMessage)(wParam, lParam);
        if (result == kDefaultProcessing) return FALSE;
        // These messages return their value directly instead of through DWLP_MSGRESULT.
        if (message == WM_QUERYDRAGICON || message == WM_CTLCOLORSTATIC ||
            message == WM_CTLCOLORDLG || message == WM_CTLCOLOREDIT)
            return static_cast<INT_PTR>(result);
        ::SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    return FALSE;
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
    try {
        INT_PTR result =
            message == WM_INITDIALOG ? self->OnInitDialog() : self->HandleMessage(message, wParam, lParam);
        if (message == WM_NCDESTROY) self->m_hwnd = nullptr;
        return result;
    } catch (...) {
        return FALSE;
    }
}

}  // namespace rk
