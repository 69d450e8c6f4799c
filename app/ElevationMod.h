#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <string_view>

// The one write that needs administrator rights, run as a step of its own that Windows elevates on request.
namespace ElevationMod {

enum class Step { None, Refused, PrepareSongTitleLog, RunOnStartupOn, RunOnStartupOff };

// None when the arguments do not start with the step's switch; Refused when anything but one step follows.
Step ParseStep(std::wstring_view arguments);
DWORD RunStep(Step step);  // the step's exit code: ERROR_SUCCESS, or why it failed

// How the step is started; tests stand in for a user who declines.
using StartFn = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
extern StartFn StartElevated;

using StepEnded = void (*)(DWORD exitCode);
// Starts the step through Windows' request for rights, owned by hOwner, and returns; onEnded runs from the
// message loop once it has ended. False when it did not start: ERROR_CANCELLED when the user declined.
bool AskForStep(Step step, HWND hOwner, StepEnded onEnded);
bool StepRunning();

// Shift+F10's title could not be logged: a denial asks for rights once per run, then the title is logged.
void SongTitleNotLogged(std::wstring title, DWORD error);

}  // namespace ElevationMod
