// The dialog templates as built into Rekkor.exe: every control's class, text, id, style and
// rectangle, read from the template's bytes. A resource compiler that drops a size or a default
// style shows up here, not only as a window that looks slightly wrong.
#include <doctest/doctest.h>
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/gui/RunningTool.h"

using namespace rk_test;

namespace {

// A name or an ordinal, as templates store class names, texts and resource references.
struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::wstring name;
};

struct TemplateItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal text;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring face;
    std::vector<TemplateItem> items;
};

// Reads the template's bytes with bounds checks; any overrun marks the reader failed.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}

    bool Failed() const { return m_failed; }
    WORD Word() { return Read<WORD>(); }
    DWORD Dword() { return Read<DWORD>(); }
    short Short() { return static_cast<short>(Read<WORD>()); }
    void AlignDword() { m_at = (m_at + 3) & ~static_cast<size_t>(3); }
    void Skip(size_t bytes) {
        if (bytes > m_size - m_at) m_failed = true;
        else m_at += bytes;
    }
    std::wstring String() {
        std::wstring text;
        for (WORD c = Word(); c != 0 && !m_failed; c = Word()) text.push_back(static_cast<wchar_t>(c));
        return text;
    }
    NameOrOrdinal NameOrId() {
        NameOrOrdinal value;
        WORD first = Word();
        if (first == 0xFFFF) {
            value.isOrdinal = true;
            value.ordinal = Word();
        } else if (first != 0) {
            value.name.push_back(static_cast<wchar_t>(first));
            value.name += String();
        }
        return value;
    }

private:
    template <typename T>
    T Read() {
        T value = 0;
        if (m_failed || sizeof(T) > m_size - m_at) {
            m_failed = true;
            return value;
        }
        std::memcpy(&value, m_data + m_at, sizeof(T));
        m_at += sizeof(T);
        return value;
    }

    const BYTE* m_data;
    size_t m_size;
    size_t m_at = 0;
    bool m_failed = false;
};

// Parses a DLGTEMPLATE or DLGTEMPLATEEX with its items.
bool ParseTemplate(const BYTE* data, size_t size, DialogTemplate& out) {
    TemplateReader in(data, size);
    WORD count = 0;
    out.extended = size >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF;
    if (out.extended) {
        in.Word();   // version
        in.Word();   // signature
        in.Dword();  // help id
        out.exStyle = in.Dword();
        out.style = in.Dword();
    } else {
        out.style = in.Dword();
        out.exStyle = in.Dword();
    }
    count = in.Word();
    out.x = in.Short();
    out.y = in.Short();
    out.cx = in.Short();
    out.cy = in.Short();
    in.NameOrId();  // menu
    in.NameOrId();  // class
    out.caption = in.String();
    if (out.style & DS_SETFONT) {
        out.pointSize = in.Word();
        if (out.extended) {
            in.Word();  // weight
            in.Word();  // italic and character set
        }
        out.face = in.String();
    }
    for (WORD i = 0; i < count && !in.Failed(); ++i) {
        TemplateItem item;
        in.AlignDword();
        if (out.extended) {
            in.Dword();  // help id
            item.exStyle = in.Dword();
            item.style = in.Dword();
        } else {
            item.style = in.Dword();
            item.exStyle = in.Dword();
        }
        item.x = in.Short();
        item.y = in.Short();
        item.cx = in.Short();
        item.cy = in.Short();
        item.id = out.extended ? in.Dword() : in.Word();
        item.windowClass = in.NameOrId();
        item.text = in.NameOrId();
        in.Skip(in.Word());  // creation data
        out.items.push_back(item);
    }
    return !in.Failed();
}

std::wstring Wide(const char* text) {
    int length = ::MultiByteToWideChar(936, 0, text, -1, nullptr, 0);
    std::wstring wide(length > 0 ? length - 1 : 0, L'\0');
    if (length > 1) ::MultiByteToWideChar(936, 0, text, -1, &wide[0], length);
    return wide;
}

