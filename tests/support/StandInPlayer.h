#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

// A stand-in for the player's main window, on a thread of its own so that it can hang
// without holding up the test.
class StandInPlayer {
public:
    explicit StandInPlayer(const std::string& title = "1. Artist - Song - Winamp",
                           const char* className = "Winamp v1.x");
    ~StandInPlayer();
    StandInPlayer(const StandInPlayer&) = delete;
    StandInPlayer& operator=(const StandInPlayer&) = delete;

    HWND Hwnd() const { return Window; }
    void SetTitle(const std::string& title);
    void SetPlayState(LONG state);
    void SetAnswerDelay(DWORD milliseconds);  // busy this long in each play-state query before it answers
    void Show(const RECT& frame);             // on screen, listing the commands it receives
    void Hang();                              // returns once it has stopped pumping messages, until Resume
    void Resume();

    std::vector<std::pair<WPARAM, LPARAM>> Commands() const;
    size_t CommandCount() const;
    // The performance counter as its window procedure received command index, and an auto-reset event set
    // after each command, for one waiter that must not poll.
    LONGLONG CommandTime(size_t index) const;
    HANDLE CommandEvent() const { return ArrivedEvent; }
    void Clear();                  // forgets the commands and queries received so far
    int PlayStateQueries() const;  // received so far, answered or not
    // Waits until at least count commands arrived; false after timeoutMs.
    bool WaitForCommands(size_t count, DWORD timeoutMs = 5000) const;
    // Waits until the command arrived at or after position from; false after timeoutMs.
    bool WaitForCommand(WPARAM command, size_t from, DWORD timeoutMs = 5000) const;

private:
    static DWORD WINAPI ThreadProc(LPVOID self);
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void Pump();
    void Paint();
    bool WaitUntilReceived(const std::function<bool()>& condition, DWORD timeoutMs) const;

    // Threads come from CreateThread: the Win32 thread model of the Windows 2000 compiler has no std::thread.
    mutable CRITICAL_SECTION Lock;
    std::string Title;
    const char* ClassName;
    std::vector<std::pair<WPARAM, LPARAM>> Received;
    std::vector<LONGLONG> ReceivedAt;
    int Queries = 0;
    LONG PlayState = 0;
    DWORD AnswerDelay = 0;
    HWND Window = nullptr;
    HANDLE ReadyEvent = nullptr;
    HANDLE ArrivedEvent = nullptr;
    HANDLE HungEvent = nullptr;
    HANDLE ResumeEvent = nullptr;
    HANDLE Thread = nullptr;
};

// The player's name for a command it receives, with its number: "Next Song (40048)", the number of kNext.
std::string PlayerCommandName(WPARAM command);
