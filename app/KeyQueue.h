#pragma once

#include <windows.h>

#include <cstddef>
#include <deque>
#include <vector>

// The player's keys in the order pressed. While the Shift+F1 at the front awaits the player's answer, the
// message loop goes on and later keys wait here, so that they reach the player after the play/pause command.
// What happens is decided by Next, a function of the state and one event alone; the object carries out what
// it decides and turns the outcome of each Windows call into the next event.
class KeyQueue {
public:
    using Command = LONG (*)();
    static constexpr Command kPlayPause = nullptr;   // decided from the player's answers when its turn comes
    static constexpr UINT kAnswerTimeoutMs = 10000;  // the longest a silent player holds the later keys up
    // What remains of the limit for a query asked at askedAt, by GetTickCount; 0 once it is overdue.
    static DWORD LimitLeft(DWORD askedAt, DWORD now);

    enum class PlayPauseAction { None, Play, Pause, AskAgain };
    // What Shift+F1 does with a play-state answer, after compared earlier answers matched nothing.
    static PlayPauseAction DecidePlayPause(size_t compared, LONG answer);

    // What the front Shift+F1 waits for: nothing, the lookup of the player's window, or its answer.
    enum class Phase { Idle, Finding, Asking };
    struct State {
        std::deque<Command> Pending;  // the front first
        Phase Waiting = Phase::Idle;
        size_t Compared = 0;    // answers that the front Shift+F1 has compared
        ULONG_PTR Query = 0;    // the latest lookup's number, which its query carries; an older one is late
        HWND Asked = nullptr;   // while Asking: the window the query went to
        HWND Silent = nullptr;  // owes an answer past the limit: asking it again would hold the keys up anew
    };

    struct Event {
        enum class Kind {
            Key,       // pressed: Key
            Found,     // the lookup Query found Player
            NoPlayer,  // no window took query Query: none at the lookup, or it went away before the send
            Answer,    // Player answered query Query with Value
            Overdue,   // no answer to query Query within the limit
            NoTimer,   // the limit for query Query could not be set: the query did not go out
        };
        Kind What;
        Command Key = nullptr;
        ULONG_PTR Query = 0;
        HWND Player = nullptr;
        LONG Value = 0;
    };

    struct Effect {
        enum class Kind {
            Run,    // Key's command
            Play,   // the play command
            Pause,  // the pause command
            Find,   // look up the player's window for query Query
            Ask,    // send query Query to Player, within the limit
            Drop,   // the front Shift+F1 goes without a command, for the reason Why
        };
        enum class Reason { None, Silent, NoTimer };
        Kind What;
        Command Key = nullptr;
        ULONG_PTR Query = 0;
        HWND Player = nullptr;
        Reason Why = Reason::None;
    };

    struct Step {
        State Next;
        std::vector<Effect> Effects;  // in order
    };
    static Step Next(State state, const Event& event);

    // The calls that bring the player's answer and the overdue limit back to the object, through Answered
    // and Overdue.
    KeyQueue(SENDASYNCPROC answered, TIMERPROC overdue);
    void Press(Command key);
    void Answered(HWND player, ULONG_PTR query, LRESULT answer) noexcept;
    void Overdue(UINT_PTR timer) noexcept;
    // Ends the limit's timer once nothing is owed; called at a tick the program wakes for anyway, so that the
    // timer does not wake it once more while it is idle.
    void Rest() noexcept;

    // How the limit is armed; tests fail it, as a Windows out of timers would.
    using SetTimerFn = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC);
    static SetTimerFn ArmTimer;

private:
    void Dispatch() noexcept;
    void Carry(const Effect& effect);
    bool ArmLimit(UINT ms);

    SENDASYNCPROC OnAnswer;
    TIMERPROC OnOverdue;
    State Now;
    std::vector<Event> Inbox;  // events not yet taken, in order
    bool Dispatching = false;
    // One timer bounds every query while any is owed, rather than one timer per query: it is armed when a
    // query goes out and none runs, and at its tick either finds the query overdue, waits out what is left,
    // or stops when nothing is owed.
    UINT_PTR Timer = 0;
    ULONG_PTR TimerQuery = 0;  // the latest query that went out
    DWORD AskedAt = 0;         // when it went out
};
