#include "tray/SystrayIcon.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "win/Ansi.h"
#include "win/Application.h"

namespace SystrayShell {
ShellNotifyFn ShellNotify = ::Shell_NotifyIconA;
}  // namespace SystrayShell

namespace {

// The record size every Windows accepts: NOTIFYICONDATAA up to a 64-byte szTip.
constexpr DWORD kRecordSize = NOTIFYICONDATAA_V1_SIZE;
constexpr UINT kIconId = 1;
constexpr UINT kAllFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
constexpr size_t kTipChars = 64;

// At most 63 characters, one NUL, then spaces up to the 64th character.
void StoreTip(const std::wstring& sTip, wchar_t (&szTip)[kTipChars]) {
    const size_t length = std::min(sTip.size(), kTipChars - 1);
    std::fill(std::begin(szTip), std::end(szTip), L' ');
    std::copy_n(sTip.begin(), length, szTip);
    szTip[length] = L'\0';
}

}  // namespace

// A fresh cleared record in the ANSI form the shell reads.
NOTIFYICONDATAA SystrayIcon::ToAnsi(const NotifyIconData& held) {
    NOTIFYICONDATAA data = {};
    data.cbSize = held.cbSize;
    data.hWnd = held.hWnd;
    data.uID = held.uID;
    data.uFlags = held.uFlags;
    data.uCallbackMessage = held.uCallbackMessage;
    data.hIcon = held.hIcon;
    const std::string tip = Win::Ansi::FromWide(std::wstring_view(held.szTip, kTipChars));
    std::memcpy(data.szTip, tip.data(), std::min(tip.size(), kTipChars));
    // A multi-byte code page can need more than 64 bytes: the shell still gets a terminated tip.
    if (tip.size() > kTipChars) data.szTip[kTipChars - 1] = '\0';
    return data;
}

// The held record becomes what was last handed to the shell, tip included.
void SystrayIcon::FromAnsi(const NOTIFYICONDATAA& data, NotifyIconData& held) {
    held.cbSize = data.cbSize;
    held.hWnd = data.hWnd;
    held.uID = data.uID;
    held.uFlags = data.uFlags;
    held.uCallbackMessage = data.uCallbackMessage;
    held.hIcon = data.hIcon;
    const std::wstring tip = Win::Ansi::ToWide(std::string_view(data.szTip, kTipChars));
    std::fill(std::begin(held.szTip), std::end(held.szTip), L' ');
    std::copy_n(tip.begin(), std::min(tip.size(), kTipChars), held.szTip);
}

SystrayIcon::SystrayIcon() = default;

SystrayIcon::~SystrayIcon() {
    HideIcon();
}

int SystrayIcon::Initialize(HWND hWnd, HICON hIcon, std::wstring sTip, UINT uCallbackMessage) {
    IconData.hIcon = hIcon;
    IconData.hWnd = hWnd;
    IconData.cbSize = kRecordSize;
    StoreTip(sTip, IconData.szTip);
    IconData.uFlags = kAllFlags;
    IconData.uCallbackMessage = uCallbackMessage;
    IconData.uID = kIconId;
    IconShown = false;
    UpdateOnChangeFlag = true;
    return 0;
}

int SystrayIcon::ShowIcon() {
    if (IconShown) return 0;
    const int result = CallShell(NIM_ADD);
    if (result) IconShown = true;
    return result;
}

int SystrayIcon::RetryShowIcon() {
    if (IconShown) return 0;
    // A busy shell can time out an add and still carry it out later. Asked to change the icon, it tells
    // whether it holds one already; not holding it is no failure to report.
    const int result = CallShell(NIM_MODIFY, false);
    if (!result) return ShowIcon();
    IconShown = true;
    return result;
}

int SystrayIcon::HideIcon() {
    if (!IconShown) return 0;
    const int result = CallShell(NIM_DELETE);
    if (result) IconShown = false;
    return result;
}

int SystrayIcon::Update() {
    if (!IconShown) return 0;
    return CallShell(NIM_MODIFY);
}

void SystrayIcon::IconHandle(HICON hIcon) {
    IconData.hIcon = hIcon;
    UpdateOnly(NIF_ICON);
}

HICON SystrayIcon::IconHandle() const {
    return IconData.hIcon;
}

void SystrayIcon::TipText(const std::wstring& sTip) {
    StoreTip(sTip, IconData.szTip);
    UpdateOnly(NIF_TIP);
}

std::wstring SystrayIcon::TipText() const {
    const auto end = std::find(std::begin(IconData.szTip), std::end(IconData.szTip), L'\0');
    return std::wstring(std::begin(IconData.szTip), end);
}

void SystrayIcon::CallbackMessage(UINT uCallbackMessage) {
    IconData.uCallbackMessage = uCallbackMessage;
    UpdateOnly(NIF_MESSAGE);
}

UINT SystrayIcon::CallbackMessage() const {
    return IconData.uCallbackMessage;
}

void SystrayIcon::UpdateOnChange(bool bUpdate) {
    UpdateOnChangeFlag = bUpdate;
}

bool SystrayIcon::Visible() const {
    return IconShown;
}

void SystrayIcon::Visible(bool bVisible) {
    if (bVisible) {
        ShowIcon();
    } else {
        HideIcon();
    }
}

void SystrayIcon::SubscribeNIError(std::function<void(LONG ErrorNumber)> handler) {
    NIErrorHandlers.push_back(std::move(handler));
}

// The shell's answer in its low 16 bits; a failure raises NIError, if wanted, before any state changes.
int SystrayIcon::CallShell(DWORD dwMessage, bool bReport) {
    NOTIFYICONDATAA data = ToAnsi(IconData);
    const int result = LOWORD(SystrayShell::ShellNotify(dwMessage, &data));
    const DWORD error = result ? ERROR_SUCCESS : GetLastError();
    if (!result && dwMessage == NIM_ADD) Win::Application::Trace("tray icon not added (error %lu)", error);
    // Taken back before NIError runs, so a subscriber's own changes to the record stay.
    FromAnsi(data, IconData);
    if (!result && bReport) {
        const auto handlers = NIErrorHandlers;  // a subscriber may subscribe while it runs
        for (const auto& handler : handlers) handler(static_cast<LONG>(error));
    }
    return result;
}

// Sends only the changed member to a shown icon; the result is dropped, failures reach NIError.
void SystrayIcon::UpdateOnly(UINT uFlag) {
    if (!UpdateOnChangeFlag) return;
    IconData.uFlags = uFlag;
    Update();
    IconData.uFlags = kAllFlags;
}
