#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/CorvelProcess.h"
#include "tests/support/DebugTrail.h"
#include "tests/support/PlayerCommands.h"
#include "tests/support/StandInPlayer.h"

namespace {

using Commands = std::vector<std::pair<WPARAM, LPARAM>>;
constexpr int kFirstKeyControl = 1000, kFirstRemark = 1200, kDefaultsButton = 1300;

// The legend's lines, top to bottom, and whether each is enabled.
std::vector<std::pair<std::string, bool>> Legend(HWND window) {
    std::vector<std::pair<std::string, bool>> lines;
    for (HWND child = GetWindow(window, GW_CHILD); child && lines.size() < 11;
         child = GetWindow(child, GW_HWNDNEXT))
        lines.emplace_back(TextOf(child), IsWindowEnabled(child) != FALSE);
    return lines;
}

WORD ControlKeys(HWND dialog, int row) {
    return LOWORD(SendMessageA(GetDlgItem(dialog, kFirstKeyControl + row), HKM_GETHOTKEY, 0, 0));
}

class ChosenKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearHotkeySettings();
        Player = std::make_unique<StandInPlayer>();
    }
    void TearDown() override {
        Corvel.reset();
        Player.reset();
        ClearHotkeySettings();
    }
    void StartCorvel() {
        Corvel = std::make_unique<CorvelProcess>();
        ASSERT_TRUE(Corvel->WaitReady());
        ASSERT_TRUE(WaitUntilHotkeysArmed(*Player));
    }
    // What the player got for whatever was pressed since the last call: Shift+F2 follows as the sentinel.
    Commands SinceLastLook() {
        const size_t before = Player->Commands().size();
        PressKey(VK_SHIFT, VK_F2);
        EXPECT_TRUE(Player->WaitForCommand(kStop, before)) << "the sentinel Shift+F2 did not arrive";
        const Commands all = Player->Commands();
        Commands added(all.begin() + Seen, all.end());
        added.pop_back();
        Seen = all.size();
        return added;
    }
    bool FocusOn(HWND dialog, int id) {
        return WaitFor([&] { return Corvel->Focus() == GetDlgItem(dialog, id); });
    }
    void Tab(int times) {
        for (int i = 0; i < times; ++i) PressKey(VK_TAB);
    }
    std::string LegendLine(size_t row) { return Legend(Corvel->MainWindow())[row].first; }
    bool LegendEnabled(size_t row) { return Legend(Corvel->MainWindow())[row].second; }

    std::unique_ptr<StandInPlayer> Player;
    std::unique_ptr<CorvelProcess> Corvel;
    size_t Seen = 0;
};

TEST_F(ChosenKeysTest, StoredKeysTakeThePlaceOfTheProgramsOwn) {
    WriteHotkeySetting("PlayPauseBtn", 0x0350);
    WriteHotkeySetting("Backward", 0);
    StartCorvel();
    EXPECT_EQ(LegendLine(0), "Play/Pause Hotkey: Ctrl + Alt + P");
    EXPECT_TRUE(LegendEnabled(0));
    EXPECT_EQ(LegendLine(9), "Fast Rewind: off");
    EXPECT_FALSE(LegendEnabled(9));

    PressKey(VK_CONTROL, VK_MENU, 'P');
    EXPECT_EQ(SinceLastLook(), Commands({{kPlay, 0}}));
    PressKey(VK_SHIFT, VK_F1);
    EXPECT_EQ(SinceLastLook(), Commands());

    // Ctrl+Left is the text field's again: its caret moves back by a word.
    const HWND field = CreateWindowExA(0, "EDIT", "one two three", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                       300, 80, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(field);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 13, 13);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == field; }));
    PressKey(VK_CONTROL, VK_LEFT);
    const auto caret = [&] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DWORD start = 0;
        SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
        return start;
    };
    EXPECT_TRUE(WaitFor([&] { return caret() == 8; })) << "caret at " << caret();
    EXPECT_EQ(SinceLastLook(), Commands());
    DestroyWindow(field);
}

TEST_F(ChosenKeysTest, MalformedValueKeepsTheRowsOwnKeyAndLeavesATrailLine) {
    WriteHotkeySetting("PlayPauseBtn", REG_SZ, "0x0350", 7);
    WriteHotkeySetting("StopBtn", 0x10070);
    DebugTrail trail;
    StartCorvel();
    EXPECT_TRUE(trail.WaitForLine("hot key \"PlayPauseBtn Hotkey\": setting ignored, not a REG_DWORD"));
    EXPECT_TRUE(trail.WaitForLine("hot key \"StopBtn Hotkey\": setting ignored, bits above 11 set"));
    PressKey(VK_SHIFT, VK_F1);
    EXPECT_EQ(SinceLastLook(), Commands({{kPlay, 0}}));  // and Stop is the sentinel
    EXPECT_EQ(LegendLine(0), "Play/Pause Hotkey: Shift + F1");
    EXPECT_EQ(LegendLine(1), "Stop Hotkey: Shift + F2");
}

TEST_F(ChosenKeysTest, KeyHeldAtStartIsGreyedAndTheOthersWork) {
    HotkeyHolder holder(MOD_SHIFT, VK_F3);
    ASSERT_TRUE(holder.Ready);
    StartCorvel();
    const auto legend = Legend(Corvel->MainWindow());
    ASSERT_EQ(legend.size(), 11u);
    for (size_t row = 0; row < legend.size(); ++row)
        EXPECT_EQ(legend[row].second, row != 2) << legend[row].first;
    EXPECT_EQ(legend[2].first, "Next Song Hotkey: Shift + F3");
    PressKey(VK_SHIFT, VK_F7);
    EXPECT_EQ(SinceLastLook(), Commands({{kRepeat, 0}}));

    // Let go by the other program, it is tried again when the dialog's OK applies.
    EXPECT_EQ(holder.EndAndCountPresses(), 0u);
    const HWND dialog = Corvel->OpenHotkeysDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(FocusOn(dialog, kFirstKeyControl));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    EXPECT_TRUE(LegendEnabled(2));
    PressKey(VK_SHIFT, VK_F3);
    EXPECT_EQ(SinceLastLook(), Commands({{kNext, 0}}));
}

