#include "win/Dialog.h"

#include "win/Application.h"
#include "win/Form.h"

namespace Win {

Dialog::~Dialog() {
    if (Window) DestroyWindow(Window);
}

void Dialog::Open() {
    if (!Window) {
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(TemplateId), nullptr, StaticDlgProc,
                           reinterpret_cast<LPARAM>(this));
        if (!Window) return;
        // Centred, one bigger than the screen (a high dpi on a small screen) would lose its title bar.
        RECT frame = {}, work = {};
        GetWindowRect(Window, &frame);
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        SetWindowPos(Window, nullptr, KeptInside(frame.left, frame.right - frame.left, work.left, work.right),
                     KeptInside(frame.top, frame.bottom - frame.top, work.top, work.bottom), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Application::ServeDialog(Window);
        ShowWindow(Window, SW_SHOW);
    }
    SetForegroundWindow(Window);  // the tray menu's choice leaves the program in the foreground
}

void Dialog::Close() {
    if (!Window) return;
    OnClose();
    const HWND closing = Window;
    Window = nullptr;
    Application::ServeDialog(nullptr);
    DestroyWindow(closing);
}

INT_PTR CALLBACK Dialog::StaticDlgProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_INITDIALOG) {
        SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        reinterpret_cast<Dialog*>(lParam)->Window = hWnd;
    }
    auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hWnd, DWLP_USER));
    if (!dialog || dialog->Window != hWnd) return FALSE;
    try {
        switch (uMsg) {
            case WM_INITDIALOG:
                dialog->OnInit();
                return TRUE;  // Windows gives the focus to the first control in the tab order
            case WM_COMMAND:
                dialog->OnCommand(LOWORD(wParam), HIWORD(wParam));
                return TRUE;
            default:
                return FALSE;
        }
    } catch (...) {
        Application::ReportUncaughtFailure();
    }
}

}  // namespace Win
