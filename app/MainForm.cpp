#include "app/MainForm.h"

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string>

#include "app/ElevationMod.h"
#include "app/HotkeysDialog.h"
#include "app/MainMod.h"
#include "app/WindowOnTopMod.h"
#include "player/WinampMod.h"
#include "settings/ProgramNames.h"
#include "settings/RunOnStartup.h"
#include "win/IdlePath.h"

namespace {

constexpr wchar_t kCaption[] = L"Corvel Win2K/XP";
constexpr int kClientWidthTwips = 3525;
constexpr int kClientHeightTwips = 4590;
constexpr WORD kProgramIcon = 1;

constexpr char kFontFace[] = "Tahoma";
constexpr int kFontSizeHundredthsOfPoint = 825;

constexpr wchar_t kPlayerRunning[] = L"Winamp Is Running!";
constexpr wchar_t kPlayerNotRunning[] = L"Winamp Not Running!";
constexpr wchar_t kAuthor[] = L" By Orrindale";
constexpr wchar_t kShowCaption[] = L"&Show";
constexpr wchar_t kHideCaption[] = L"&Hide";
constexpr char kTaskbarCreated[] = "TaskbarCreated";
constexpr wchar_t kUnsafeCopyMessage[] =
    L"Run On Startup stays off: users without administrator rights can change this copy of the program or "
    L"add files to its folder, and Windows would run what they put there for everyone who logs on.\n\n"
    L"Install the program with its setup, or move it into the Program Files folder, then choose Run On "
    L"Startup again.";

// The shell reports the mouse message over the icon in lParam of a WM_MOUSEMOVE, which the mouse sends as
// well.
constexpr UINT kTrayCallbackMessage = WM_MOUSEMOVE;
constexpr int kPointerSlack = 2;
constexpr int kTrayMouseMove = WM_MOUSEMOVE;
constexpr int kTrayLeftDoubleClick = WM_LBUTTONDBLCLK;
constexpr int kTrayRightButtonDown = WM_RBUTTONDOWN;

constexpr UINT_PTR kDetectTimer = 1;
constexpr UINT kDetectIntervalMs = 3000;
constexpr int kLastTrayRetryTick = 16;

enum MenuId : UINT { kOpenMenu = 1, kRunOnStartupMenu, kCloseMenu, kHotKeysMenu };

constexpr int kLegendLeft = 360, kLegendWidth = 2655, kLabelHeight = 255;

HFONT CreateTahoma(int weight) {
    // The screen's dpi is the same across and down.
    const int height = -MulDiv(kFontSizeHundredthsOfPoint, Win::Application::ScreenDpi(), 7200);
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontFace);
}

// Only the soak run's leaking copies (bench/) define these: a leak that the run must catch. Never a release.
void LeakPerShowing() {
#if defined(CORVEL_LEAK_MENU_PER_SHOWING)
    CreatePopupMenu();
#elif defined(CORVEL_LEAK_FONT_PER_SHOWING)
    CreateTahoma(FW_NORMAL);
#endif
}

// std::to_wstring would bring a whole wide printf into the program, 29 KB.
std::wstring Decimal(unsigned number) {
    const std::string digits = std::to_string(number);
    return std::wstring(digits.begin(), digits.end());
}

// After a failed add the icon is tried again at the 1st, 2nd, 4th, 8th and 16th detect tick, the last
// some 48 s later: spaced out, because each try can hold up the hot keys until the busy shell times out.
bool TrayRetryDue(int ticksSinceFailure) {
    return ticksSinceFailure > 0 && ticksSinceFailure <= kLastTrayRetryTick &&
           (ticksSinceFailure & (ticksSinceFailure - 1)) == 0;
}

}  // namespace

std::wstring TrayTooltip(std::wstring_view caption, const Win::Application::VersionNumbers& version) {
    std::wstring tip = std::wstring(caption) + L" v" + Decimal(version.Major) + L"." + Decimal(version.Minor);
    if (version.Revision != 0) tip += L"." + Decimal(version.Revision);
    return tip + kAuthor;
}

int TrayEventNumber(float xTwips, int twipsPerPixel) {
    const double pixels = static_cast<double>(xTwips) / twipsPerPixel;
    const double floor = std::floor(pixels);
    const double fraction = pixels - floor;
    const bool up = fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0);
    return static_cast<int>(up ? floor + 1 : floor);
}

bool IsTrayNotification(LPARAM lParam, POINT pointer) {
    // Windows scaling for a monitor of another dpi may round the two a pixel or two apart.
    return std::abs(static_cast<short>(LOWORD(lParam)) - pointer.x) > kPointerSlack ||
           std::abs(static_cast<short>(HIWORD(lParam)) - pointer.y) > kPointerSlack;
}

