#include "player/WinampMod.h"

#include "win/Ansi.h"
#include "win/Application.h"
#include "win/Controls.h"
#include "win/UniqueHandle.h"

namespace {

constexpr char kPlayerClass[] = "Winamp v1.x";
constexpr char kSongTitleLog[] = "C:\\SongNames.txt";

constexpr WPARAM kPlay = 40045;
constexpr WPARAM kPause = 40046;
constexpr WPARAM kStop = 40047;
constexpr WPARAM kNext = 40048;
constexpr WPARAM kPrevious = 40044;
constexpr WPARAM kForward5Sec = 40148;
constexpr WPARAM kBackward5Sec = 40144;
constexpr WPARAM kToggleRepeat = 40022;
constexpr WPARAM kToggleShuffle = 40023;

constexpr LPARAM kIsPlayingQuery = 104;

LONG PostCommand(WPARAM command) {
    const HWND player = WinampMod::FindWinamp();
    if (!player) return 0;
    return PostMessageA(player, WM_COMMAND, command, 0);
}

bool AppendLine(const std::string& line) {
    const Win::UniqueFile log(CreateFileA(kSongTitleLog, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log) return false;
    const std::string record = line + "\r\n";  // one write, so a line is never split
    DWORD written = 0;
    return WriteFile(log.Get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr) &&
           written == record.size();
}

}  // namespace

namespace WinampMod {

HWND FindWinamp() {
    return FindWindowA(kPlayerClass, nullptr);
}

LONG WinampPlay() { return PostCommand(kPlay); }
LONG WinampPause() { return PostCommand(kPause); }
LONG WinampStop() { return PostCommand(kStop); }
LONG WinampNext() { return PostCommand(kNext); }
LONG WinampPrevious() { return PostCommand(kPrevious); }
LONG WinampForward5Sec() { return PostCommand(kForward5Sec); }
LONG WinampBackward5Sec() { return PostCommand(kBackward5Sec); }
LONG WinampToggleRepeat() { return PostCommand(kToggleRepeat); }
LONG WinampToggleShuffle() { return PostCommand(kToggleShuffle); }

HWND WinampPlayState(SENDASYNCPROC answered, ULONG_PTR data) {
    const HWND player = FindWinamp();
    // A window that went away since the lookup refuses the query, as no window would.
    if (!player || !SendMessageCallbackA(player, WM_USER, 0, kIsPlayingQuery, answered, data)) return nullptr;
    return player;
}

std::wstring ReduceTitle(std::wstring text) {
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    const size_t dash = text.rfind(L'-');
    if (dash != std::wstring::npos) text.resize(dash);
    const size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return {};
    const size_t last = text.find_last_not_of(L' ');
    return text.substr(first, last - first + 1);
}

void SaveSongTitle() {
    const HWND player = FindWinamp();
    if (!player) return;
    bool logged = false;
    DWORD error = ERROR_SUCCESS;
    try {
        logged = AppendLine(Win::Ansi::FromWide(ReduceTitle(Win::WindowText(player))));
        if (!logged) error = GetLastError();
    } catch (...) {  // a capture never disturbs the hot keys
    }
    // A title that cannot be logged is not lost without a sign.
    if (logged) return;
    MessageBeep(MB_ICONHAND);
    Win::Application::Trace("song title not written to %s (error %lu)", kSongTitleLog, error);
}

}  // namespace WinampMod
