#include "app/KeyQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include "player/WinampMod.h"
#include "tests/support/DebugTrail.h"
#include "tests/support/PlayerCommands.h"
#include "tests/support/StandInPlayer.h"

// Found by the comparisons of the standard library, in the namespace of the types.
bool operator==(const KeyQueue::State& a, const KeyQueue::State& b) {
    return std::tie(a.Pending, a.Waiting, a.Compared, a.Query, a.Asked, a.Silent) ==
           std::tie(b.Pending, b.Waiting, b.Compared, b.Query, b.Asked, b.Silent);
}
bool operator==(const KeyQueue::Effect& a, const KeyQueue::Effect& b) {
    return std::tie(a.What, a.Key, a.Query, a.Player, a.Why) ==
           std::tie(b.What, b.Key, b.Query, b.Player, b.Why);
}

namespace {

using Action = KeyQueue::PlayPauseAction;
using State = KeyQueue::State;
using Event = KeyQueue::Event;
using Effect = KeyQueue::Effect;
using Keys = std::deque<KeyQueue::Command>;

// The decision over a player's answers, one answer per comparison, the last one repeated: its action and
// how many times it asked.
std::pair<Action, size_t> Decide(const std::vector<LONG>& answers) {
    for (size_t asked = 0;;) {
        const LONG answer = answers[std::min(asked, answers.size() - 1)];
        const Action action = KeyQueue::DecidePlayPause(asked++, answer);
        if (action != Action::AskAgain) return {action, asked};
    }
}

TEST(DecidePlayPauseTest, AsksAfreshUntilAStateMatches) {
    const struct {
        std::vector<LONG> Answers;
        size_t Asked;
        Action Expected;
    } cases[] = {
        {{0}, 1, Action::Play},       {{1}, 2, Action::Pause}, {{2}, 3, Action::Play},
        {{3}, 4, Action::Play},       {{7}, 4, Action::None},  {{-1}, 4, Action::None},
        {{1, 0}, 4, Action::None},     // stopped after the pause test: too late to match
        {{3, 3, 2}, 3, Action::Play},  // changed to 2 before the third ask
    };
    for (const auto& c : cases) EXPECT_EQ(Decide(c.Answers), std::make_pair(c.Expected, c.Asked));
}

LONG First() {
    return 1;
}
LONG Second() {
    return 2;
}
constexpr KeyQueue::Command kPP = KeyQueue::kPlayPause;
const HWND kPlayer = reinterpret_cast<HWND>(0x1230);
const HWND kOther = reinterpret_cast<HWND>(0x4560);

State Idle(ULONG_PTR query, HWND silent = nullptr) {
    return {{}, KeyQueue::Phase::Idle, 0, query, nullptr, silent};
}
State Finding(Keys pending, ULONG_PTR query, size_t compared = 0, HWND silent = nullptr) {
    return {std::move(pending), KeyQueue::Phase::Finding, compared, query, nullptr, silent};
}
State Asking(Keys pending, ULONG_PTR query, size_t compared = 0, HWND silent = nullptr) {
    return {std::move(pending), KeyQueue::Phase::Asking, compared, query, kPlayer, silent};
}

Event Key(KeyQueue::Command key) {
    return {Event::Kind::Key, key};
}
Event Happened(Event::Kind what, ULONG_PTR query, HWND player = nullptr, LONG value = 0) {
    return {what, nullptr, query, player, value};
}

Effect Runs(KeyQueue::Command key) {
    return {Effect::Kind::Run, key};
}
Effect Do(Effect::Kind what, ULONG_PTR query = 0, HWND player = nullptr) {
    return {what, nullptr, query, player};
}
Effect Dropped(Effect::Reason why) {
    return {Effect::Kind::Drop, nullptr, 0, nullptr, why};
}

TEST(KeyQueueTest, EachEventMovesTheQueueOn) {
    using E = Event::Kind;
    using F = Effect::Kind;
    const Effect play = Do(F::Play), pause = Do(F::Pause);
    const struct {
        const char* Name;
        State Before;
        Event Happens;
        State After;
        std::vector<Effect> Effects;
    } rows[] = {
        {"a key goes at once when nothing waits", Idle(4), Key(First), Idle(4), {Runs(First)}},
        {"Shift+F1 looks the player up", Idle(4), Key(kPP), Finding({kPP}, 5), {Do(F::Find, 5)}},
        {"a key waits behind the lookup", Finding({kPP}, 5), Key(First), Finding({kPP, First}, 5), {}},
        {"the player found is asked",
         Finding({kPP}, 5),
         Happened(E::Found, 5, kPlayer),
         Asking({kPP}, 5),
         {Do(F::Ask, 5, kPlayer)}},
        {"no player window answers 0, and the keys behind go",
         Finding({kPP, First}, 5),
         Happened(E::NoPlayer, 5),
         Idle(5),
         {play, Runs(First)}},
        {"the silent player is not asked again",
         Finding({kPP, First}, 5, 0, kPlayer),
         Happened(E::Found, 5, kPlayer),
         Idle(5, kPlayer),
         {Dropped(Effect::Reason::Silent), Runs(First)}},
        {"a key waits behind the query", Asking({kPP}, 5), Key(First), Asking({kPP, First}, 5), {}},
        {"an answer that matches no state yet asks again",
         Asking({kPP, First}, 5),
         Happened(E::Answer, 5, kPlayer, 1),
         Finding({kPP, First}, 6, 1),
         {Do(F::Find, 6)}},
        {"playing at the pause test: pause, and the keys behind go",
         Asking({kPP, First}, 6, 1),
         Happened(E::Answer, 6, kPlayer, 1),
         Idle(6),
         {pause, Runs(First)}},
        {"stopped: play, then the next Shift+F1 is looked up",
         Asking({kPP, First, kPP, Second}, 5),
         Happened(E::Answer, 5, kPlayer, 0),
         Finding({kPP, Second}, 6),
         {play, Runs(First), Do(F::Find, 6)}},
        {"no state after the last test: no command",
         Asking({kPP}, 8, 3),
         Happened(E::Answer, 8, kPlayer, 7),
         Idle(8),
         {}},
        {"the window gone before the send answers 0",
         Asking({kPP, First}, 5),
         Happened(E::NoPlayer, 5),
         Idle(5),
         {play, Runs(First)}},
        {"overdue: dropped, its player silent, the keys behind go",
         Asking({kPP, First}, 5, 1),
         Happened(E::Overdue, 5),
         Idle(5, kPlayer),
         {Dropped(Effect::Reason::Silent), Runs(First)}},
        {"no timer: dropped unasked, the keys behind go",
         Asking({kPP, First}, 5),
         Happened(E::NoTimer, 5),
         Idle(5),
         {Dropped(Effect::Reason::NoTimer), Runs(First)}},
        {"the silent player answers late: it may be asked again",
         Asking({kPP}, 5, 0, kOther),
         Happened(E::Answer, 3, kOther, 1),
         Asking({kPP}, 5),
         {}},
        {"the late answer brings no command",
         Idle(5, kPlayer),
         Happened(E::Answer, 5, kPlayer, 0),
         Idle(5),
         {}},
        // The player went away while it owed an answer: overdue above, then the next Shift+F1 finds
        // another player, or none.
        {"a new player is asked, the gone one stays silent",
         Finding({kPP}, 6, 0, kPlayer),
         Happened(E::Found, 6, kOther),
         State{{kPP}, KeyQueue::Phase::Asking, 0, 6, kOther, kPlayer},
         {Do(F::Ask, 6, kOther)}},
        {"no player at all: the silent one is forgotten",
         Finding({kPP}, 6, 0, kPlayer),
         Happened(E::NoPlayer, 6),
         Idle(6),
         {play}},
    };
    for (const auto& row : rows) {
        const KeyQueue::Step step = KeyQueue::Next(row.Before, row.Happens);
        EXPECT_TRUE(step.Next == row.After) << row.Name;
        EXPECT_TRUE(step.Effects == row.Effects) << row.Name;
    }
}

TEST(KeyQueueTest, LateEventsChangeNothing) {
    using E = Event::Kind;
    const State states[] = {Idle(5), Finding({kPP}, 5), Asking({kPP, First}, 5, 1)};
    // Each carries the number of an earlier lookup, or comes when nothing of its kind is awaited.
    const Event late[] = {
        Happened(E::Found, 4, kPlayer), Happened(E::NoPlayer, 4), Happened(E::Answer, 4, kPlayer, 1),
        Happened(E::Overdue, 4),        Happened(E::NoTimer, 4),  Happened(E::Overdue, 5),
        Happened(E::NoTimer, 5)};
    for (const State& state : states) {
        for (const Event& event : late) {
            if (state.Waiting == KeyQueue::Phase::Asking && event.Query == 5) continue;  // awaited: above
            const KeyQueue::Step step = KeyQueue::Next(state, event);
            EXPECT_TRUE(step.Next == state && step.Effects.empty())
                << "phase " << static_cast<int>(state.Waiting) << ", event " << static_cast<int>(event.What);
        }
    }
}

TEST(KeyQueueTest, LimitLeftCountsFromTheAsk) {
    const struct {
        DWORD AskedAt, Now, Left;
    } cases[] = {
        {1000, 1000, 10000},
        {1000, 10999, 1},
        {1000, 11000, 0},
        {1000, 50000, 0},
        {0xFFFFFF00, 0x100, 10000 - 0x200},  // across the tick counter's wrap
    };
    for (const auto& c : cases) EXPECT_EQ(KeyQueue::LimitLeft(c.AskedAt, c.Now), c.Left) << c.Now;
}

UINT_PTR WINAPI NoTimerLeft(HWND, UINT_PTR, UINT, TIMERPROC) {
    return 0;
}
void CALLBACK Unused(HWND, UINT, ULONG_PTR, LRESULT) {}
void CALLBACK Unused(HWND, UINT, UINT_PTR, DWORD) {}

int Arms = 0;
UINT_PTR WINAPI CountedTimer(HWND hWnd, UINT_PTR id, UINT ms, TIMERPROC proc) {
    ++Arms;
    return SetTimer(hWnd, id, ms, proc);
}

// Once nothing is owed, Rest ends the limit's timer: the next query arms one anew instead of finding it
// running.
TEST(KeyQueueTest, RestEndsTheLimitOnceNothingIsOwed) {
    StandInPlayer player;
    const KeyQueue::SetTimerFn previous = KeyQueue::ArmTimer;
    KeyQueue::ArmTimer = CountedTimer;
    KeyQueue keys(Unused, Unused);
    keys.Press(KeyQueue::kPlayPause);
    keys.Rest();  // owed: kept
    keys.Press(KeyQueue::kPlayPause);
    keys.Answered(player.Hwnd(), 1, 0);  // the first one plays; the second is asked under the same timer
    const int whileOwed = Arms;
    keys.Answered(player.Hwnd(), 2, 0);
    keys.Rest();
    keys.Press(KeyQueue::kPlayPause);
    KeyQueue::ArmTimer = previous;
    EXPECT_EQ(whileOwed, 1);
    EXPECT_EQ(Arms, 2);
    keys.Answered(player.Hwnd(), 3, 0);
    keys.Rest();
}

TEST(KeyQueueTest, FailedTimerHoldsNoKeyUp) {
    StandInPlayer player;
    player.SetPlayState(1);
    DebugTrail trail;
    const KeyQueue::SetTimerFn previous = KeyQueue::ArmTimer;
    KeyQueue::ArmTimer = NoTimerLeft;
    KeyQueue keys(Unused, Unused);
    keys.Press(KeyQueue::kPlayPause);
    keys.Press(WinampMod::WinampNext);
    KeyQueue::ArmTimer = previous;
    ASSERT_TRUE(player.WaitForCommands(1));
    EXPECT_EQ(player.Commands(), (std::vector<std::pair<WPARAM, LPARAM>>{{kNext, 0}}));
    EXPECT_EQ(player.PlayStateQueries(), 0) << "no query goes out without its limit";
    EXPECT_TRUE(trail.WaitForLine(": no timer to bound the player's answer; Shift+F1 dropped"));
}

}  // namespace
