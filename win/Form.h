#pragma once

#include <windows.h>

#include <string>

namespace Win {

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

enum class UnloadReason {
    FormControlMenu = 0,  // the title bar's close button or the system menu
    FormCode = 1,         // the program's own Unload
    AppWindows = 2,       // Windows shutting down or logging the user off
    AppTaskManager = 3,   // a close request from outside, as the task manager sends it
};

struct FormDesign {
    const char* ClassName;
    std::wstring Caption;
    int ClientWidthTwips;
    int ClientHeightTwips;
    WORD IconId;
};

// A top-level window that turns its messages into load, mouse-move, unload, resize, timer and menu events.
class Form {
public:
    explicit Form(FormDesign design);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND Hwnd() const { return Window; }
    HICON Icon() const { return WindowIcon; }
    std::wstring Caption() const;

    void Load();    // creates the window and runs the load event, once
    void Show();    // loads if need be, then shows the window unless the load or resize events hid it
    void Unload();  // the program's own close request

    bool Visible() const;
    void SetVisible(bool bVisible);
    WindowState State() const { return CurrentState; }
    void SetState(WindowState state);

    void PopupMenu(HMENU menu, UINT defaultItem);  // at the pointer; returns when the menu closes
    POINT MessagePointer() const;  // where the pointer was at the message being handled, in client pixels
    void StartTimer(UINT_PTR id, UINT milliseconds);

protected:
    virtual void CreateDesign() {}  // the controls, menus and timers that exist before the load event
    virtual void OnLoad() {}
    virtual void OnMouseMove(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {}  // in twips
    virtual void OnQueryUnload(bool& /*cancel*/, UnloadReason /*reason*/) {}
    virtual void OnResize() {}
    virtual void OnUnload(bool& /*cancel*/) {}
    virtual void OnMenuClick(UINT /*id*/) {}
    virtual void OnTimer(UINT_PTR /*id*/) {}
    virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK StaticWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void RegisterWindowClass() const;
    void Close(UnloadReason reason);
    void RunUnload();
    void Destroy();
    void OnSize(WPARAM sizeType);
    void RestoreHidden();

    FormDesign Design;
    HWND Window = nullptr;
    HICON WindowIcon = nullptr;
    SIZE FrameSize = {};  // the design's client area with frame and title bar
    WindowState CurrentState = WindowState::Normal;
    bool Loading = false;
    bool ClosingFromSystemMenu = false;
    bool KeepingHidden = false;
    bool Destroying = false;  // our own DestroyWindow runs: its WM_NCDESTROY may detach the window
    unsigned VisibilityWrites = 0;
};

// One axis of a window's first position: moved into [low, high); too big to fit, it starts at low.
int KeptInside(int start, int size, int low, int high);

}  // namespace Win
