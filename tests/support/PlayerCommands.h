#pragma once

#include <windows.h>

// The player's own numbers, written down once for the tests, the demonstration and the benchmark:
// the commands it takes as WM_COMMAND's wParam, and its play-state query, WM_USER with this lParam.
constexpr WPARAM kPlay = 40045;
constexpr WPARAM kPause = 40046;
constexpr WPARAM kStop = 40047;
constexpr WPARAM kNext = 40048;
constexpr WPARAM kPrevious = 40044;
constexpr WPARAM kForward = 40148;
constexpr WPARAM kBackward = 40144;
constexpr WPARAM kRepeat = 40022;
constexpr WPARAM kShuffle = 40023;
constexpr LPARAM kIsPlayingQuery = 104;
