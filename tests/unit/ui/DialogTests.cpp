// The dialog layer in this process: a dialog made from a template of the test program, driven by
// messages it posts to itself, with every hook recording what it saw.
#include <doctest/doctest.h>
#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "DialogTestIds.h"
#include "ui/Dialog.h"

using namespace rk;

namespace {

constexpr UINT kAnswerMessage = WM_APP + 5;
constexpr UINT kThrowMessage = WM_APP + 6;

class ProbeDialog : public Dialog {
public:
    explicit ProbeDialog(std::function<void(ProbeDialog&)> script) : Dialog(IDD_PROBE, nullptr), m_script(std::move(script)) {}

    std::vector<std::string> seen;
    HWND hwndAtInit = nullptr;

protected:
    bool OnInit() override {
        seen.push_back("init");
        hwndAtInit = m_hwnd;
        // Everything the test wants happens inside the modal loop.
        m_script(*this);
        return true;
    }
    bool OnCommand(int code, int id, LPARAM lParam) override {
        seen.push_back("command " + std::to_string(code) + " " + std::to_string(id));
        return Dialog::OnCommand(code, id, lParam);
    }
    bool OnButtonClicked(int id) override {
        seen.push_back("button " + std::to_string(id));
        if (id == IDC_PROBE_BUTTON) return true;
        return Dialog::OnButtonClicked(id);
    }
    void OnOK() override {
        seen.push_back("ok");
        Dialog::OnOK();
    }
    void OnCancel() override {
        seen.push_back("cancel");
        Dialog::OnCancel();
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
        if (message == kAnswerMessage) {
            seen.push_back("answer");
            result = static_cast<LRESULT>(wParam) * 2;
            return true;
        }
        if (message == kThrowMessage) {
            seen.push_back("throw");
            throw std::runtime_error("from a hook");
        }
        return false;
    }

private:
    std::function<void(ProbeDialog&)> m_script;
};

void Post(HWND hwnd, int id, int code = BN_CLICKED) { ::PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, code), 0); }

}  // namespace

TEST_CASE("the modal run returns what End was given, after OnInit saw its window") {
    ProbeDialog dialog([](ProbeDialog& d) { d.End(42); });
    CHECK(dialog.DoModal() == 42);
    REQUIRE(dialog.seen.size() == 1);
    CHECK(dialog.seen[0] == "init");
    CHECK(dialog.hwndAtInit != nullptr);
    // The window is gone and the wrapper lets go of it.
    CHECK(dialog.GetHwnd() == nullptr);
    CHECK_FALSE(::IsWindow(dialog.hwndAtInit));
}

TEST_CASE("a button click reaches OnButtonClicked; other notifications stop at OnCommand") {
    ProbeDialog dialog([](ProbeDialog& d) {
        Post(d.GetHwnd(), IDC_PROBE_BUTTON);
        Post(d.GetHwnd(), IDC_PROBE_EDIT, EN_CHANGE);
        Post(d.GetHwnd(), IDCANCEL);
    });
    CHECK(dialog.DoModal() == IDCANCEL);
    std::vector<std::string> expected = {"init",          "command 0 10", "button 10", "command 768 11",
                                         "command 0 2",   "button 2",     "cancel"};
    CHECK(dialog.seen == expected);
}

TEST_CASE("IDOK ends through OnOK, the close box through OnCancel") {
    SUBCASE("OK") {
        ProbeDialog dialog([](ProbeDialog& d) { Post(d.GetHwnd(), IDOK); });
        CHECK(dialog.DoModal() == IDOK);
        CHECK(dialog.seen.back() == "ok");
    }
    SUBCASE("close box") {
        ProbeDialog dialog([](ProbeDialog& d) { ::PostMessageA(d.GetHwnd(), WM_CLOSE, 0, 0); });
        CHECK(dialog.DoModal() == IDCANCEL);
        CHECK(dialog.seen.back() == "cancel");
    }
    SUBCASE("Esc") {
        ProbeDialog dialog([](ProbeDialog& d) {
            HWND button = ::GetDlgItem(d.GetHwnd(), IDC_PROBE_BUTTON);
            ::PostMessageA(button, WM_KEYDOWN, VK_ESCAPE, 0);
        });
        CHECK(dialog.DoModal() == IDCANCEL);
        CHECK(dialog.seen.back() == "cancel");
    }
}

TEST_CASE("OnMessage answers a sent message through the dialog's result") {
    LRESULT answer = 0;
    ProbeDialog dialog([&](ProbeDialog& d) {
        answer = ::SendMessageA(d.GetHwnd(), kAnswerMessage, 21, 0);
        d.End(IDOK);
    });
    CHECK(dialog.DoModal() == IDOK);
    CHECK(answer == 42);
    CHECK(dialog.seen.back() == "answer");
}

TEST_CASE("an exception from a hook does not cross user32; the dialog runs on") {
    ProbeDialog dialog([](ProbeDialog& d) {
        ::PostMessageA(d.GetHwnd(), kThrowMessage, 0, 0);
        Post(d.GetHwnd(), IDC_PROBE_BUTTON);
        Post(d.GetHwnd(), IDOK);
    });
    CHECK(dialog.DoModal() == IDOK);
    std::vector<std::string> expected = {"init", "throw", "command 0 10", "button 10", "command 0 1", "button 1", "ok"};
    CHECK(dialog.seen == expected);
}

TEST_CASE("a dialog whose template is missing cannot be shown") {
    class Missing : public Dialog {
    public:
        Missing() : Dialog(9999, nullptr) {}
    } missing;
    CHECK(missing.DoModal() == -1);
}
