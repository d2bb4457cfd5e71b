#pragma once
// The report's rich edit control. It is a Unicode window (RichEdit20W): the report's bytes (code
// page 936) go in and come out through UTF-16, so the text reads right whatever the system's
// code page is.
#include "ui/Window.h"

namespace rk {

class ReportEdit : public Window {
public:
    // The library that registers the template's class, RichEdit20W.
    static constexpr const char* kLibrary = "riched20.dll";

    // Lifts the default limit of 32,767 characters, past which Windows cuts an insert.
    void RaiseLimit() const;
    // Replaces the selection with the report's bytes.
    void ReplaceSelection(const AnsiString& text) const;
    void SetText(const AnsiString& text) const;
    // The whole text as report bytes, each paragraph ending in CR LF as it went in. Rich edit
    // answers WM_GETTEXT for at most 64K on some versions; EM_GETTEXTEX has no such bound.
    AnsiString GetText() const;
};

}  // namespace rk
