#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "tests/support/CorvelProcess.h"
#include "tests/support/DebugTrail.h"
#include "tests/support/PlayerCommands.h"
#include "tests/support/StandInPlayer.h"

namespace {

constexpr char kLog[] = "C:\\SongNames.txt";
constexpr char kAppTitle[] = "Corvel Win2K/XP Edition";
using Commands = std::vector<std::pair<WPARAM, LPARAM>>;

std::string ReadLog() {
    std::ifstream in(kLog, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool LogExists() {
    return GetFileAttributesA(kLog) != INVALID_FILE_ATTRIBUTES;
}

void RemoveLog() {
    DeleteFileA(kLog);
    RemoveDirectoryA(kLog);
}

class HotkeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveLog();
        Player = std::make_unique<StandInPlayer>();
    }
    void TearDown() override {
        Corvel.reset();
        Player.reset();
        RemoveLog();
    }
    void StartCorvel(const std::string& arguments = "") {
        Corvel = std::make_unique<CorvelProcess>(arguments);
        ASSERT_TRUE(Corvel->WaitReady());
        ASSERT_TRUE(HotkeysArmed());
    }
    bool HotkeysArmed() {
        if (Player) return WaitUntilHotkeysArmed(*Player);
        StandInPlayer probe;
        return WaitUntilHotkeysArmed(probe);
    }
    // Stop is the sentinel: once it has arrived, every earlier key has been handled.
    Commands PressThenStop(UINT modifier, UINT key) {
        const size_t before = Player->Commands().size();
        PressKey(modifier, key);
        PressKey(VK_SHIFT, VK_F2);
        EXPECT_TRUE(Player->WaitForCommand(kStop, before)) << "the sentinel Shift+F2 did not arrive";
        Commands all = Player->Commands();
        Commands added(all.begin() + before, all.end());
        if (!added.empty() && added.back() == std::make_pair(kStop, LPARAM(0))) added.pop_back();
        return added;
    }
    // Appends one title through Shift+F10 and returns the bytes it added to the log.
    std::string SaveTitle(const std::string& title) {
        Player->SetTitle(title);
        const std::string before = ReadLog();
        PressKey(VK_SHIFT, VK_F10);
        EXPECT_TRUE(WaitFor([&] {
            const std::string now = ReadLog();
            return now.size() > before.size() && now.back() == '\n';
        }));
        const std::string after = ReadLog();
        EXPECT_EQ(after.substr(0, before.size()), before);
        return after.substr(before.size());
    }

    std::unique_ptr<StandInPlayer> Player;
    std::unique_ptr<CorvelProcess> Corvel;
};

TEST_F(HotkeysTest, EachKeyPostsItsCommand) {
    StartCorvel();
    const struct {
        UINT Modifier, Key;
        WPARAM Command;
    } rows[] = {{VK_SHIFT, VK_F3, kNext},         {VK_SHIFT, VK_F4, kPrevious},
                {VK_SHIFT, VK_F5, kForward},      {VK_SHIFT, VK_F6, kBackward},
                {VK_SHIFT, VK_F7, kRepeat},       {VK_SHIFT, VK_F8, kShuffle},
                {VK_CONTROL, VK_LEFT, kBackward}, {VK_CONTROL, VK_RIGHT, kForward}};
    for (const auto& row : rows) {
        EXPECT_EQ(PressThenStop(row.Modifier, row.Key), Commands({{row.Command, 0}})) << "key " << row.Key;
    }
    EXPECT_EQ(PressThenStop(VK_SHIFT, VK_F9), Commands()) << "Shift+F9 is not a hot key";
}

TEST_F(HotkeysTest, PlayPauseFollowsThePlayState) {
    StartCorvel();
    const struct {
        LONG State;
        int Queries;
        Commands Posted;
    } rows[] = {
        {0, 1, {{kPlay, 0}}}, {1, 2, {{kPause, 0}}}, {2, 3, {{kPlay, 0}}}, {3, 4, {{kPlay, 0}}}, {7, 4, {}}};
    for (const auto& row : rows) {
        Player->SetPlayState(row.State);
        const int queriesBefore = Player->PlayStateQueries();
        EXPECT_EQ(PressThenStop(VK_SHIFT, VK_F1), row.Posted) << "state " << row.State;
        EXPECT_EQ(Player->PlayStateQueries() - queriesBefore, row.Queries) << "state " << row.State;
    }
}

TEST_F(HotkeysTest, WithoutPlayerNothingIsPostedAndNoLogIsCreated) {
    Player.reset();
    StartCorvel();
    for (UINT key : {VK_F1, VK_F2, VK_F3, VK_F10}) PressKey(VK_SHIFT, key);
    PressKey(VK_CONTROL, VK_LEFT);
    // Posted behind the keys' messages: once the window has hidden, every key has been handled.
    PostMessageA(Corvel->MainWindow(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([this] { return !IsWindowVisible(Corvel->MainWindow()); }));
    Player = std::make_unique<StandInPlayer>();
    EXPECT_EQ(PressThenStop(VK_SHIFT, VK_F3), Commands({{kNext, 0}}));
    EXPECT_FALSE(LogExists());
    EXPECT_TRUE(Corvel->Running());
}

TEST_F(HotkeysTest, HungPlayerDoesNotFreezeTheProgram) {
    StartCorvel();
    Player->SetPlayState(1);
    Player->Hang();
    PressKey(VK_SHIFT, VK_F1);
    PressKey(VK_SHIFT, VK_F10);
    PressKey(VK_SHIFT, VK_F2);
    // The title is the one at the press, read without waiting for the player.
    ASSERT_TRUE(WaitFor([] { return !ReadLog().empty(); }));
    EXPECT_EQ(ReadLog(), "1. Artist - Song\r\n");
    // Back within the limit: the play/pause decision gets its answers and goes first.
    Player->Resume();
    ASSERT_TRUE(Player->WaitForCommands(2));
    EXPECT_EQ(Player->Commands(), Commands({{kPause, 0}, {kStop, 0}}));
}

TEST_F(HotkeysTest, SlowPlayerGetsEveryKeyInOrder) {
    StartCorvel();
    Player->SetPlayState(1);
    Player->SetAnswerDelay(1500);
    PressKey(VK_SHIFT, VK_F1);
    ASSERT_TRUE(WaitFor([this] { return Player->PlayStateQueries() == 1; }));
    for (UINT key : {VK_F3, VK_F1, VK_F2}) PressKey(VK_SHIFT, key);
    ASSERT_TRUE(Player->WaitForCommands(4, 30000));
    EXPECT_EQ(Player->Commands(), Commands({{kPause, 0}, {kNext, 0}, {kPause, 0}, {kStop, 0}}));
    EXPECT_EQ(Player->PlayStateQueries(), 4);
}

TEST_F(HotkeysTest, PlayerSilentPastTheLimitLosesOnlyThePlayPause) {
    StartCorvel("-startup");
    DebugTrail trail;
    Player->SetPlayState(1);
    Player->SetAnswerDelay(12000);
    PressKey(VK_SHIFT, VK_F1);
    ASSERT_TRUE(WaitFor([this] { return Player->PlayStateQueries() == 1; }));
    // The second Shift+F1 finds the player still silent past the limit: it is not asked again.
    for (UINT key : {VK_F3, VK_F1, VK_F2}) PressKey(VK_SHIFT, key);
    // Meanwhile the program goes on: a double-click on its tray icon, as the shell reports it, shows it.
    const HWND window = Corvel->MainWindow();
    PostMessageA(window, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }));
    ASSERT_TRUE(Player->WaitForCommand(kStop, 0, 30000));
    EXPECT_TRUE(trail.WaitForLine(": the player gave no play state in 10 seconds; Shift+F1 dropped"));
    // Its late answer brings nothing, and it is asked again: a command the answer caused would come first.
    Player->SetAnswerDelay(0);
    PressKey(VK_SHIFT, VK_F1);
    ASSERT_TRUE(Player->WaitForCommand(kPause, 0));
    EXPECT_EQ(Player->Commands(), Commands({{kNext, 0}, {kStop, 0}, {kPause, 0}}));
    EXPECT_EQ(Player->PlayStateQueries(), 3);
}

