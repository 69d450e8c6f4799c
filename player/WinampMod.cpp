#include "player/WinampMod.h"

#include <aclapi.h>

#include "win/Ansi.h"
#include "win/Application.h"
#include "win/Controls.h"
#include "win/IdlePath.h"
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

bool RefusalTold = false;

// From Vista on, Windows drops what a program posts to one that runs with higher rights, and the player then
// ignores every key. Told once per run: each key would tell it again.
void TellRefusedPost(DWORD error) {
    if (error != ERROR_ACCESS_DENIED || RefusalTold) return;
    RefusalTold = true;
    Win::Application::Trace(
        "player command refused: the player runs with higher rights than corvel.exe "
        "(error %lu)",
        error);
}

LONG PostCommand(WPARAM command) {
    const HWND player = WinampMod::FindWinamp();
    if (!player) return 0;
    const BOOL posted = WinampMod::PostToPlayer(player, WM_COMMAND, command, 0);
    if (!posted) TellRefusedPost(GetLastError());
    return posted;
}

DWORD AppendLine(const std::string& line) {
    const Win::UniqueFile log(WinampMod::OpenSongTitleLog(kSongTitleLog, FILE_APPEND_DATA,
                                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log) return GetLastError();
    const std::string record = line + "\r\n";  // one write, so a line is never split
    DWORD written = 0;
    if (!WriteFile(log.Get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr))
        return GetLastError();
    return written == record.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

// Every user who logs on may read the log and add lines to it, whatever the rights of its folder.
DWORD GrantAuthenticatedUsers(HANDLE file) {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID users = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 1, SECURITY_AUTHENTICATED_USER_RID, 0, 0, 0, 0, 0, 0, 0,
                                  &users))
        return GetLastError();
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD error = GetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                  nullptr, &descriptor);
    PACL granted = nullptr;
    if (error == ERROR_SUCCESS) {
        EXPLICIT_ACCESS_A access = {};
        access.grfAccessPermissions = FILE_GENERIC_READ | FILE_APPEND_DATA;
        access.grfAccessMode = GRANT_ACCESS;
        access.grfInheritance = NO_INHERITANCE;
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        access.Trustee.ptstrName = static_cast<LPSTR>(users);
        error = SetEntriesInAclA(1, &access, dacl, &granted);  // the rights already there stay
    }
    if (error == ERROR_SUCCESS)
        error = SetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, granted,
                                nullptr);
    LocalFree(granted);
    LocalFree(descriptor);
    FreeSid(users);
    return error;
}

}  // namespace

namespace WinampMod {

OpenFileFn OpenSongTitleLog = CreateFileA;
PostFn PostToPlayer = PostMessageA;

IDLE_PATH HWND FindWinamp() {
    return FindWindowA(kPlayerClass, nullptr);
}

LONG WinampPlay() {
    return PostCommand(kPlay);
}
LONG WinampPause() {
    return PostCommand(kPause);
}
LONG WinampStop() {
    return PostCommand(kStop);
}
LONG WinampNext() {
    return PostCommand(kNext);
}
LONG WinampPrevious() {
    return PostCommand(kPrevious);
}
LONG WinampForward5Sec() {
    return PostCommand(kForward5Sec);
}
LONG WinampBackward5Sec() {
    return PostCommand(kBackward5Sec);
}
LONG WinampToggleRepeat() {
    return PostCommand(kToggleRepeat);
}
LONG WinampToggleShuffle() {
    return PostCommand(kToggleShuffle);
}

bool WinampPlayState(HWND player, SENDASYNCPROC answered, ULONG_PTR data) {
    // A window that went away since the lookup refuses the query, as no window would.
    return player && SendMessageCallbackA(player, WM_USER, 0, kIsPlayingQuery, answered, data);
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

std::optional<UnloggedTitle> SaveSongTitle() {
    const HWND player = FindWinamp();
    if (!player) return std::nullopt;
    UnloggedTitle title{L"", ERROR_NOT_ENOUGH_MEMORY};
    try {
        title.Title = ReduceTitle(Win::WindowText(player));
        title.Error = AppendSongTitle(title.Title);
    } catch (...) {  // a capture never disturbs the hot keys
    }
    if (title.Error == ERROR_SUCCESS) return std::nullopt;
    return title;
}

DWORD AppendSongTitle(const std::wstring& title) {
    const DWORD error = AppendLine(Win::Ansi::FromWide(title));
    if (error != ERROR_SUCCESS)
        Win::Application::Trace("song title not written to %s (error %lu)", kSongTitleLog, error);
    return error;
}

DWORD PrepareSongTitleLog() {
    // Only a log it makes itself: CREATE_NEW refuses a name that is there, whatever it is, so the step never
    // follows a link or a mount point planted at it, and never changes the rights of a file it did not
    // create.
    const Win::UniqueFile log(CreateFileA(kSongTitleLog, READ_CONTROL | WRITE_DAC,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (log) return GrantAuthenticatedUsers(log.Get());  // through the handle of the file just made
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesA(kSongTitleLog);  // of the name itself, a link not followed
    if (attributes == INVALID_FILE_ATTRIBUTES) return error;
    // A log that is there is the user's: its lines and its rights stay as they are.
    constexpr DWORD kNotPlain =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    return attributes & kNotPlain ? kLogNotAPlainFile : ERROR_SUCCESS;
}

}  // namespace WinampMod