std::string Narrow(const std::wstring& text) {
    int length = ::WideCharToMultiByte(936, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(length > 0 ? length - 1 : 0, '\0');
    if (length > 1) ::WideCharToMultiByte(936, 0, text.c_str(), -1, &narrow[0], length, nullptr, nullptr);
    return narrow;
}

// The predefined classes that templates may name by ordinal or by name.
bool IsClass(const NameOrOrdinal& windowClass, WORD ordinal, const char* name) {
    if (windowClass.isOrdinal) return windowClass.ordinal == ordinal;
    return _wcsicmp(windowClass.name.c_str(), Wide(name).c_str()) == 0;
}

const WORD kButtonClass = 0x0080;
const WORD kStaticClass = 0x0082;

struct ExpectedItem {
    DWORD id;
    WORD classOrdinal;  // 0: the class is named by `className` alone
    const char* className;
    const char* text;   // nullptr: the text is an ordinal, `textOrdinal`
    WORD textOrdinal;
    DWORD style;        // beyond WS_CHILD | WS_VISIBLE
    short x, y, cx, cy;
    bool hidden = false;  // created without WS_VISIBLE
};

void CheckItems(const DialogTemplate& dialog, const std::vector<ExpectedItem>& expected) {
    REQUIRE(dialog.items.size() == expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const TemplateItem& item = dialog.items[i];
        const ExpectedItem& want = expected[i];
        CAPTURE(i);
        CHECK(item.id == want.id);
        if (want.classOrdinal)
            CHECK(IsClass(item.windowClass, want.classOrdinal, want.className));
        else
            CHECK((!item.windowClass.isOrdinal && _stricmp(Narrow(item.windowClass.name).c_str(), want.className) == 0));
        if (want.text) {
            CHECK(!item.text.isOrdinal);
            CHECK(Narrow(item.text.name) == want.text);
        } else {
            CHECK(item.text.isOrdinal);
            CHECK(item.text.ordinal == want.textOrdinal);
        }
        CHECK(item.style == (WS_CHILD | (want.hidden ? 0 : WS_VISIBLE) | want.style));
        CHECK(item.exStyle == 0u);
        CHECK(item.x == want.x);
        CHECK(item.y == want.y);
        CHECK(item.cx == want.cx);
        CHECK(item.cy == want.cy);
    }
}

struct LoadedImage {
    HMODULE module = ::LoadLibraryExA(Layout("none").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ~LoadedImage() {
        if (module) ::FreeLibrary(module);
    }
};

DialogTemplate LoadTemplate(const LoadedImage& image, int id) {
    DialogTemplate dialog;
    REQUIRE(image.module != nullptr);
    HRSRC resource = ::FindResourceA(image.module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    REQUIRE(resource != nullptr);
    const BYTE* data = static_cast<const BYTE*>(::LockResource(::LoadResource(image.module, resource)));
    REQUIRE(data != nullptr);
    REQUIRE(ParseTemplate(data, ::SizeofResource(image.module, resource), dialog));
    return dialog;
}

const DWORD kNoId = 0xFFFF;  // -1 in a plain template's 16-bit id

}  // namespace

TEST_CASE("the About box's template: icon 20 by 20, a grouped text, the OK button") {
    LoadedImage image;
    DialogTemplate about = LoadTemplate(image, IDD_ABOUTBOX);
    CHECK(!about.extended);
    CHECK(about.style == (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    CHECK(about.exStyle == 0u);
    CHECK(about.cx == 235);
    CHECK(about.cy == 55);
    CHECK(Narrow(about.caption) == "关于 Rekkor");
    CHECK(about.pointSize == 9);
    CHECK(Narrow(about.face) == "宋体");
    CheckItems(about, {
        {kNoId, kStaticClass, "Static", nullptr, IDR_MAINFRAME, SS_ICON, 11, 17, 20, 20},
        {kNoId, kStaticClass, "Static", "Rekkor 2.0 版", 0, SS_LEFT | SS_NOPREFIX | WS_GROUP, 40, 10, 119, 8},
        {IDOK, kButtonClass, "Button", "确定", 0, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 178, 7, 50, 14},
    });
}

TEST_CASE("the main window's template") {
    LoadedImage image;
    DialogTemplate main = LoadTemplate(image, IDD_MAIN);
    CHECK(main.extended);
    CHECK(main.style ==
          (WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT));
    CHECK(main.exStyle == static_cast<DWORD>(WS_EX_APPWINDOW));
    CHECK(main.cx == 475);
    CHECK(main.cy == 376);
    CHECK(Narrow(main.caption) == "诊断报告生成工具");
    CHECK(main.pointSize == 9);
    CHECK(Narrow(main.face) == "宋体");
    const DWORD edit = ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_BORDER | WS_VSCROLL |
                       WS_HSCROLL | WS_TABSTOP;
    CheckItems(main, {
        {IDOK, kButtonClass, "Button", "复制到剪贴板", 0, BS_DEFPUSHBUTTON | WS_TABSTOP, 144, 349, 80, 20},
        {IDCANCEL, kButtonClass, "Button", "退出", 0, BS_PUSHBUTTON | WS_TABSTOP, 388, 349, 80, 20},
        {IDC_REPORT_EDIT, 0, "RICHEDIT", "", 0, edit, 7, 38, 461, 297},
        {IDC_NET_DIAG, kButtonClass, "Button", "网络诊断(无法升级请诊断)", 0, BS_PUSHBUTTON | WS_TABSTOP, 7, 350, 103, 19},
        {0xFFFFFFFF, kStaticClass, "Static", "如果升级有问题，请点击网络诊断", 0, SS_CENTER | WS_GROUP, 15, 13, 453, 16},
        {IDC_SAVE, kButtonClass, "Button", "保存结果到文件", 0, BS_DEFPUSHBUTTON | WS_TABSTOP, 265, 349, 80, 20},
        {IDC_NET_PROGRESS, 0, "msctls_progress32", "", 0, PBS_SMOOTH, 7, 30, 461, 6, true},
    });
}
