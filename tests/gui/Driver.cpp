#include "tests/gui/Driver.h"

#include <tlhelp32.h>

#include <cstring>

#include "base/Handle.h"
#include "res/resource.h"
#include "tests/common/TestPaths.h"

namespace rk_test {

AppProcess::~AppProcess() { Kill(); }

bool AppProcess::Start(const std::string& exe, const std::string& arguments, const std::string& workingDir) {
    // The exe's name follows its last backslash: the trail byte 0x5C of a character before it
    // cannot be the last one.
    std::string folder = workingDir.empty() ? exe.substr(0, exe.find_last_of('\\')) : workingDir;
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return ::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                            &startup, m_process.put()) != FALSE;
}

bool AppProcess::WaitExit(DWORD timeoutMs) const {
    return m_process && ::WaitForSingleObject(m_process.process(), timeoutMs) == WAIT_OBJECT_0;
}

bool AppProcess::Running() const {
    return m_process && ::WaitForSingleObject(m_process.process(), 0) == WAIT_TIMEOUT;
}

void AppProcess::Kill() {
    if (Running()) {
        ::TerminateProcess(m_process.process(), 1);
        ::WaitForSingleObject(m_process.process(), kWaitMs);
    }
    m_process.reset();
}

bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        if (cond()) return true;
        if (::GetTickCount() - start > timeoutMs) return cond();
        ::Sleep(20);
    }
}

namespace {

struct EnumState {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param) {
    EnumState* state = reinterpret_cast<EnumState*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == state->pid) state->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectChildren(HWND hwnd, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD pid) {
    EnumState state{pid, {}};
    ::EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string Cp936(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    if (size > 0) ::WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
    return bytes;
}

bool HandledPosted(HWND dialog) {
    // The marker: a default button id no control has, which the dialog manager keeps and answers.
    DWORD_PTR before = 0, now = 0;
    ::SendMessageTimeoutA(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 5000, &before);
    ::PostMessageA(dialog, DM_SETDEFID, 0x7A5A, 0);
    const bool handled = WaitUntil([&] {
        return ::SendMessageTimeoutA(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 5000, &now) && LOWORD(now) == 0x7A5A;
    });
    ::SendMessageTimeoutA(dialog, DM_SETDEFID, LOWORD(before), 0, SMTO_ABORTIFHUNG, 5000, &now);
    return handled;
}

std::string TextOf(HWND hwnd) {
    // Read in UTF-16 and given as code page 936, whatever the prefix's code page: the texts the
    // tests expect are the tool's own. Across processes a rich edit control reports a length of
    // 0; grow until the text fits.
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return std::string();
    size_t capacity = length + 2 < 4096 ? 4096 : length + 2;
    for (;;) {
        std::wstring text(capacity, L'\0');
        DWORD_PTR got = 0;
        if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                                   10000, &got))
            return std::string();
        size_t n = wcsnlen(text.c_str(), capacity);
        if (n + 1 < capacity) return Cp936(text.substr(0, n));
        capacity *= 2;
    }
}

bool IsDialog(HWND hwnd) { return ClassOf(hwnd) == "#32770"; }

HWND FindMainWindow(DWORD pid) {
    for (HWND hwnd : TopLevelWindows(pid))
        if (IsDialog(hwnd) && ::IsWindowVisible(hwnd) && ::GetDlgItem(hwnd, IDC_REPORT_EDIT)) return hwnd;
    return nullptr;
}

HWND WaitForMainWindow(DWORD pid, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindMainWindow(pid)) != nullptr; }, timeoutMs);
    return found;
}

HWND FindDialog(DWORD pid, const std::string& caption, HWND except) {
    for (HWND hwnd : TopLevelWindows(pid))
        if (hwnd != except && IsDialog(hwnd) && ::IsWindowVisible(hwnd) && TextOf(hwnd) == caption) return hwnd;
    return nullptr;
}

