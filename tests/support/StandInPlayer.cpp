#include "tests/support/StandInPlayer.h"

namespace {

constexpr UINT kHangMessage = WM_APP + 1;
constexpr UINT kCloseMessage = WM_APP + 2;
constexpr LPARAM kIsPlayingQuery = 104;

}  // namespace

StandInPlayer::StandInPlayer(const std::string& title, const char* className) {
    ResumeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::unique_lock<std::mutex> guard(Lock);
    Thread = std::thread([this, title, className] { Pump(title, className); });
    Changed.wait(guard, [this] { return Window != nullptr; });
}

StandInPlayer::~StandInPlayer() {
    Resume();
    PostMessageA(Window, kCloseMessage, 0, 0);
    Thread.join();
    CloseHandle(ResumeEvent);
}

void StandInPlayer::Pump(const std::string& title, const char* className) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassExA(&wc);  // fails harmlessly when an earlier stand-in registered it
    const HWND window = CreateWindowExA(0, className, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    {
        std::lock_guard<std::mutex> guard(Lock);
        Window = window;
    }
    Changed.notify_all();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == kCloseMessage) break;
        if (msg.message == kHangMessage) {
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
        std::lock_guard<std::mutex> guard(self->Lock);
        self->Received.emplace_back(wParam, lParam);
        self->Changed.notify_all();
        return 0;
    }
    if (self && uMsg == WM_USER && wParam == 0 && lParam == kIsPlayingQuery) {
        std::lock_guard<std::mutex> guard(self->Lock);
        ++self->Queries;
        return self->PlayState;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

void StandInPlayer::SetTitle(const std::string& title) {
    SetWindowTextA(Window, title.c_str());
}

void StandInPlayer::SetPlayState(LONG state) {
    std::lock_guard<std::mutex> guard(Lock);
    PlayState = state;
}

void StandInPlayer::Hang() {
    ResetEvent(ResumeEvent);
    PostMessageA(Window, kHangMessage, 0, 0);
}

void StandInPlayer::Resume() {
    SetEvent(ResumeEvent);
}

std::vector<std::pair<WPARAM, LPARAM>> StandInPlayer::Commands() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Received;
}

void StandInPlayer::Clear() {
    std::lock_guard<std::mutex> guard(Lock);
    Received.clear();
    Queries = 0;
}

int StandInPlayer::PlayStateQueries() const {
    std::lock_guard<std::mutex> guard(Lock);
    return Queries;
}

bool StandInPlayer::WaitForCommands(size_t count, DWORD timeoutMs) const {
    std::unique_lock<std::mutex> guard(Lock);
    return Changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                            [&] { return Received.size() >= count; });
}

bool StandInPlayer::WaitForCommand(WPARAM command, size_t from, DWORD timeoutMs) const {
    std::unique_lock<std::mutex> guard(Lock);
    return Changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] {
        for (size_t i = from; i < Received.size(); ++i)
            if (Received[i].first == command) return true;
        return false;
    });
}