TEST_F(ChosenKeysTest, DialogChangesTheKeysAtOnceAndTheyStay) {
    StartCorvel();
    HWND dialog = Corvel->OpenHotkeysDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(FocusOn(dialog, kFirstKeyControl));
    Tab(2);
    ASSERT_TRUE(FocusOn(dialog, kFirstKeyControl + 2));
    PressKey(VK_CONTROL, VK_MENU, 'N');
    ASSERT_TRUE(
        WaitFor([&] { return ControlKeys(dialog, 2) == MAKEWORD('N', HOTKEYF_CONTROL | HOTKEYF_ALT); }));
    Tab(8);
    ASSERT_TRUE(FocusOn(dialog, kFirstKeyControl + 10));
    PressKey(VK_BACK);  // empties it: off
    ASSERT_TRUE(WaitFor([&] { return ControlKeys(dialog, 10) == 0; }));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));

    const auto stored = [](DWORD next, DWORD forward) {
        return WaitFor(
            [&] { return ReadHotkeySetting("NextBtn") == next && ReadHotkeySetting("Forward") == forward; });
    };
    EXPECT_TRUE(stored(0x034E, 0));
    for (int start = 0; start < 2; ++start) {
        PressKey(VK_CONTROL, VK_MENU, 'N');
        EXPECT_EQ(SinceLastLook(), Commands({{kNext, 0}})) << "start " << start;
        PressKey(VK_CONTROL, VK_RIGHT);
        PressKey(VK_SHIFT, VK_F3);
        EXPECT_EQ(SinceLastLook(), Commands()) << "start " << start;
        EXPECT_EQ(LegendLine(2), "Next Song Hotkey: Ctrl + Alt + N");
        EXPECT_EQ(LegendLine(10), "Fast Forward: off");
        EXPECT_FALSE(LegendEnabled(10));
        if (start == 0) {
            Corvel.reset();
            StartCorvel();
            Seen = 0;
        }
    }

    // Defaults, then OK: the program's own keys again.
    dialog = Corvel->OpenHotkeysDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(FocusOn(dialog, kFirstKeyControl));
    PressKey(VK_SHIFT, VK_TAB);
    ASSERT_TRUE(FocusOn(dialog, kDefaultsButton));
    PressKey(VK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return ControlKeys(dialog, 2) == MAKEWORD(VK_F3, HOTKEYF_SHIFT); }));
    PressKey(VK_SHIFT, VK_TAB);
    PressKey(VK_SHIFT, VK_TAB);
    ASSERT_TRUE(FocusOn(dialog, IDOK));
    PressKey(VK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    EXPECT_TRUE(stored(0x0472, 0x0227));
    PressKey(VK_SHIFT, VK_F3);
    PressKey(VK_CONTROL, VK_RIGHT);
    EXPECT_EQ(SinceLastLook(), Commands({{kNext, 0}, {kForward, 0}}));
    EXPECT_EQ(LegendLine(2), "Next Song Hotkey: Shift + F3");
    EXPECT_TRUE(LegendEnabled(10));
}

TEST_F(ChosenKeysTest, DialogRefusesATwinAndAKeyHeldElsewhereAndCancelChangesNothing) {
    StartCorvel();
    const HWND dialog = Corvel->OpenHotkeysDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(FocusOn(dialog, kFirstKeyControl));
    // The program's keys are set aside: Shift+F3 reaches the control, not the player.
    PressKey(VK_SHIFT, VK_F3);
    ASSERT_TRUE(WaitFor([&] { return ControlKeys(dialog, 0) == MAKEWORD(VK_F3, HOTKEYF_SHIFT); }));
    PressKey(VK_RETURN);
    EXPECT_TRUE(
        WaitFor([&] { return TextOf(GetDlgItem(dialog, kFirstRemark + 2)) == "same as Play/Pause Hotkey"; }));

    PressKey(VK_CONTROL, VK_MENU, 'H');
    ASSERT_TRUE(
        WaitFor([&] { return ControlKeys(dialog, 0) == MAKEWORD('H', HOTKEYF_CONTROL | HOTKEYF_ALT); }));
    HotkeyHolder holder(MOD_CONTROL | MOD_ALT, 'H');  // takes it before OK
    ASSERT_TRUE(holder.Ready);
    PressKey(VK_RETURN);
    EXPECT_TRUE(
        WaitFor([&] { return TextOf(GetDlgItem(dialog, kFirstRemark)) == "in use by another program"; }));
    EXPECT_EQ(TextOf(GetDlgItem(dialog, kFirstRemark + 2)), "");
    EXPECT_TRUE(IsWindowVisible(dialog));

    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    PressKey(VK_SHIFT, VK_F1);
    PressKey(VK_SHIFT, VK_F3);
    EXPECT_EQ(SinceLastLook(), Commands({{kPlay, 0}, {kNext, 0}}));
    EXPECT_EQ(ReadHotkeySetting("PlayPauseBtn"), std::nullopt);
    EXPECT_EQ(LegendLine(0), "Play/Pause Hotkey: Shift + F1");
}

}  // namespace
