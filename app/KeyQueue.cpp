#include "app/KeyQueue.h"

#include <iterator>
#include <utility>

#include "player/WinampMod.h"
#include "win/Application.h"
#include "win/IdlePath.h"

namespace {

using State = KeyQueue::State;
using Event = KeyQueue::Event;
using Effect = KeyQueue::Effect;

// The front Shift+F1 is done with; the keys after it go on.
void Finish(State& state) {
    state.Pending.pop_front();
    state.Compared = 0;
    state.Waiting = KeyQueue::Phase::Idle;
    state.Asked = nullptr;
}

void Drop(State& state, std::vector<Effect>& effects, Effect::Reason why) {
    Finish(state);
    effects.push_back({Effect::Kind::Drop, nullptr, 0, nullptr, why});
}

void Compare(State& state, std::vector<Effect>& effects, LONG answer) {
    const KeyQueue::PlayPauseAction action = KeyQueue::DecidePlayPause(state.Compared++, answer);
    state.Waiting = KeyQueue::Phase::Idle;
    state.Asked = nullptr;
    if (action == KeyQueue::PlayPauseAction::AskAgain) return;  // the next lookup comes from Drain
    Finish(state);
    if (action == KeyQueue::PlayPauseAction::Play) effects.push_back({Effect::Kind::Play});
    if (action == KeyQueue::PlayPauseAction::Pause) effects.push_back({Effect::Kind::Pause});
}

// Runs the keys at the front until a Shift+F1 has to wait for the player.
void Drain(State& state, std::vector<Effect>& effects) {
    while (state.Waiting == KeyQueue::Phase::Idle && !state.Pending.empty()) {
        const KeyQueue::Command key = state.Pending.front();
        if (key != KeyQueue::kPlayPause) {
            state.Pending.pop_front();
            effects.push_back({Effect::Kind::Run, key});
            continue;
        }
        state.Waiting = KeyQueue::Phase::Finding;
        effects.push_back({Effect::Kind::Find, nullptr, ++state.Query});
    }
}

bool Awaits(const State& state, KeyQueue::Phase phase, const Event& event) {
    return state.Waiting == phase && event.Query == state.Query;
}

}  // namespace

KeyQueue::SetTimerFn KeyQueue::ArmTimer = SetTimer;

KeyQueue::PlayPauseAction KeyQueue::DecidePlayPause(size_t compared, LONG answer) {
    // Each comparison has an answer of its own, asked afresh.
    constexpr struct {
        LONG State;
        PlayPauseAction Action;
    } kSteps[] = {{0, PlayPauseAction::Play},
                  {1, PlayPauseAction::Pause},
                  {2, PlayPauseAction::Play},
                  {3, PlayPauseAction::Play}};
    if (compared >= std::size(kSteps)) return PlayPauseAction::None;
    if (answer == kSteps[compared].State) return kSteps[compared].Action;
    return compared + 1 < std::size(kSteps) ? PlayPauseAction::AskAgain : PlayPauseAction::None;
}

DWORD KeyQueue::LimitLeft(DWORD askedAt, DWORD now) {
    const DWORD owed = now - askedAt;  // unsigned: right across the counter's wrap after 49.7 days
    return owed < kAnswerTimeoutMs ? kAnswerTimeoutMs - owed : 0;
}

KeyQueue::Step KeyQueue::Next(State state, const Event& event) {
    std::vector<Effect> effects;
    switch (event.What) {
        case Event::Kind::Key:
            state.Pending.push_back(event.Key);
            break;
        case Event::Kind::Found:
            if (!Awaits(state, Phase::Finding, event)) break;
            if (state.Silent && event.Player == state.Silent) {
                Drop(state, effects, Effect::Reason::Silent);
                break;
            }
            state.Waiting = Phase::Asking;
            state.Asked = event.Player;
            effects.push_back({Effect::Kind::Ask, nullptr, state.Query, event.Player});
            break;
        case Event::Kind::NoPlayer:
            if (Awaits(state, Phase::Finding, event)) {
                state.Silent = nullptr;  // no player window at all: the silent one has gone
            } else if (!Awaits(state, Phase::Asking, event)) {
                break;
            }
            Compare(state, effects, 0);  // no player window answers 0
            break;
        case Event::Kind::Answer:
            if (event.Player == state.Silent) state.Silent = nullptr;  // late, but it answers again
            if (!Awaits(state, Phase::Asking, event)) break;
            Compare(state, effects, event.Value);
            break;
        case Event::Kind::Overdue:
            if (!Awaits(state, Phase::Asking, event)) break;
            state.Silent = state.Asked;
            Drop(state, effects, Effect::Reason::Silent);
            break;
        case Event::Kind::NoTimer:
            // Without a limit a silent player would hold every later key up: this Shift+F1 is not asked.
            if (Awaits(state, Phase::Asking, event)) Drop(state, effects, Effect::Reason::NoTimer);
            break;
    }
    Drain(state, effects);
    return {std::move(state), std::move(effects)};
}