HWND WaitForDialog(DWORD pid, const std::string& caption, DWORD timeoutMs, HWND except) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindDialog(pid, caption, except)) != nullptr; }, timeoutMs);
    return found;
}

HWND FindDialogWithText(DWORD pid, const std::string& text) {
    for (HWND hwnd : TopLevelWindows(pid))
        if (IsDialog(hwnd) && ::IsWindowVisible(hwnd) && HasText(hwnd, text)) return hwnd;
    return nullptr;
}

bool HasText(HWND dialog, const std::string& text) {
    for (const std::string& s : StaticTexts(dialog))
        if (s == text) return true;
    return false;
}

bool WaitGone(HWND hwnd, DWORD timeoutMs) {
    return WaitUntil([&] { return !::IsWindow(hwnd) || !::IsWindowVisible(hwnd); }, timeoutMs);
}

std::string ItemText(HWND dialog, int id) { return TextOf(::GetDlgItem(dialog, id)); }

bool ItemEnabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }

std::vector<std::string> StaticTexts(HWND dialog) {
    std::vector<HWND> children;
    ::EnumChildWindows(dialog, &CollectChildren, reinterpret_cast<LPARAM>(&children));
    std::vector<std::string> texts;
    for (HWND child : children)
        if (_stricmp(ClassOf(child).c_str(), "Static") == 0) texts.push_back(TextOf(child));
    return texts;
}

void Click(HWND dialog, int id) {
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

std::string ClipboardText(UINT format) {
    std::string text;
    // Another program may hold the clipboard for a moment.
    if (!WaitUntil([] { return ::OpenClipboard(nullptr) != FALSE; }, 5000)) return text;
    if (HANDLE data = ::GetClipboardData(format)) {
        if (const void* p = ::GlobalLock(data)) {
            text = format == CF_UNICODETEXT ? Cp936(static_cast<const wchar_t*>(p)) : static_cast<const char*>(p);
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

bool SetClipboardText(const std::string& text) {
    if (!WaitUntil([] { return ::OpenClipboard(nullptr) != FALSE; }, 5000)) return false;
    ::EmptyClipboard();
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool ok = false;
    if (memory) {
        char* p = static_cast<char*>(::GlobalLock(memory));
        memcpy(p, text.c_str(), text.size() + 1);
        ::GlobalUnlock(memory);
        ok = ::SetClipboardData(CF_TEXT, memory) != nullptr;
        if (!ok) ::GlobalFree(memory);
    }
    ::CloseClipboard();
    return ok;
}

std::optional<bool> ModuleLoaded(DWORD pid, const char* moduleName) {
    rk::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
    if (!snapshot) return std::nullopt;
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Module32First(snapshot.get(), &entry); more; more = ::Module32Next(snapshot.get(), &entry))
        if (_stricmp(entry.szModule, moduleName) == 0) return true;
    return false;
}

std::string ExeDir() { return rk_test::ExeFolder(); }

bool AllButtons(HWND main, bool enabled) {
    for (int id : {IDOK, IDCANCEL, IDC_NET_DIAG, IDC_SAVE})
        if (ItemEnabled(main, id) != enabled) return false;
    return true;
}

// The window as the screen shows it, as a 24-bit BMP file.
bool SaveWindowPicture(HWND hwnd, const std::string& path) {
    RECT r;
    if (!::GetWindowRect(hwnd, &r)) return false;
    const int width = r.right - r.left, height = r.bottom - r.top, stride = (width * 3 + 3) & ~3;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ::SelectObject(memory, old);
    BITMAPINFOHEADER info = {sizeof info, width, height, 1, 24, BI_RGB};
    std::string pixels(static_cast<size_t>(stride) * height, '\0');
    const bool got = ::GetDIBits(memory, bitmap, 0, height, &pixels[0], reinterpret_cast<BITMAPINFO*>(&info),
                                 DIB_RGB_COLORS) == height;
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof info;
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(offset + pixels.size()), 0, 0, offset};
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    return got && WriteAll(path, bytes + pixels);
}

}  // namespace rk_test
