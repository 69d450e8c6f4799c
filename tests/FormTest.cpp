#include "win/Form.h"

#include <gtest/gtest.h>

namespace {

// A form that goes to the tray when minimised, as the program's window does, and counts every time
// Windows puts it on screen.
class TrayForm : public Win::Form {
public:
    TrayForm() : Win::Form({"CorvelFormTest", L"Form test", 3000, 3000, 1}) {}
    int Shows = 0;

protected:
    void OnResize() override {
        if (State() != Win::WindowState::Minimized) return;
        SetVisible(false);
        SetState(Win::WindowState::Normal);
    }
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        if (uMsg == WM_WINDOWPOSCHANGED && (reinterpret_cast<WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW))
            ++Shows;
        return Win::Form::HandleMessage(uMsg, wParam, lParam);
    }
};

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

TEST(FormTest, MinimisedThenHiddenIsNormalWithoutShowing) {
    // Another window of the desktop, to take the activation the form gives up.
    const HWND other = CreateWindowExA(0, "STATIC", "Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                       nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    TrayForm form;
    form.Show();
    const HWND window = form.Hwnd();
    const RECT place = WindowRect(window);
    const struct {
        const char* Path;
        void (*Minimise)(TrayForm&);
    } paths[] = {
        {"SetState", [](TrayForm& f) { f.SetState(Win::WindowState::Minimized); }},
        {"SC_MINIMIZE", [](TrayForm& f) { SendMessageA(f.Hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0); }},
        {"SW_MINIMIZE", [](TrayForm& f) { ShowWindow(f.Hwnd(), SW_MINIMIZE); }},
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path.Path);
        SetForegroundWindow(window);
        const int shows = form.Shows;
        path.Minimise(form);

        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        GetWindowPlacement(window, &placement);
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_FALSE(IsIconic(window));
        EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
        EXPECT_TRUE(EqualRect(&placement.rcNormalPosition, &place));
        EXPECT_EQ(form.State(), Win::WindowState::Normal);
        EXPECT_EQ(form.Shows, shows) << "it showed on its way to the tray";
        EXPECT_NE(GetActiveWindow(), window) << "a hidden window holds the keyboard";

        form.SetVisible(true);
        EXPECT_EQ(form.Shows, shows + 1);
        EXPECT_TRUE(IsWindowVisible(window));
        const RECT shown = WindowRect(window);
        EXPECT_TRUE(EqualRect(&shown, &place));
    }
    DestroyWindow(other);
}

TEST(FormTest, ForgedCreationAndDestructionChangeNothing) {
    TrayForm form;
    form.Show();
    const HWND window = form.Hwnd();
    // As another program may post them to a window that lives on.
    PostMessageA(window, WM_DESTROY, 0, 0);
    PostMessageA(window, WM_NCDESTROY, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    CREATESTRUCTA forged = {};  // no form behind it
    SendMessageA(window, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&forged));

    EXPECT_EQ(form.Hwnd(), window);
    EXPECT_EQ(form.Caption(), L"Form test");
    SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(window)) << "the resize event no longer acts";
    form.Unload();
    EXPECT_EQ(form.Hwnd(), nullptr) << "its own destruction detaches it";
    EXPECT_FALSE(IsWindow(window));
}

TEST(KeptInsideTest, MovesInOrStartsAtTheLowEdge) {
    const struct {
        int Start, Size, Result;
    } cases[] = {{100, 300, 100}, {-50, 300, 0}, {800, 300, 700}, {-245, 1570, 0}, {-80, 1200, 0}};
    for (const auto& c : cases) EXPECT_EQ(Win::KeptInside(c.Start, c.Size, 0, 1000), c.Result) << c.Start;
}

}  // namespace