IDLE_PATH MainForm& MainForm::Instance() {
    static MainForm* const form = new MainForm();  // ends with the process through Application::End
    return *form;
}

MainForm::MainForm()
    : Win::Form({ProgramNames::kWindowClass, kCaption, kClientWidthTwips, kClientHeightTwips, kProgramIcon}),
      Legend{&Label1, &Label2,  &Label3, &Label4,  &Label7, &Label8,
             &Label9, &Label10, &Label6, &Label11, &Label12} {}

std::wstring MainForm::LegendLine(size_t row) {
    return MainMod::HotkeyName(row) + L": " + HotkeySettings::CombinationText(MainMod::CurrentHotkey(row));
}

void MainForm::ShowHotkeys() {
    for (size_t row = 0; row < std::size(Legend); ++row) {
        const std::wstring line = LegendLine(row);
        if (Legend[row]->Caption() != line) Legend[row]->Caption(line);
        Legend[row]->Enabled(MainMod::HotkeyWorks(row));
    }
}

SystrayIcon& MainForm::SysTray() {
    if (!SysTrayIcon) SysTrayIcon = std::make_unique<SystrayIcon>();
    return *SysTrayIcon;
}

void MainForm::CreateDesign() {
    NormalFont.Reset(CreateTahoma(FW_NORMAL));
    BoldFont.Reset(CreateTahoma(FW_BOLD));
    const int top = 120, spacing = 360;
    for (size_t row = 0; row < std::size(Legend); ++row)
        Legend[row]->Create(Hwnd(),
                            {kLegendLeft, top + spacing * static_cast<int>(row), kLegendWidth, kLabelHeight},
                            LegendLine(row), false, NormalFont.Get());
    Label5.Create(Hwnd(), {120, 4200, 3015, kLabelHeight}, kPlayerNotRunning, true, BoldFont.Get());
    Label5Shows = kPlayerNotRunning;
    CreateMenus();
    SetTimer(Hwnd(), kDetectTimer, kDetectIntervalMs, DetectTimerProc);
    TaskbarCreated = RegisterWindowMessageA(kTaskbarCreated);
}

void MainForm::CreateMenus() {
    // SystrayMenu itself is never shown: its items open as the tray's pop-up menu.
    SystrayMenu.Reset(CreatePopupMenu());
    const HMENU settings = CreatePopupMenu();  // destroyed with SystrayMenu
    AppendMenuA(settings, MF_STRING, kRunOnStartupMenu, "&Run On Startup");
    AppendMenuA(settings, MF_STRING, kHotKeysMenu, "&Hot Keys...");
    AppendMenuA(SystrayMenu.Get(), MF_STRING, kOpenMenu, "&Show");
    AppendMenuA(SystrayMenu.Get(), MF_SEPARATOR, 0, nullptr);  // Blank1
    AppendMenuA(SystrayMenu.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(settings), "Settings");
    AppendMenuA(SystrayMenu.Get(), MF_SEPARATOR, 0, nullptr);  // Blank2
    AppendMenuA(SystrayMenu.Get(), MF_STRING, kCloseMenu, "&Close");
    OpenMenu = Win::MenuItem(SystrayMenu.Get(), kOpenMenu);
    RunOnStartupMenu = Win::MenuItem(SystrayMenu.Get(), kRunOnStartupMenu);  // found through the submenu
}

void MainForm::OnLoad() {
    SysTray().PopUpMessage = TrayTooltip(Caption(), Win::Application::Version());
    AddTrayIcon();
    RestoreRunOnStartup();
    if (Win::Application::LCase(Win::Application::Command()) == RunOnStartup::kStartupSwitch)
        SetState(Win::WindowState::Minimized);
}

void MainForm::AddTrayIcon() {
    SysTray().Initialize(Hwnd(), Icon(), SysTray().PopUpMessage, kTrayCallbackMessage);
    // A shell still busy at log-on refuses the add, often with ERROR_TIMEOUT, and sends no "TaskbarCreated"
    // when it is ready: the detect timer tries again. Meanwhile the hot keys work.
    if (SysTray().ShowIcon()) {
        TrayAddFailedTicks.reset();
    } else {
        TrayAddFailedTicks = 0;
    }
}

void MainForm::RetryTrayIcon() {
    const int tick = ++*TrayAddFailedTicks;
    if (TrayRetryDue(tick)) SysTray().RetryShowIcon();
    if (SysTray().Visible() || tick >= kLastTrayRetryTick) TrayAddFailedTicks.reset();
}

void MainForm::OnMouseMove(int, int, float x, float) {
    switch (TrayEventNumber(x, Win::Application::TwipsPerPixelX())) {
        case kTrayMouseMove:
            SysTray().TipText(SysTray().PopUpMessage);
            break;
        case kTrayLeftDoubleClick:
            if (OpenMenu.Enabled()) ShowFromTray();
            break;
        case kTrayRightButtonDown:
            if (OpenMenu.Enabled()) OpenTrayMenu();
            break;
        default:
            break;
    }
}