KeyQueue::KeyQueue(SENDASYNCPROC answered, TIMERPROC overdue) : OnAnswer(answered), OnOverdue(overdue) {}

void KeyQueue::Press(Command key) {
    Inbox.push_back({Event::Kind::Key, key});
    Dispatch();
}

void KeyQueue::Answered(HWND player, ULONG_PTR query, LRESULT answer) noexcept {
    Inbox.push_back({Event::Kind::Answer, nullptr, query, player, static_cast<LONG>(answer)});
    Dispatch();
}

void KeyQueue::Overdue(UINT_PTR timer) noexcept {
    if (timer != Timer) return;  // a tick of a timer killed after it came
    KillTimer(nullptr, Timer);
    Timer = 0;
    if (Now.Waiting != Phase::Asking) return;  // nothing owed: the next query arms it again
    const DWORD left = LimitLeft(AskedAt, GetTickCount());
    if (left == 0)
        Inbox.push_back({Event::Kind::Overdue, nullptr, TimerQuery});
    else if (!ArmLimit(left))  // the query asked since the timer was armed has this much left
        Inbox.push_back({Event::Kind::NoTimer, nullptr, TimerQuery});
    Dispatch();
}

IDLE_PATH void KeyQueue::Rest() noexcept {
    if (!Timer || Dispatching || Now.Waiting == Phase::Asking) return;
    KillTimer(nullptr, Timer);
    Timer = 0;
}

bool KeyQueue::ArmLimit(UINT ms) {
    if (!Timer) Timer = ArmTimer(nullptr, 0, ms, OnOverdue);
    return Timer != 0;
}

void KeyQueue::Dispatch() noexcept {
    if (Dispatching) return;  // an event that came inside a call below: the loop takes it next
    Dispatching = true;
    for (size_t taken = 0; taken < Inbox.size(); ++taken) {
        const Event event = Inbox[taken];  // a copy: carrying the effects adds events
        Step step = Next(std::move(Now), event);
        Now = std::move(step.Next);
        for (const Effect& effect : step.Effects) Carry(effect);
    }
    Inbox.clear();
    Dispatching = false;
}

void KeyQueue::Carry(const Effect& effect) {
    switch (effect.What) {
        case Effect::Kind::Run:
            effect.Key();
            break;
        case Effect::Kind::Play:
            WinampMod::WinampPlay();
            break;
        case Effect::Kind::Pause:
            WinampMod::WinampPause();
            break;
        case Effect::Kind::Find: {
            const HWND player = WinampMod::FindWinamp();
            const auto found = player ? Event::Kind::Found : Event::Kind::NoPlayer;
            Inbox.push_back({found, nullptr, effect.Query, player});
            break;
        }
        case Effect::Kind::Ask:
            // Armed before the send: a player on this thread would answer inside it. A timer that runs
            // already ticks before this query's limit ends, and waits out the rest then.
            TimerQuery = effect.Query;
            AskedAt = GetTickCount();
            if (!ArmLimit(kAnswerTimeoutMs))
                Inbox.push_back({Event::Kind::NoTimer, nullptr, effect.Query});
            else if (!WinampMod::WinampPlayState(effect.Player, OnAnswer, effect.Query))
                Inbox.push_back({Event::Kind::NoPlayer, nullptr, effect.Query});
            break;
        case Effect::Kind::Drop:
            if (effect.Why == Effect::Reason::NoTimer)
                Win::Application::Trace("no timer to bound the player's answer; Shift+F1 dropped");
            else
                Win::Application::Trace("the player gave no play state in %u seconds; Shift+F1 dropped",
                                        kAnswerTimeoutMs / 1000);
            break;
    }
}
