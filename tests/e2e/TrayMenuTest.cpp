#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/CorvelProcess.h"
#include "tests/support/PlayerCommands.h"
#include "tests/support/StandInPlayer.h"
#include "tests/support/WineTray.h"

namespace {

constexpr char kSettingsKey[] = "Software\\Corvel Win2K";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kTooltip[] = "Corvel Win2K/XP v1.2 By Orrindale";

void WriteSetting(const char* text) {
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_LOCAL_MACHINE, kSettingsKey, &key);
    RegSetValueExA(key, "RunOnStartup", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), lstrlenA(text) + 1);
    RegCloseKey(key);
}

std::string Lower(std::string text) {
    CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool HasTip() {
    const auto tips = TrayTips();
    return std::find(tips.begin(), tips.end(), kTooltip) != tips.end();
}

void WriteRunEntry(const std::string& command) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kRunKey, "Corvel", REG_SZ, command.c_str(),
                    static_cast<DWORD>(command.size() + 1));
}

class TrayMenuTest : public ::testing::Test {
protected:
    void SetUp() override { ClearRunOnStartup(); }
    void TearDown() override {
        Corvel.reset();
        ClearRunOnStartup();
    }
    void StartCorvel(const std::string& arguments = "") {
        Corvel = std::make_unique<CorvelProcess>(arguments);
        ASSERT_TRUE(Corvel->WaitReady());
    }
    void OpenMenu() { ASSERT_TRUE(Corvel->OpenTrayMenu()) << "the pop-up menu did not open"; }
    void ChooseRunOnStartup() { ASSERT_TRUE(Corvel->ChooseRunOnStartup()); }
    std::unique_ptr<CorvelProcess> Corvel;
};

TEST_F(TrayMenuTest, CloseEndsTheProgramAndRemovesTheIcon) {
    StartCorvel();
    ASSERT_TRUE(WaitFor(HasTip));
    OpenMenu();
    PressKey('C');
    EXPECT_TRUE(Corvel->WaitForExit());
    EXPECT_TRUE(WaitFor([] { return !HasTip(); }));
}

TEST_F(TrayMenuTest, EscClosesTheMenuAndTheKeysGoOn) {
    StandInPlayer player;
    StartCorvel();
    OpenMenu();
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([this] { return !Corvel->MenuOpen(); }));
    PressKey(VK_SHIFT, VK_F3);
    EXPECT_TRUE(player.WaitForCommand(kNext, 0));
    EXPECT_TRUE(Corvel->Running());
}

TEST_F(TrayMenuTest, ShowAndHideFollowTheWindow) {
    StartCorvel("-startup");
    const HWND window = Corvel->MainWindow();
    OpenMenu();  // its message comes after start-up: the window has had its chance to show
    ASSERT_FALSE(IsWindowVisible(window));
    PressKey('S');  // the first item reads "&Show" while the window is hidden
    // The window turns topmost before it shows and ordinary after: wait for the end of that.
    EXPECT_TRUE(WaitFor([&] {
        return IsWindowVisible(window) && !(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    })) << "shown as an ordinary window";
    OpenMenu();
    PressKey('H');  // and "&Hide" while it shows
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }));
    EXPECT_TRUE(Corvel->Running());
}

TEST_F(TrayMenuTest, RunOnStartupWritesAndRemovesTheRunEntry) {
    StartCorvel();
    EXPECT_EQ(ReadMachineValue(kSettingsKey, "RunOnStartup"), std::nullopt) << "nothing is written at start";

    // The folder lower-cased, the name as it is, always ".exe", then the switch.
    const std::string command = "\"" + Lower(TestDirectory()) + "corvel.exe\" -startup";
    // Two values written one after the other: wait for both, not for the first, then judge each.
    const auto expectStored = [](const std::string& setting, const std::optional<std::string>& runEntry) {
        WaitFor([&] {
            return ReadMachineValue(kSettingsKey, "RunOnStartup") == setting &&
                   ReadMachineValue(kRunKey, "Corvel") == runEntry;
        });
        EXPECT_EQ(ReadMachineValue(kSettingsKey, "RunOnStartup"), setting);
        EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), runEntry);
    };
    ChooseRunOnStartup();
    expectStored("True", command);

    ChooseRunOnStartup();
    expectStored("False", std::nullopt);
}

TEST_F(TrayMenuTest, StoredSettingSetsTheCheckMarkAtStart) {
    // Seen through the click: a checked item turns to "False", an unchecked one to "True".
    const std::pair<const char*, const char*> cases[] = {
        {"True", "False"}, {"False", "True"}, {"true", "True"}};
    for (const auto& [stored, afterClick] : cases) {
        WriteSetting(stored);
        WriteRunEntry("\"" + Lower(TestDirectory()) + "corvel.exe\" -startup");  // Windows 8 on asks for it
        StartCorvel();
        ChooseRunOnStartup();
        const std::string expected = afterClick;
        EXPECT_TRUE(WaitFor([&] { return ReadMachineValue(kSettingsKey, "RunOnStartup") == expected; }))
            << "stored " << stored;
        Corvel.reset();
    }
}

// Windows 8 on: Task Manager switched the entry off, leaving its mark (03, then the time) beside it.
TEST_F(TrayMenuTest, RunOnStartupSwitchedOffInTaskManagerShowsOffUntilChosen) {
    const std::string command = "\"" + Lower(TestDirectory()) + "corvel.exe\" -startup";
    const std::string switchedOff("\x03\0\0\0\x6b\x2f\x9e\x51\x3c\x55\xdb\x01", 12);
    const auto stored = [](const char* setting, const std::optional<std::string>& runEntry,
                           const std::optional<std::string>& mark) {
        return WaitFor(
            [&] {
                return ReadMachineValue(kSettingsKey, "RunOnStartup") == setting &&
                       ReadMachineValue(kRunKey, "Corvel") == runEntry && ReadStartupMark() == mark;
            },
            15000);
    };
    for (const char* version : {"win10", "win7"}) {
        const WineVersionForCorvel windows(version);
        WriteSetting("True");
        WriteRunEntry(command);
        WriteStartupMark(switchedOff);
        StartCorvel();
        if (version == std::string("win10")) {
            ChooseRunOnStartup();  // shown off: turns it on for real
            EXPECT_TRUE(stored("True", command, std::string(1, '\x02') + std::string(11, '\0')));
            ChooseRunOnStartup();  // now shown on: turns it off, with no mark left behind
            EXPECT_TRUE(stored("False", std::nullopt, std::nullopt));
        } else {
            ChooseRunOnStartup();  // Windows 7 has no such mark: the setting alone shows it on
            EXPECT_TRUE(stored("False", std::nullopt, switchedOff));
        }
        Corvel.reset();
    }
}

}  // namespace
