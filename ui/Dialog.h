#pragma once
// A thin modal-dialog layer over user32 in place of MFC's CDialog.
//
// One static dialog procedure stores `this` at WM_INITDIALOG and forwards every later message.
// Each dialog class lists its handlers in a message map: a table from a window message or a
// command id to a member function. Commands not in the map reach OnCommand's default routing
// (IDOK -> OnOK, IDCANCEL -> OnCancel). No exception crosses user32.
#include <windows.h>

#include "ui/Window.h"

namespace rk {

class Dialog;

struct MessageMapEntry {
    using MessageHandler = LRESULT (Dialog::*)(WPARAM, LPARAM);
    using CommandHandler = void (Dialog::*)();
    UINT message;  // WM_COMMAND entries carry a command id and a CommandHandler
    int commandId;
    MessageHandler onMessage;
    CommandHandler onCommand;
};

// Builders for map entries, so a derived class names its own member functions.
template <typename D>
MessageMapEntry OnMessageEntry(UINT message, LRESULT (D::*handler)(WPARAM, LPARAM)) {
    return {message, 0, static_cast<MessageMapEntry::MessageHandler>(handler), nullptr};
}
template <typename D>
MessageMapEntry OnCommandEntry(int id, void (D::*handler)()) {
    return {WM_COMMAND, id, nullptr, static_cast<MessageMapEntry::CommandHandler>(handler)};
}

struct MessageMap {
    const MessageMapEntry* entries;
    size_t count;
};

// A message handler returns this to hand the message to the dialog manager's default.
constexpr LRESULT kDefaultProcessing = static_cast<LRESULT>(-0x7FFFFFFF);

class Dialog : public Window {
public:
    Dialog(int templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally and returns what End was given (or -1 if it could not be shown).
    INT_PTR DoModal();
    void End(INT_PTR result) { ::EndDialog(m_hwnd, result); }

protected:
    // Runs the data exchange; derived dialogs call it first, as MFC's CDialog::OnInitDialog.
    virtual BOOL OnInitDialog() {
        DoDataExchange();
        return TRUE;
    }
    virtual void DoDataExchange() {}
    // The one kind of data exchange this program needs: a control object bound by id.
    void BindControl(int id, Window& control) const { control.Attach(GetItem(id)); }
    // Returns true when the command was handled.
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void OnOK() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    virtual MessageMap GetMessageMap() const { return {nullptr, 0}; }

    // Command routing as the framework does it: the message map, then IDOK and IDCANCEL.
    bool RouteCommand(WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    int m_templateId;
    HWND m_parent;
};

}  // namespace rk
