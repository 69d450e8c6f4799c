#include "app/ElevationMod.h"

#include <vector>

#include "player/WinampMod.h"
#include "settings/RunOnStartup.h"
#include "win/Ansi.h"
#include "win/Application.h"

namespace {

using ElevationMod::Step;

constexpr wchar_t kStepSwitch[] = L"-elevated";
constexpr char kElevateVerb[] = "runas";  // the UAC prompt from Vista on; the Run As dialog on 2000 and XP
constexpr UINT kPollIntervalMs = 250;

const struct {
    const wchar_t* Name;
    Step Task;
} kSteps[] = {
    {L"songlog", Step::PrepareSongTitleLog},
    {L"startup-on", Step::RunOnStartupOn},
    {L"startup-off", Step::RunOnStartupOff},
};

std::vector<std::wstring> Words(const std::wstring& text) {
    std::vector<std::wstring> words;
    size_t start = text.find_first_not_of(L" \t");
    while (start != std::wstring::npos) {
        const size_t end = text.find_first_of(L" \t", start);
        words.push_back(text.substr(start, end == std::wstring::npos ? end : end - start));
        start = text.find_first_not_of(L" \t", end);
    }
    return words;
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
        Application::ReportUncaughtFailure();
    }
    if (StepProcess) CloseHandle(StepProcess);  // last: until here the step counts as running
    StepProcess = nullptr;
}

// Polled from the message loop, so hot keys and the window go on while the step, or its prompt, lasts.
void CALLBACK PollStep(HWND, UINT, UINT_PTR, DWORD) {
    if (WaitForSingleObject(StepProcess, 0) != WAIT_TIMEOUT) EndStep();
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

StartFn StartElevated = ShellExecuteExA;

Step ParseStep(std::wstring_view arguments) {
    const std::vector<std::wstring> words = Words(Application::LCase(std::wstring(arguments)));
    if (words.empty() || words[0] != kStepSwitch) return Step::None;
    for (const auto& row : kSteps)
        if (words.size() == 2 && words[1] == row.Name) return row.Task;
    return Step::Refused;
}

std::wstring StepArguments(Step step) {
    for (const auto& row : kSteps)
        if (row.Task == step) return std::wstring(kStepSwitch) + L" " + row.Name;
    return kStepSwitch;
}

DWORD RunStep(Step step) {
    switch (step) {
        case Step::PrepareSongTitleLog:
            return WinampMod::PrepareSongTitleLog();
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
    const std::string file = Ansi::FromWide(Application::ExeFile());
    const std::string parameters = Ansi::FromWide(StepArguments(step));
    SHELLEXECUTEINFOA info = {};
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
    if (!PollTimer)
        EndStep();  // nothing to wait for: what the step did is read now
    return true;
}

bool StepRunning() {
    return Asking || StepProcess != nullptr;
}

void SongTitleNotLogged(const std::wstring& title, DWORD error) {
    if (error == ERROR_ACCESS_DENIED && !LogAsked && !StepRunning()) {
        LogAsked = true;
        PendingTitle = title;
        // Declined: the user knows, so no beep either. Another program has the focus: the prompt has no
        // owner.
        if (AskForStep(Step::PrepareSongTitleLog, nullptr, LogPendingTitle) ||
            GetLastError() == ERROR_CANCELLED)
            return;
    }
    MessageBeep(MB_ICONHAND);  // a title that cannot be logged is not lost without a sign
}

}  // namespace ElevationMod
