#pragma once

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

// The one shell call of the tray icon; tests swap it to make the shell fail.
namespace SystrayShell {
using ShellNotifyFn = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);
extern ShellNotifyFn ShellNotify;  // ::Shell_NotifyIconA unless a test put another in
}  // namespace SystrayShell

// Owns one notification-area icon on behalf of one window.
class SystrayIcon {
public:
    SystrayIcon();
    ~SystrayIcon();  // hides a shown icon
    SystrayIcon(const SystrayIcon&) = delete;
    SystrayIcon& operator=(const SystrayIcon&) = delete;

    std::wstring PopUpMessage;  // the owner's text for the tip; the class never touches it

    // Fills the record with uFlags 7 and uID 1 and turns updates on; always 0, no shell call.
    int Initialize(HWND hWnd, HICON hIcon, std::wstring sTip, UINT uCallbackMessage);
    // The shell's answer, low 16 bits: 1 on success, 0 on failure or when no call was made.
    int ShowIcon();
    // ShowIcon after a failed one: an icon the shell holds for this window and id is taken over, not added.
    int RetryShowIcon();
    int HideIcon();

    // The rest of the tray object's contract, kept whole though the program calls only TipText(sTip) and
    // Visible(); the tests use all of it.
    int Update();
    void IconHandle(HICON hIcon);
    HICON IconHandle() const;
    void TipText(const std::wstring& sTip);  // keeps the first 63 characters
    std::wstring TipText() const;
    void CallbackMessage(UINT uCallbackMessage);
    UINT CallbackMessage() const;
    void UpdateOnChange(bool bUpdate);  // while true, each property write reaches a shown icon at once

    bool Visible() const;
    void Visible(bool bVisible);

    // NIError: raised inside the failing call with GetLastError's code, state as before that call.
    void SubscribeNIError(std::function<void(LONG ErrorNumber)> handler);

private:
    // NOTIFYICONDATA up to its first 64 tip characters, held in Unicode.
    struct NotifyIconData {
        DWORD cbSize;
        HWND hWnd;
        UINT uID;
        UINT uFlags;
        UINT uCallbackMessage;
        HICON hIcon;
        wchar_t szTip[64];
    };

    static NOTIFYICONDATAA ToAnsi(const NotifyIconData& held);
    static void FromAnsi(const NOTIFYICONDATAA& data, NotifyIconData& held);
    int CallShell(DWORD dwMessage, bool bReport = true);
    void UpdateOnly(UINT uFlag);

    NotifyIconData IconData = {};
    bool IconShown = false;
    bool UpdateOnChangeFlag = false;
    std::vector<std::function<void(LONG ErrorNumber)>> NIErrorHandlers;
};
