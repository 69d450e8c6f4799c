#include "app/ElevationMod.h"

#include <utility>

#include "player/WinampMod.h"
#include "settings/ProgramNames.h"
#include "settings/RunOnStartup.h"
#include "win/Ansi.h"
#include "win/Application.h"
#include "win/FileSecurity.h"

namespace {

using ElevationMod::Step;

// The UAC prompt from Vista on; the Run As dialog on 2000 and XP.
constexpr wchar_t kElevateVerb[] = L"runas";
constexpr UINT kPollIntervalMs = 250;

const struct {
    const char* Name;
    Step Task;
} kSteps[] = {
    {ProgramNames::kSongLogStep, Step::PrepareSongTitleLog},
    {ProgramNames::kStartupOnStep, Step::RunOnStartupOn},
    {ProgramNames::kStartupOffStep, Step::RunOnStartupOff},
};

// The next word from position on, past blanks; position moves behind it. Empty at the end of the text.
std::wstring_view NextWord(std::wstring_view text, size_t& position) {
    while (position < text.size() && (text[position] == L' ' || text[position] == L'\t')) ++position;
    const size_t start = position;
    while (position < text.size() && text[position] != L' ' && text[position] != L'\t') ++position;
    return text.substr(start, position - start);
}

// Letters in any case, as "-startup" is compared; the names are plain ASCII.
bool IsWord(std::wstring_view word, const char* name) {
    size_t i = 0;
    for (; i < word.size() && name[i]; ++i) {
        const wchar_t letter = word[i] >= L'A' && word[i] <= L'Z' ? word[i] + (L'a' - L'A') : word[i];
        if (letter != static_cast<unsigned char>(name[i])) return false;
    }
    return i == word.size() && !name[i];
}

// The step being waited for. Asking covers the start itself: the Run As dialog of XP runs a message loop
// inside it, in which the tray menu could ask again.
bool Asking = false;
HANDLE StepProcess = nullptr;
UINT_PTR PollTimer = 0;
ElevationMod::StepEnded OnStepEnded = nullptr;

bool LogAsked = false;
std::wstring PendingTitle;

void EndStep() {
    KillTimer(nullptr, PollTimer);
    PollTimer = 0;
    DWORD exitCode = STILL_ACTIVE;
    if (StepProcess) GetExitCodeProcess(StepProcess, &exitCode);
    try {
        OnStepEnded(exitCode);
    } catch (...) {
        Win::Application::ReportUncaughtFailure();
    }
    if (StepProcess) CloseHandle(StepProcess);  // last: until here the step counts as running
    StepProcess = nullptr;
}

// Polled from the message loop, so hot keys and the window go on while the step, or its prompt, lasts.
void CALLBACK PollStep(HWND, UINT, UINT_PTR, DWORD) {
    if (WaitForSingleObject(StepProcess, 0) != WAIT_TIMEOUT) EndStep();
}

// The log step runs with administrator rights and loads Windows' DLLs by name, which XP to 7 without
// KB2533623 still look for in the program's folder first: so only a copy that only administrators can change
// asks for it or runs it.
bool CopyIsProtected() {
    return Win::FileSecurity::OnlyAdministratorsCanChangeProgram(Win::Application::FilePath());
}

void LogPendingTitle(DWORD) {
    try {
        if (WinampMod::AppendSongTitle(PendingTitle) == ERROR_SUCCESS) return;
    } catch (...) {  // a capture never disturbs the hot keys
    }
    MessageBeep(MB_ICONHAND);
}

}  // namespace

namespace ElevationMod {

StartFn StartElevated = ShellExecuteExW;

Step ParseStep(std::wstring_view arguments) {
    size_t position = 0;
    if (!IsWord(NextWord(arguments, position), ProgramNames::kStepSwitch)) return Step::None;
    const std::wstring_view task = NextWord(arguments, position);
    if (NextWord(arguments, position).empty())
        for (const auto& row : kSteps)
            if (IsWord(task, row.Name)) return row.Task;
    return Step::Refused;
}

DWORD RunStep(Step step) {
    switch (step) {
        case Step::PrepareSongTitleLog:
            return CopyIsProtected() ? WinampMod::PrepareSongTitleLog() : RunOnStartup::kUnsafeCopy;
        case Step::RunOnStartupOn:
        case Step::RunOnStartupOff:
            return RunOnStartup::Apply(step == Step::RunOnStartupOn) ? ERROR_SUCCESS : GetLastError();
        default:
            return ERROR_INVALID_PARAMETER;  // refused: nothing is written
    }
}

bool AskForStep(Step step, HWND hOwner, StepEnded onEnded) {
    if (StepRunning()) {
        SetLastError(ERROR_BUSY);
        return false;
    }
    // In Unicode: the step starts from a folder named beyond the ANSI code page too.
    const std::wstring file = Win::Application::FilePath();
    std::wstring parameters;
    for (const auto& row : kSteps)
        if (row.Task == step)
            parameters = Win::Ansi::ToWide(ProgramNames::kStepSwitch) + L" " + Win::Ansi::ToWide(row.Name);
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;  // a failure is told the program's own way
    info.hwnd = hOwner;
    info.lpVerb = kElevateVerb;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_HIDE;
    Asking = true;
    const BOOL started = StartElevated(&info);
    const DWORD error = GetLastError();
    Asking = false;
    if (!started) {
        SetLastError(error);
        return false;
    }
    StepProcess = info.hProcess;
    OnStepEnded = onEnded;
    PollTimer = StepProcess ? SetTimer(nullptr, 0, kPollIntervalMs, PollStep) : 0;
    if (!PollTimer) EndStep();  // nothing to wait for: what the step did is read now
    return true;
}

bool StepRunning() {
    return Asking || StepProcess != nullptr;
}

void SongTitleNotLogged(std::wstring title, DWORD error) {
    if (error == ERROR_ACCESS_DENIED && !LogAsked && !StepRunning() && CopyIsProtected()) {
        LogAsked = true;
        PendingTitle = std::move(title);
        // Declined: the user knows, so no beep. The prompt has no owner: another program has the focus.
        if (AskForStep(Step::PrepareSongTitleLog, nullptr, LogPendingTitle) ||
            GetLastError() == ERROR_CANCELLED)
            return;
    }
    MessageBeep(MB_ICONHAND);  // a title that cannot be logged is not lost without a sign
}

}  // namespace ElevationMod
