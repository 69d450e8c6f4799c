#include "player/WinampMod.h"

#include <gtest/gtest.h>

#include "tests/support/DebugTrail.h"
#include "tests/support/PlayerCommands.h"
#include "tests/support/StandInPlayer.h"

namespace {

TEST(ReduceTitleTest, KeepsTheTextBeforeTheLastHyphenTrimmed) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"12. Artist - Title - Winamp", L"12. Artist - Title"},
        {L"A-B-C", L"A-B"},
        {L"Title Without Dash", L"Title Without Dash"},
        {L"  Padded - X", L"Padded"},
        {L"-Lead", L""},
        {L"", L""},
        {L"    ", L""},
        {L"Song \u2013 Artist", L"Song \u2013 Artist"},  // an en dash is not a hyphen
        {L"\tTabbed -", L"\tTabbed"},                    // only spaces are trimmed
        {std::wstring(L"Short - A\0\0\0", 12), L"Short"},  // a title that shrank while read
        {std::wstring(L"A\0B - C", 7), L"A"},
    };
    for (const auto& [window, title] : cases) EXPECT_EQ(WinampMod::ReduceTitle(window), title);
}

TEST(WinampModTest, NothingIsSentWithoutAPlayer) {
    ASSERT_EQ(WinampMod::FindWinamp(), nullptr);
    EXPECT_EQ(WinampMod::WinampPlay(), 0);
    EXPECT_EQ(WinampMod::WinampToggleShuffle(), 0);
    EXPECT_EQ(WinampMod::WinampPlayState(), std::optional<LONG>(0));
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
    player.SetPlayState(3);
    EXPECT_EQ(WinampMod::WinampPlayState(), std::optional<LONG>(3));
}

TEST(WinampModTest, UnwritableLogLeavesATrailLine) {
    constexpr char kLog[] = "C:\\SongNames.txt", kKept[] = "C:\\SongNames.txt.kept";
    MoveFileA(kLog, kKept);  // an earlier test's log comes back afterwards
    ASSERT_TRUE(CreateDirectoryA(kLog, nullptr));  // a folder in its place: the log cannot be opened
    StandInPlayer player;
    DebugTrail trail;
    WinampMod::SaveSongTitle();
    EXPECT_TRUE(trail.WaitForLine(": song title not written to C:\\SongNames.txt (error 5)"));
    RemoveDirectoryA(kLog);
    MoveFileA(kKept, kLog);
}

TEST(WinampModTest, HungPlayerAnswersNothing) {
    StandInPlayer player;
    player.SetPlayState(1);
    player.Hang();
    EXPECT_EQ(WinampMod::WinampPlayState(), std::nullopt);
    player.Resume();
}

}  // namespace
