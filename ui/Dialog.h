#pragma once
// A thin modal-dialog layer over user32.
//
// One static dialog procedure stores `this` at WM_INITDIALOG and forwards every later message to
// typed hooks; a derived dialog overrides the hooks it needs and switches on the message or
// command id there. No exception crosses user32.
#include <windows.h>

#include "ui/Window.h"

namespace rk {

class Dialog : public Window {
public:
    Dialog(int templateId, HWND owner) : m_templateId(templateId), m_owner(owner) {}
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally and returns what End was given (or -1 if it could not be shown).
    INT_PTR DoModal();
    void End(INT_PTR result) {
        m_ending = true;
        ::EndDialog(m_hwnd, result);
    }

protected:
    // WM_INITDIALOG. True lets the system set the focus.
    virtual bool OnInit() { return true; }
    // WM_COMMAND; true when handled. Button clicks (and Enter, Esc and the close box, which
    // arrive as IDOK and IDCANCEL) go on to OnButtonClicked.
    virtual bool OnCommand(int code, int id, LPARAM lParam);
    virtual bool OnButtonClicked(int id);
    virtual void OnOK() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    // Any other message; true when handled, with the message's result in `result`.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    int m_templateId;
    HWND m_owner;
    // Set once End has been called: only then is a teardown message the window's real end. Any
    // program can send WM_DESTROY or WM_NCDESTROY; taken as facts, they would have the dialog
    // manager free the dialog's state while the window stands, and the dialog could never end.
    bool m_ending = false;
};

}  // namespace rk
