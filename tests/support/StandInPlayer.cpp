#include "tests/support/StandInPlayer.h"

#include <algorithm>

#include "tests/support/PlayerCommands.h"
#include "tests/support/Wait.h"

namespace {

constexpr UINT kHangMessage = WM_APP + 1;
constexpr UINT kCloseMessage = WM_APP + 2;
constexpr int kLineHeight = 16, kMargin = 8;

const struct {
    WPARAM Command;
    const char* Name;
} kCommandNames[] = {
    {kPlay, "Play"},
    {kPause, "Pause"},
    {kStop, "Stop"},
    {kNext, "Next Song"},
    {kPrevious, "Previous Song"},
    {kForward, "Forward 5 Seconds"},
    {kBackward, "Back 5 Seconds"},
    {kRepeat, "Toggle Repeat"},
    {kShuffle, "Toggle Shuffle"},
};

class Guard {
public:
    explicit Guard(CRITICAL_SECTION& lock) : Lock(lock) { EnterCriticalSection(&Lock); }
    ~Guard() { LeaveCriticalSection(&Lock); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    CRITICAL_SECTION& Lock;
};

}  // namespace

StandInPlayer::StandInPlayer(const std::string& title, const char* className)
    : Title(title), ClassName(className) {
    InitializeCriticalSection(&Lock);
    ReadyEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ArrivedEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HungEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ResumeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Thread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    WaitForSingleObject(ReadyEvent, INFINITE);
}

StandInPlayer::~StandInPlayer() {
    Resume();
    PostMessageA(Window, kCloseMessage, 0, 0);
    WaitForSingleObject(Thread, INFINITE);
    CloseHandle(Thread);
    CloseHandle(ResumeEvent);
    CloseHandle(HungEvent);
    CloseHandle(ReadyEvent);
    CloseHandle(ArrivedEvent);
    DeleteCriticalSection(&Lock);
}

DWORD WINAPI StandInPlayer::ThreadProc(LPVOID self) {
    static_cast<StandInPlayer*>(self)->Pump();
    return 0;
}

void StandInPlayer::Pump() {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = ClassName;
    RegisterClassExA(&wc);  // fails harmlessly when an earlier stand-in registered it
    const HWND window = CreateWindowExA(0, ClassName, Title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Window = window;
    SetEvent(ReadyEvent);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == kCloseMessage) break;
        if (msg.message == kHangMessage) {
            SetEvent(HungEvent);
            WaitForSingleObject(ResumeEvent, INFINITE);
            continue;
        }
        DispatchMessageA(&msg);
    }
    DestroyWindow(window);
}

LRESULT CALLBACK StandInPlayer::WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<StandInPlayer*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (self && uMsg == WM_COMMAND) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);  // first: the benchmark times the command's arrival
        {
            Guard guard(self->Lock);
            self->Received.emplace_back(wParam, lParam);
            self->ReceivedAt.push_back(now.QuadPart);
        }
        SetEvent(self->ArrivedEvent);
        InvalidateRect(hWnd, nullptr, TRUE);
        return 0;
    }
    if (uMsg == WM_GETMINMAXINFO) {
        // The frame a test asks for, however small: at a high dpi the caption's minimum is wider than that.
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {1, 1};
        return 0;
    }
    if (self && uMsg == WM_PAINT) {
        self->Paint();
        return 0;
    }
    if (self && uMsg == WM_USER && wParam == 0 && lParam == kIsPlayingQuery) {
        DWORD delay = 0;
        {
            Guard guard(self->Lock);
            ++self->Queries;
            delay = self->AnswerDelay;
        }
        Sleep(delay);
        Guard guard(self->Lock);
        return self->PlayState;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

void StandInPlayer::SetTitle(const std::string& title) {
    SetWindowTextA(Window, title.c_str());
}

void StandInPlayer::Show(const RECT& frame) {
    SetWindowPos(Window, HWND_TOP, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

// The latest commands that fit, newest at the bottom.
void StandInPlayer::Paint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(Window, &paint);
    RECT client;
    GetClientRect(Window, &client);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    const std::string heading = "Commands received:";
    TextOutA(dc, kMargin, kMargin, heading.c_str(), static_cast<int>(heading.size()));
    const std::vector<std::pair<WPARAM, LPARAM>> commands = Commands();
    const size_t fit = std::max<LONG>(0, (client.bottom - 2 * kMargin) / kLineHeight - 1);
    const size_t first = commands.size() > fit ? commands.size() - fit : 0;
    for (size_t i = first; i < commands.size(); ++i) {
        const std::string line = PlayerCommandName(commands[i].first);
        TextOutA(dc, 2 * kMargin, kMargin + static_cast<int>(i - first + 1) * kLineHeight, line.c_str(),
                 static_cast<int>(line.size()));
    }
    EndPaint(Window, &paint);
}

void StandInPlayer::SetPlayState(LONG state) {
    Guard guard(Lock);
    PlayState = state;
}

void StandInPlayer::SetAnswerDelay(DWORD milliseconds) {
    Guard guard(Lock);
    AnswerDelay = milliseconds;
}

void StandInPlayer::Hang() {
    ResetEvent(ResumeEvent);
    ResetEvent(HungEvent);
    PostMessageA(Window, kHangMessage, 0, 0);
    WaitForSingleObject(HungEvent, INFINITE);
}

void StandInPlayer::Resume() {
    SetEvent(ResumeEvent);
}

std::vector<std::pair<WPARAM, LPARAM>> StandInPlayer::Commands() const {
    Guard guard(Lock);
    return Received;
}

size_t StandInPlayer::CommandCount() const {
    Guard guard(Lock);
    return Received.size();
}

LONGLONG StandInPlayer::CommandTime(size_t index) const {
    Guard guard(Lock);
    return ReceivedAt.at(index);
}

void StandInPlayer::Clear() {
    Guard guard(Lock);
    Received.clear();
    ReceivedAt.clear();
    Queries = 0;
}

int StandInPlayer::PlayStateQueries() const {
    Guard guard(Lock);
    return Queries;
}

bool StandInPlayer::WaitUntilReceived(const std::function<bool()>& condition, DWORD timeoutMs) const {
    constexpr DWORD kPollMs = 5;  // often: a test waits for its keys' commands one after another
    return WaitFor(
        [&] {
            Guard guard(Lock);
            return condition();
        },
        timeoutMs, kPollMs);
}

bool StandInPlayer::WaitForCommands(size_t count, DWORD timeoutMs) const {
    return WaitUntilReceived([&] { return Received.size() >= count; }, timeoutMs);
}

bool StandInPlayer::WaitForCommand(WPARAM command, size_t from, DWORD timeoutMs) const {
    return WaitUntilReceived(
        [&] {
            for (size_t i = from; i < Received.size(); ++i)
                if (Received[i].first == command) return true;
            return false;
        },
        timeoutMs);
}

std::string PlayerCommandName(WPARAM command) {
    const std::string number = " (" + std::to_string(command) + ")";
    for (const auto& known : kCommandNames)
        if (known.Command == command) return known.Name + number;
    return "Unknown" + number;
}
