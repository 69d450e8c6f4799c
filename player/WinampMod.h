#pragma once

#include <windows.h>

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

// Sends the play-state query without waiting: the player's answer (1 playing, 3 paused, 0 stopped) reaches
// answered, with data, through this thread's message loop. Returns the window asked; none when no query went
// out, for want of a player window, whose answer is 0.
HWND WinampPlayState(SENDASYNCPROC answered, ULONG_PTR data);

void SaveSongTitle();  // appends the current song title to the song title log

std::wstring ReduceTitle(std::wstring text);  // the song title within a player window's text

}  // namespace WinampMod