// One timer bounds every query: one asked while it runs for an earlier, answered query still has its whole
// limit, counted from its own send, not what was left of the earlier one's.
TEST_F(HotkeysTest, QueryAskedLaterHasItsWholeLimit) {
    StartCorvel();
    DebugTrail trail;
    PressKey(VK_SHIFT, VK_F1);
    ASSERT_TRUE(Player->WaitForCommand(kPlay, 0));
    Sleep(5000);  // the timer armed for that query runs on: time itself is what this test is about
    Player->SetAnswerDelay(7000);  // ends past the first query's limit, well within its own
    PressKey(VK_SHIFT, VK_F1);
    PressKey(VK_SHIFT, VK_F2);
    ASSERT_TRUE(Player->WaitForCommand(kStop, 0, 30000));
    EXPECT_EQ(Player->Commands(), Commands({{kPlay, 0}, {kPlay, 0}, {kStop, 0}}));
    for (const std::string& line : trail.Lines()) EXPECT_EQ(line.find("dropped"), std::string::npos) << line;
}

TEST_F(HotkeysTest, SecondStartIsRefused) {
    StartCorvel();
    CorvelProcess second;
    const HWND box = second.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(box), kAppTitle);
    EXPECT_EQ(MessageBoxText(box), "Corvel Win2K/XP Edition is already running.");
    EXPECT_EQ(second.MainWindow(), nullptr);
    PressOk(box);
    EXPECT_TRUE(second.WaitForExit());
    EXPECT_TRUE(Corvel->Running());
    EXPECT_NE(Corvel->MainWindow(), nullptr);
    EXPECT_EQ(PressThenStop(VK_SHIFT, VK_F3), Commands({{kNext, 0}}));
}

