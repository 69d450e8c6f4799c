#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The only channel to the player: its main window, looked up afresh for every use.
namespace WinampMod {

HWND FindWinamp();

// Each posts one player command; nonzero when it was queued, 0 without a player window.
LONG WinampPlay();
LONG WinampPause();
LONG WinampStop();
LONG WinampNext();
LONG WinampPrevious();
LONG WinampForward5Sec();
LONG WinampBackward5Sec();
LONG WinampToggleRepeat();
LONG WinampToggleShuffle();

// Sends the play-state query to the player's window without waiting: its answer (1 playing, 3 paused,
// 0 stopped) reaches answered, with data, through this thread's message loop. False when no query went out,
// for want of that window, whose answer is 0.
bool WinampPlayState(HWND player, SENDASYNCPROC answered, ULONG_PTR data);

// A title that Shift+F10 could not add to the song title log, and the reason.
struct UnloggedTitle {
    std::wstring Title;
    DWORD Error;
};
// Appends the current song title to the song title log; what could not be logged, if anything.
std::optional<UnloggedTitle> SaveSongTitle();
DWORD AppendSongTitle(const std::wstring& title);  // ERROR_SUCCESS once the line is in the log
// Creates the empty log when it is missing and lets every user who logs on read it and append to it. A log
// that is there stays as it is; a name there that is no plain file gives kLogNotAPlainFile.
DWORD PrepareSongTitleLog();
// Bit 29 marks a code of the program's own, as Run On Startup's 0x20000001 does: no Windows error has it.
inline constexpr DWORD kLogNotAPlainFile = 0x20000002;

// How the log is opened for an append; tests deny it, as a folder without rights for the user would.
using OpenFileFn = HANDLE(WINAPI*)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
extern OpenFileFn OpenSongTitleLog;

// How a command is posted; tests refuse it, as Windows refuses a post to a player with higher rights. A
// refusal leaves one line in the trail per run.
using PostFn = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
extern PostFn PostToPlayer;

std::wstring ReduceTitle(std::wstring text);  // the song title within a player window's text

}  // namespace WinampMod
