#include "player/WinampMod.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/DebugTrail.h"
#include "tests/support/PlayerCommands.h"
#include "tests/support/StandInPlayer.h"

namespace {

// The answers that reached this thread, with the number each query carried.
std::vector<std::pair<ULONG_PTR, LRESULT>> Answers;
void CALLBACK RecordAnswer(HWND, UINT, ULONG_PTR data, LRESULT answer) {
    Answers.emplace_back(data, answer);
}

// Handles this thread's messages, as the program's loop does, until an answer is in; false after timeoutMs.
bool PumpUntilAnswered(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (Answers.empty() && GetTickCount() - start < timeoutMs) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return !Answers.empty();
}

TEST(ReduceTitleTest, KeepsTheTextBeforeTheLastHyphenTrimmed) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"12. Artist - Title - Winamp", L"12. Artist - Title"},
        {L"A-B-C", L"A-B"},
        {L"Title Without Dash", L"Title Without Dash"},
        {L"  Padded - X", L"Padded"},
        {L"-Lead", L""},
        {L"", L""},
        {L"    ", L""},
        {L"Song \u2013 Artist", L"Song \u2013 Artist"},    // an en dash is not a hyphen
        {L"\tTabbed -", L"\tTabbed"},                      // only spaces are trimmed
        {std::wstring(L"Short - A\0\0\0", 12), L"Short"},  // a title that shrank while read
        {std::wstring(L"A\0B - C", 7), L"A"},
    };
    for (const auto& [window, title] : cases) EXPECT_EQ(WinampMod::ReduceTitle(window), title);
}

TEST(WinampModTest, NothingIsSentWithoutAPlayer) {
    ASSERT_EQ(WinampMod::FindWinamp(), nullptr);
    EXPECT_EQ(WinampMod::WinampPlay(), 0);
    EXPECT_EQ(WinampMod::WinampToggleShuffle(), 0);
    EXPECT_FALSE(WinampMod::WinampPlayState(WinampMod::FindWinamp(), RecordAnswer, 1)) << "no query goes out";
}

TEST(WinampModTest, CommandsReachThePlayerOnly) {
    StandInPlayer decoy("Winamp", "Not Winamp");
    StandInPlayer player("", "Winamp v1.x");
    EXPECT_EQ(WinampMod::FindWinamp(), player.Hwnd());
    EXPECT_NE(WinampMod::WinampPrevious(), 0);
    EXPECT_NE(WinampMod::WinampForward5Sec(), 0);
    ASSERT_TRUE(player.WaitForCommands(2));
    EXPECT_EQ(player.Commands(), (std::vector<std::pair<WPARAM, LPARAM>>{{kPrevious, 0}, {kForward, 0}}));
    EXPECT_TRUE(decoy.Commands().empty());
}

TEST(WinampModTest, UnwritableLogLeavesATrailLine) {
    constexpr char kLog[] = "C:\\SongNames.txt", kKept[] = "C:\\SongNames.txt.kept";
    MoveFileA(kLog, kKept);                        // an earlier test's log comes back afterwards
    ASSERT_TRUE(CreateDirectoryA(kLog, nullptr));  // a folder in its place: the log cannot be opened
    StandInPlayer player;
    DebugTrail trail;
    WinampMod::SaveSongTitle();
    EXPECT_TRUE(trail.WaitForLine(": song title not written to C:\\SongNames.txt (error 5)"));
    RemoveDirectoryA(kLog);
    MoveFileA(kKept, kLog);
}

// Windows' answer to a post to a player with higher rights.
BOOL WINAPI RefusedPost(HWND, UINT, WPARAM, LPARAM) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

TEST(WinampModTest, RefusedPostsLeaveOneTrailLineAndTheKeysGoOn) {
    StandInPlayer player;
    DebugTrail trail;
    WinampMod::PostToPlayer = RefusedPost;
    EXPECT_EQ(WinampMod::WinampPlay() + WinampMod::WinampNext(), 0);
    WinampMod::PostToPlayer = PostMessageA;
    EXPECT_NE(WinampMod::WinampStop(), 0);
    EXPECT_TRUE(player.WaitForCommand(kStop, 0));
    OutputDebugStringA(
        "posts done\n");  // the trail keeps the order written: every earlier line is in with it
    ASSERT_TRUE(trail.WaitForLine("posts done"));
    const auto lines = trail.Lines();
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(),
                      [](const std::string& line) {
                          return line.find(
                                     ": player command refused: the player runs with higher rights than "
                                     "corvel.exe") != std::string::npos;
                      }),
        1);
}

TEST(WinampModTest, PlayStateQueryWaitsForNoAnswer) {
    StandInPlayer player;
    player.SetPlayState(3);
    player.Hang();
    Answers.clear();
    EXPECT_TRUE(WinampMod::WinampPlayState(player.Hwnd(), RecordAnswer, 42));
    EXPECT_FALSE(PumpUntilAnswered(300)) << "a hung player cannot answer";
    player.Resume();
    ASSERT_TRUE(PumpUntilAnswered(5000));
    EXPECT_EQ(Answers, (std::vector<std::pair<ULONG_PTR, LRESULT>>{{42, 3}}));
}

}  // namespace