TEST_F(HotkeysTest, KeyHeldByAnotherProgramIsLeftToIt) {
    HotkeyHolder holder(MOD_SHIFT, VK_F3);
    ASSERT_TRUE(holder.Ready);
    StartCorvel();
    EXPECT_EQ(PressThenStop(VK_SHIFT, VK_F3), Commands());
    EXPECT_EQ(PressThenStop(VK_SHIFT, VK_F4), Commands({{kPrevious, 0}}));
    EXPECT_EQ(FindProcessWindow(Corvel->Id(), "#32770"), nullptr);
    EXPECT_EQ(holder.EndAndCountPresses(), 1u) << "the holder keeps its combination";
}

TEST_F(HotkeysTest, KeyHeldByAnotherProgramLeavesATrailLine) {
    HotkeyHolder holder(MOD_SHIFT, VK_F3);
    ASSERT_TRUE(holder.Ready);
    DebugTrail trail;
    StartCorvel();
    EXPECT_TRUE(
        trail.WaitForLine("corvel: hot key \"NextBtn Hotkey\" not registered: another program holds it"));
}

TEST_F(HotkeysTest, SongTitlesAreAppended) {
    {
        std::ofstream earlier(kLog, std::ios::binary);
        earlier << "earlier line\r\nno line end";
    }
    StartCorvel();
    const std::pair<std::string, std::string> examples[] = {
        {"12. Artist - Title - Winamp", "12. Artist - Title"},
        {"A-B-C", "A-B"},
        {"Title Without Dash", "Title Without Dash"},
        {"  Padded - X", "Padded"},
        {"-Lead", ""},
        {"", ""},
        {"   ", ""},
        {"Caf\xE9 \x96 Song", "Caf\xE9 \x96 Song"},  // an en dash is not a hyphen
    };
    for (const auto& [title, line] : examples) EXPECT_EQ(SaveTitle(title), line + "\r\n") << title;
    EXPECT_EQ(SaveTitle("Same - Winamp"), "Same\r\n");
    EXPECT_EQ(SaveTitle("Same - Winamp"), "Same\r\n");
    EXPECT_EQ(ReadLog().substr(0, 25), "earlier line\r\nno line end");
}

TEST_F(HotkeysTest, LongTitleIsWrittenWhole) {
    StartCorvel();
    const std::string song(12000, 'x');
    EXPECT_EQ(SaveTitle(song + " - Winamp"), song + "\r\n");
}

TEST_F(HotkeysTest, UnwritableLogLeavesTheProgramRunning) {
    ASSERT_TRUE(CreateDirectoryA(kLog, nullptr));
    StartCorvel();
    EXPECT_EQ(PressThenStop(VK_SHIFT, VK_F10), Commands());
    EXPECT_TRUE(Corvel->Running());
    EXPECT_EQ(PressThenStop(VK_SHIFT, VK_F3), Commands({{kNext, 0}}));
}

// Wine reports Windows NT 4.0 to a program named in its AppDefaults.
class OldSystemTest : public ::testing::Test {
protected:
    static constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults\\corvel.exe";
    void SetUp() override {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kAppDefaults, &key), ERROR_SUCCESS);
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("nt40"), 5);
        RegCloseKey(key);
    }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaults); }
};

TEST_F(OldSystemTest, OldSystemIsRefused) {
    CorvelProcess corvel;
    const HWND box = corvel.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TextOf(box), kAppTitle);
    EXPECT_EQ(MessageBoxText(box),
              "Corvel Win2K/XP Edition is not compatible with earlier operating systems.");
    EXPECT_EQ(corvel.MainWindow(), nullptr);
    // No hot key exists: the combination is free for anyone.
    EXPECT_TRUE(RegisterHotKey(nullptr, 1, MOD_SHIFT, VK_F1));
    UnregisterHotKey(nullptr, 1);
    PressOk(box);
    EXPECT_TRUE(corvel.WaitForExit());
}

}  // namespace