void MainForm::ShowFromTray() {
    WindowOnTopMod::SetWindowOnTop(Hwnd(), true);
    SetVisible(true);
    WindowOnTopMod::SetWindowOnTop(Hwnd(), false);
    OpenMenu.Caption(kHideCaption);
    LeakPerShowing();
}

void MainForm::OpenTrayMenu() {
    OpenMenu.Caption(Visible() ? kHideCaption : kShowCaption);
    PopupMenu(SystrayMenu.Get(), OpenMenu.CommandId());
    LeakPerShowing();
}

void MainForm::OnQueryUnload(bool& cancel, Win::UnloadReason reason) {
    if (reason == Win::UnloadReason::FormControlMenu || reason == Win::UnloadReason::AppTaskManager) {
        SetState(Win::WindowState::Minimized);
        cancel = true;
    }
}

void MainForm::OnResize() {
    if (State() == Win::WindowState::Minimized) {
        SetVisible(false);
        SetState(Win::WindowState::Normal);
    }
}

void MainForm::OnUnload(bool&) {
    SysTray().HideIcon();
    MainMod::RestoreWndProc();
    Win::Application::End();
}

void MainForm::OnMenuClick(UINT id) {
    switch (id) {
        case kOpenMenu:
            OpenMenuClick();
            break;
        case kRunOnStartupMenu:
            RunOnStartupClick();
            break;
        case kCloseMenu:
            Unload();
            break;
        case kHotKeysMenu:
            HotkeysDialog::Instance().Open();
            break;
        default:
            break;
    }
}

void MainForm::RestoreRunOnStartup() {
    if (const auto shown = RunOnStartup::ShownSetting()) RunOnStartupMenu.Checked(*shown);
}

void MainForm::RunOnStartupClick() {
    if (ElevationMod::StepRunning()) return;  // the step's end sets the check mark
    const bool checked = RunOnStartupMenu.Checked();
    const bool stored = RunOnStartup::Toggle(checked);
    const DWORD error = GetLastError();
    RunOnStartupMenu.Checked(stored);
    if (stored != checked) return;
    if (error == RunOnStartup::kUnsafeCopy) Win::Application::MsgBox(kUnsafeCopyMessage);
    if (error != ERROR_ACCESS_DENIED) return;
    // A user without the rights is asked for them, for this one write; declining changes nothing. The step
    // checks the copy again itself, as anyone may start it.
    const auto step = checked ? ElevationMod::Step::RunOnStartupOff : ElevationMod::Step::RunOnStartupOn;
    ElevationMod::AskForStep(step, Hwnd(), [](DWORD exitCode) {
        Instance().RestoreRunOnStartup();
        if (exitCode == RunOnStartup::kUnsafeCopy) Win::Application::MsgBox(kUnsafeCopyMessage);
    });
}

void MainForm::OpenMenuClick() {
    if (!Visible()) WindowOnTopMod::SetWindowOnTop(Hwnd(), true);
    SetVisible(!Visible());
    WindowOnTopMod::SetWindowOnTop(Hwnd(), false);
}

void MainForm::OnTimer(UINT_PTR id) {
    if (id == kDetectTimer) DetectTimerTick();
}

// Windows calls it from the message loop, past the window's procedures: the tick is most of what the
// program does while idle. A WM_TIMER sent from outside still reaches OnTimer.
IDLE_PATH void CALLBACK MainForm::DetectTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    Instance().DetectTimerTick();
}

IDLE_PATH void MainForm::DetectTimerTick() {
    // Written only when it changes: an unchanged caption would only be drawn again. The player is looked up
    // anew each time; only our own label's text is remembered.
    const wchar_t* caption = WinampMod::FindWinamp() ? kPlayerRunning : kPlayerNotRunning;
    if (caption != Label5Shows) Label5.Caption(caption);
    Label5Shows = caption;
    MainMod::RestKeys();
    if (TrayAddFailedTicks) RetryTrayIcon();
}

LRESULT MainForm::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    // A new taskbar (the shell restarted, or came up after a hidden start) has no icon of ours yet.
    // The message can also come while the icon is still there: remove it first, or the add would fail.
    if (TaskbarCreated != 0 && uMsg == TaskbarCreated) {
        SysTray().HideIcon();
        AddTrayIcon();
        return 0;
    }
    // Real mouse movement over the window means nothing here, at whatever size the dpi makes the window.
    if (uMsg == kTrayCallbackMessage && !IsTrayNotification(lParam, MessagePointer())) return 0;
    return Win::Form::HandleMessage(uMsg, wParam, lParam);
}
