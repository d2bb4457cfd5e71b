// The dialog templates as built into Rekkor.exe: what the code and the dialog manager depend on,
// each control's id, class and style. The texts are the window tests' (StartupGuiTests.cpp).
#include <doctest/doctest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "base/Handle.h"
#include "res/resource.h"
#include "tests/gui/RunningTool.h"

using namespace rk_test;

namespace {

struct Control {
    int id;
    std::wstring windowClass;  // "#n" for an ordinal other than the button's and the static's
    DWORD style;               // beyond WS_CHILD | WS_VISIBLE
    std::wstring text;
    short cx = 0, cy = 0;
    bool hidden = false;  // created without WS_VISIBLE
};

struct Template {
    bool extended;
    DWORD style, exStyle;
    std::wstring caption;
    std::vector<Control> controls;
};

// The words of a DLGTEMPLATE or DLGTEMPLATEEX as the resource compiler laid them out.
class Words {
public:
    explicit Words(const void* at) : m_at(static_cast<const WORD*>(at)) {}
    WORD Word() { return *m_at++; }
    DWORD Dword() {
        const DWORD low = Word();
        return low | DWORD(Word()) << 16;
    }
    std::wstring Text() {
        std::wstring text;
        for (WORD c = Word(); c != 0; c = Word()) text += wchar_t(c);
        return text;
    }
    std::wstring NameOrOrdinal() {
        if (*m_at != 0xFFFF) return Text();
        ++m_at;
        return L"#" + std::to_wstring(Word());
    }
    void Align() { m_at = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(m_at) + 3) & ~UINT_PTR(3)); }
    void Skip(WORD bytes) { m_at += bytes / 2; }

private:
    const WORD* m_at;
};

Template Load(int id) {
    const rk::UniqueModule image(::LoadLibraryExA(Layout("none").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    REQUIRE(image);
    HRSRC resource = ::FindResourceA(image.get(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    REQUIRE(resource);
    Words in(::LockResource(::LoadResource(image.get(), resource)));
    Template dialog;
    const DWORD head = in.Dword();
    dialog.extended = head == 0xFFFF0001u;  // version 1 and the signature
    if (dialog.extended) in.Dword();        // help id
    dialog.style = dialog.extended ? 0 : head;
    dialog.exStyle = in.Dword();
    if (dialog.extended) dialog.style = in.Dword();
    const WORD count = in.Word();
    for (int i = 0; i < 4; ++i) in.Word();  // rectangle
    in.NameOrOrdinal();                     // menu
    in.NameOrOrdinal();                     // class
    dialog.caption = in.Text();
    if (dialog.style & DS_SETFONT) {
        in.Word();
        if (dialog.extended) in.Dword();  // weight, italic and character set
        in.Text();
    }
    for (WORD i = 0; i < count; ++i) {
        Control item;
        in.Align();
        if (dialog.extended) in.Dword();
        const DWORD first = in.Dword();
        const DWORD second = in.Dword();
        item.style = dialog.extended ? second : first;
        for (int k = 0; k < 2; ++k) in.Word();  // position
        item.cx = short(in.Word());
        item.cy = short(in.Word());
        item.id = dialog.extended ? int(in.Dword()) : short(in.Word());
        item.windowClass = in.NameOrOrdinal();
        if (item.windowClass == L"#128") item.windowClass = L"Button";
        if (item.windowClass == L"#130") item.windowClass = L"Static";
        item.text = in.NameOrOrdinal();
        in.Skip(in.Word());  // creation data
        dialog.controls.push_back(item);
    }
    return dialog;
}

void CheckControls(const Template& dialog, const std::vector<Control>& expected) {
    REQUIRE(dialog.controls.size() == expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        CAPTURE(i);
        CHECK(dialog.controls[i].id == expected[i].id);
        // windres writes a class named in a CONTROL statement in capitals.
        CHECK(_wcsicmp(dialog.controls[i].windowClass.c_str(), expected[i].windowClass.c_str()) == 0);
        CHECK(dialog.controls[i].style == (WS_CHILD | (expected[i].hidden ? 0 : WS_VISIBLE) | expected[i].style));
    }
}

}  // namespace

TEST_CASE("the About box's template: the icon 20 by 20, a grouped text, the OK button") {
    const Template about = Load(IDD_ABOUTBOX);
    CHECK(!about.extended);
    CHECK(about.style == (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    CheckControls(about, {{-1, L"Static", SS_ICON},
                          {-1, L"Static", SS_LEFT | SS_NOPREFIX | WS_GROUP},
                          {IDOK, L"Button", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP}});
    // windres drops an ICON statement's size; the icon is the one the main window shows.
    CHECK((about.controls[0].cx == 20 && about.controls[0].cy == 20));
    CHECK(about.controls[0].text == L"#" + std::to_wstring(IDR_MAINFRAME));
}

TEST_CASE("the main window's template") {
    const Template main = Load(IDD_MAIN);
    CHECK(main.extended);
    CHECK(main.style == (WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT));
    CHECK(main.exStyle == DWORD(WS_EX_APPWINDOW));
    CHECK(main.caption == L"诊断报告生成工具");
    const DWORD edit =
        ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP;
    CheckControls(main, {{IDOK, L"Button", BS_DEFPUSHBUTTON | WS_TABSTOP},
                         {IDCANCEL, L"Button", BS_PUSHBUTTON | WS_TABSTOP},
                         {IDC_REPORT_EDIT, L"RichEdit20W", edit},
                         {IDC_NET_DIAG, L"Button", BS_PUSHBUTTON | WS_TABSTOP},
                         {IDC_STATUS_TEXT, L"Static", SS_CENTER | WS_GROUP},
                         {IDC_SAVE, L"Button", BS_DEFPUSHBUTTON | WS_TABSTOP},
                         {IDC_NET_PROGRESS, L"msctls_progress32", PBS_SMOOTH, L"", 0, 0, true}});
}
