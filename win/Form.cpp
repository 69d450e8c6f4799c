#include "win/Form.h"

#include <algorithm>
#include <exception>

#include "win/Ansi.h"
#include "win/Application.h"
#include "win/Controls.h"

namespace Win {

namespace {

// Its own small type: std::runtime_error would link a second string implementation into the program.
class WindowNotCreated : public std::exception {
public:
    const char* what() const noexcept override { return "the window could not be created"; }
};

constexpr DWORD kFixedSingleStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

int ShiftState() {
    return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
           (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

int ButtonState(WPARAM keys) {
    return (keys & MK_LBUTTON ? 1 : 0) | (keys & MK_RBUTTON ? 2 : 0) | (keys & MK_MBUTTON ? 4 : 0);
}

}  // namespace

// Too big to fit, the window keeps its top-left corner in: the title bar and its system menu stay reachable.
int KeptInside(int start, int size, int low, int high) {
    return std::max(low, std::min(start, high - size));
}

Form::Form(FormDesign design) : Design(std::move(design)) {}

Form::~Form() {
    Destroy();
}

std::wstring Form::Caption() const {
    return Window ? WindowText(Window) : Design.Caption;
}

void Form::RegisterWindowClass() const {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = StaticWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = WindowIcon;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = Design.ClassName;
    RegisterClassExA(&wc);
}

void Form::Load() {
    if (Window) return;
    // Shared icons belong to the system; nothing to free.
    WindowIcon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(Design.IconId),
                                               IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    RegisterWindowClass();

    RECT frame = {0, 0, PixelsFromTwips(Design.ClientWidthTwips), PixelsFromTwips(Design.ClientHeightTwips)};
    AdjustWindowRectEx(&frame, kFixedSingleStyle, FALSE, 0);
    FrameSize = {frame.right - frame.left, frame.bottom - frame.top};
    const int width = FrameSize.cx;
    const int height = FrameSize.cy;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    RECT workArea = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);

    Loading = true;
    CreateWindowExA(0, Design.ClassName, Ansi::FromWide(Design.Caption).c_str(), kFixedSingleStyle,
                    KeptInside(left, width, workArea.left, workArea.right),
                    KeptInside(top, height, workArea.top, workArea.bottom), width, height, nullptr, nullptr,
                    GetModuleHandleA(nullptr), this);
    if (!Window) {
        Loading = false;
        throw WindowNotCreated();
    }
    // Windows cuts a new window to the screen. One bigger than the screen (a high dpi on a small screen)
    // takes its own size again, which WM_GETMINMAXINFO now allows, so that no label is cut off. A window that
    // was not cut is left alone: a resize costs a round of messages and a redraw at start-up.
    RECT made = {};
    GetWindowRect(Window, &made);
    if (made.right - made.left != width || made.bottom - made.top != height)
        SetWindowPos(Window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CreateDesign();
    OnLoad();
    Loading = false;
}

void Form::Show() {
    Load();
    const unsigned writes = VisibilityWrites;
    // A window minimised while loading resizes before it first shows, which may hide it.
    if (CurrentState == WindowState::Minimized) OnResize();
    if (VisibilityWrites == writes) SetVisible(true);
}

void Form::Unload() {
    Close(UnloadReason::FormCode);
}

bool Form::Visible() const {
    return Window && IsWindowVisible(Window);
}

void Form::SetVisible(bool bVisible) {
    ++VisibilityWrites;
    if (!Window) return;
    if (!bVisible) {
        ShowWindow(Window, SW_HIDE);
        return;
    }
    // SW_SHOWNORMAL also restores a window that was hidden while minimised.
    ShowWindow(Window, CurrentState == WindowState::Minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
}

void Form::SetState(WindowState state) {
    if (Window && Visible()) {
        // WM_SIZE reports the change and raises the resize event.
        ShowWindow(Window, state == WindowState::Minimized   ? SW_MINIMIZE
                           : state == WindowState::Maximized ? SW_MAXIMIZE
                                                             : SW_RESTORE);
        return;
    }
    if (state == WindowState::Normal && Window && IsIconic(Window)) {
        RestoreHidden();  // WM_SIZE reports the change and raises the resize event
        return;
    }
    CurrentState = state;
    if (!Loading) OnResize();  // while loading, Show raises it
}

// Windows keeps a hidden window minimised until it shows again; restore it where nobody sees it, so that
// it is normal meanwhile and comes back at its place. The restore wants to show the window, which the
// WM_WINDOWPOSCHANGING handler takes out, and to give it the focus, which a disabled window refuses:
// else the keyboard would go to a window nobody sees.
void Form::RestoreHidden() {
    KeepingHidden = true;
    const BOOL wasDisabled = EnableWindow(Window, FALSE);
    ShowWindow(Window, SW_SHOWNOACTIVATE);
    if (!wasDisabled) EnableWindow(Window, TRUE);
    KeepingHidden = false;
    CurrentState = WindowState::Normal;
}

void Form::PopupMenu(HMENU menu, UINT defaultItem) {
    SetMenuDefaultItem(menu, defaultItem, FALSE);
    POINT pointer = {};
    GetCursorPos(&pointer);
    // Else the menu stays open after a click elsewhere and ignores the keyboard.
    SetForegroundWindow(Window);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_LEFTBUTTON, pointer.x, pointer.y, 0, Window, nullptr);
    PostMessageA(Window, WM_NULL, 0, 0);
}

POINT Form::MessagePointer() const {
    const DWORD position = GetMessagePos();
    POINT pointer = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    ScreenToClient(Window, &pointer);
    return pointer;
}

void Form::StartTimer(UINT_PTR id, UINT milliseconds) {
    SetTimer(Window, id, milliseconds, nullptr);
}

void Form::Close(UnloadReason reason) {
    if (!Window) return;
    bool cancel = false;
    OnQueryUnload(cancel, reason);
    if (!cancel) RunUnload();
}

void Form::RunUnload() {
    bool cancel = false;
    OnUnload(cancel);
    if (!cancel) Destroy();
}

void Form::Destroy() {
    if (!Window) return;
    Destroying = true;
    DestroyWindow(Window);
}

void Form::OnSize(WPARAM sizeType) {
    CurrentState = sizeType == SIZE_MINIMIZED   ? WindowState::Minimized
                   : sizeType == SIZE_MAXIMIZED ? WindowState::Maximized
                                                : WindowState::Normal;
    if (!Loading) OnResize();
}

LRESULT Form::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
        case WM_MOUSEMOVE: {
            const float twipsPerPixel = static_cast<float>(Application::TwipsPerPixelX());
            const auto x = static_cast<short>(LOWORD(lParam));
            const auto y = static_cast<short>(HIWORD(lParam));
            OnMouseMove(ButtonState(wParam), ShiftState(), x * twipsPerPixel, y * twipsPerPixel);
            return 0;
        }
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                ClosingFromSystemMenu = true;
                const LRESULT result = DefWindowProcA(Window, uMsg, wParam, lParam);
                ClosingFromSystemMenu = false;
                return result;
            }
            break;
        case WM_CLOSE:
            // SC_CLOSE arrives first for the title bar and the system menu; a bare WM_CLOSE comes from
            // outside.
            Close(ClosingFromSystemMenu ? UnloadReason::FormControlMenu : UnloadReason::AppTaskManager);
            return 0;
        case WM_QUERYENDSESSION: {
            bool cancel = false;
            OnQueryUnload(cancel, UnloadReason::AppWindows);
            return cancel ? FALSE : TRUE;
        }
        case WM_ENDSESSION:
            if (wParam) RunUnload();
            return 0;
        case WM_GETMINMAXINFO: {
            POINT& largest = reinterpret_cast<MINMAXINFO*>(lParam)->ptMaxTrackSize;
            largest = {std::max(largest.x, FrameSize.cx), std::max(largest.y, FrameSize.cy)};
            return 0;
        }
        case WM_WINDOWPOSCHANGING:
            if (KeepingHidden) reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
            break;
        case WM_SIZE:
            OnSize(wParam);
            return 0;
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == 0 && lParam == 0) {
                OnMenuClick(LOWORD(wParam));
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcA(Window, uMsg, wParam, lParam);
}

LRESULT CALLBACK Form::StaticWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    // Anyone can send or post these: only our own CreateWindowExA and DestroyWindow count.
    if (uMsg == WM_NCCREATE) {
        if (GetWindowLongPtrA(hWnd, GWLP_USERDATA)) return TRUE;
        auto* created = static_cast<Form*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        created->Window = hWnd;
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (!form) return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    if ((uMsg == WM_DESTROY || uMsg == WM_NCDESTROY) && !form->Destroying) return 0;
    if (uMsg == WM_NCDESTROY) {
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);  // no calls into a dead form
        form->Window = nullptr;
        form->Destroying = false;
        return DefWindowProcA(hWnd, uMsg, wParam, lParam);
    }
    try {
        return form->HandleMessage(uMsg, wParam, lParam);
    } catch (...) {
        Application::ReportUncaughtFailure();
    }
}

}  // namespace Win
