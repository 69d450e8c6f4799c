#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/MainMod.h"
#include "tray/SystrayIcon.h"
#include "win/Application.h"
#include "win/Controls.h"
#include "win/Form.h"
#include "win/UniqueHandle.h"

// The program's one window: the hot-key legend, the player indicator, and the tray icon with its menu.
class MainForm : public Win::Form {
public:
    static MainForm& Instance();  // created on first use, never destroyed before the process ends

    SystrayIcon& SysTray();      // created on first use
    void RestoreRunOnStartup();  // the check mark from the stored setting, and what Windows will do with it
    void ShowHotkeys();          // each legend line as its key is, greyed where the key does not work

private:
    MainForm();

    void CreateDesign() override;
    void OnLoad() override;
    void OnMouseMove(int button, int shift, float x, float y) override;
    void OnQueryUnload(bool& cancel, Win::UnloadReason reason) override;
    void OnResize() override;
    void OnUnload(bool& cancel) override;
    void OnMenuClick(UINT id) override;
    void OnTimer(UINT_PTR id) override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

    void CreateMenus();
    void ShowFromTray();
    void OpenTrayMenu();
    void OpenMenuClick();
    void RunOnStartupClick();
    void AddTrayIcon();
    void RetryTrayIcon();
    static void CALLBACK DetectTimerProc(HWND, UINT, UINT_PTR, DWORD);
    void DetectTimerTick();
    static std::wstring LegendLine(size_t row);

    // Fonts before the labels that use them.
    Win::UniqueFont NormalFont;
    Win::UniqueFont BoldFont;
    Win::Label Label1, Label2, Label3, Label4, Label7, Label8, Label9, Label10, Label6, Label11, Label12;
    Win::Label Label5;
    Win::Label* const Legend[MainMod::kHotkeyRows];  // the hot-key table's rows, top to bottom
    const wchar_t* Label5Shows = nullptr;            // what the tick last wrote, kept rather than read back
    Win::UniqueMenu SystrayMenu;
    // CloseMenu, SettingMenu and the separators need nothing beyond their command ids.
    Win::MenuItem OpenMenu, RunOnStartupMenu;
    std::unique_ptr<SystrayIcon> SysTrayIcon;
    UINT TaskbarCreated = 0;
    std::optional<int> TrayAddFailedTicks;  // detect ticks since the icon's add failed, while a retry waits
};

// The tray tooltip: caption, version (revision only when not 0) and author.
std::wstring TrayTooltip(std::wstring_view caption, const Win::Application::VersionNumbers& version);
// The mouse message behind a tray notification, from the pointer position in twips (halves to even).
int TrayEventNumber(float xTwips, int twipsPerPixel);
// A WM_MOUSEMOVE made by the mouse carries the point where the pointer was (GetMessagePos, in client pixels);
// one from the tray carries a mouse message instead.
bool IsTrayNotification(LPARAM lParam, POINT pointer);
