#include "settings/HotkeySettings.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/DebugTrail.h"

namespace {

using Combination = HotkeySettings::Combination;
constexpr char kKeysPath[] = "Software\\Corvel Win2K\\Hot Keys";

std::optional<Registry::DwordValue> Dword(DWORD number) {
    return Registry::DwordValue{REG_DWORD, number};
}

TEST(InterpretTest, TakesOnlyAKeyWithModifiersAndElseTheRowsOwn) {
    const Combination design = {MOD_SHIFT, VK_F1};
    const struct {
        std::optional<Registry::DwordValue> Stored;
        Combination Keys;
        bool Fault;
    } cases[] = {
        {std::nullopt, design, false},
        {Dword(0x0350), {MOD_CONTROL | MOD_ALT, 'P'}, false},
        {Dword(0), {0, 0}, false},
        {Dword(VK_MEDIA_PLAY_PAUSE), {0, VK_MEDIA_PLAY_PAUSE}, false},  // a key alone is allowed
        {Dword(0x0F25), {MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN, VK_LEFT}, false},
        {Registry::DwordValue{REG_SZ, 0}, design, true},
        {Registry::DwordValue{REG_NONE, 0}, design, true},  // a REG_DWORD of another size
        {Dword(0x10070), design, true},
        {Dword(0x0300), design, true},
        {Dword(0x03FF), design, true},
        {Dword(0x0410), design, true},  // Shift as the key
        {Dword(0x025B), design, true},  // the left Windows key
        {Dword(0x04A2), design, true},  // the left Ctrl
    };
    for (const auto& c : cases) {
        const HotkeySettings::Reading reading = HotkeySettings::Interpret(c.Stored, design);
        const DWORD number = c.Stored ? c.Stored->Number : 0xFFFFFFFF;
        EXPECT_EQ(reading.Keys, c.Keys) << std::hex << number;
        EXPECT_EQ(reading.Fault != nullptr, c.Fault) << std::hex << number;
        if (!c.Fault && c.Stored) {
            EXPECT_EQ(HotkeySettings::ToValue(reading.Keys), number);
        }
    }
}

TEST(EarlierTwinTest, NamesTheFirstEarlierRowWithTheSameKeys) {
    const Combination keys[] = {{MOD_SHIFT, VK_F1}, {0, 0}, {MOD_SHIFT, VK_F1}, {0, 0}, {MOD_CONTROL, VK_F1},
                                {MOD_SHIFT, VK_F1}};
    const std::optional<size_t> twins[] = {std::nullopt, std::nullopt, 0, std::nullopt, std::nullopt, 0};
    for (size_t row = 0; row < std::size(keys); ++row)
        EXPECT_EQ(HotkeySettings::EarlierTwin(keys, row), twins[row]) << "row " << row;
}

TEST(CombinationTextTest, ModifiersInOrderThenTheKey) {
    const std::pair<Combination, std::wstring> cases[] = {
        {{MOD_SHIFT, VK_F1}, L"Shift + F1"},
        {{MOD_SHIFT, VK_F10}, L"Shift + F10"},
        {{MOD_CONTROL, VK_LEFT}, L"Ctrl + Left"},
        {{MOD_CONTROL, VK_RIGHT}, L"Ctrl + Right"},
        {{MOD_SHIFT | MOD_ALT | MOD_CONTROL, 'P'}, L"Ctrl + Alt + Shift + P"},
        {{MOD_WIN | MOD_SHIFT, VK_F24}, L"Shift + Win + F24"},
        {{MOD_ALT, '7'}, L"Alt + 7"},
        {{0, VK_UP}, L"Up"},
        {{0, VK_DOWN}, L"Down"},
        {{0, VK_MEDIA_PLAY_PAUSE}, L"Media Play/Pause"},
        {{0, VK_MEDIA_STOP}, L"Media Stop"},
        {{MOD_CONTROL, VK_MEDIA_NEXT_TRACK}, L"Ctrl + Media Next"},
        {{0, VK_MEDIA_PREV_TRACK}, L"Media Previous"},
        {{MOD_ALT, VK_HOME}, L"Alt + Home"},   // by the name Windows gives it, not the number pad's
        {{MOD_ALT, 0xE8}, L"Alt + Key 0xE8"},  // no key of the layout
        {{MOD_SHIFT, 0}, L"off"},
    };
    for (const auto& [keys, text] : cases) EXPECT_EQ(HotkeySettings::CombinationText(keys), text);
}

class HotkeySettingsTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, kKeysPath); }
    void TearDown() override { SetUp(); }
};

TEST_F(HotkeySettingsTest, SavedKeysLoadBackAndAFaultOrTwinIsTrailed) {
    const char* const names[] = {"PlayPauseBtn Hotkey", "StopBtn Hotkey", "Backward Hotkey"};
    const Combination design[] = {{MOD_SHIFT, VK_F1}, {MOD_SHIFT, VK_F2}, {MOD_CONTROL, VK_LEFT}};
    const Combination saved[] = {{MOD_CONTROL | MOD_ALT, 'P'}, {0, 0}, {MOD_SHIFT, VK_F1}};
    ASSERT_TRUE(HotkeySettings::Save(names, saved, 3));
    Combination loaded[3];
    {
        DebugTrail trail;
        HotkeySettings::Load(names, design, 3, loaded);
        EXPECT_EQ(loaded[0], saved[0]);
        EXPECT_EQ(loaded[1], Combination{});
        EXPECT_EQ(loaded[2], saved[2]) << "no twin of an earlier row";
    }
    // A string for the first row: its own key, which the third row names too and so loses.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, kKeysPath, &key), ERROR_SUCCESS);
    RegSetValueExA(key, "PlayPauseBtn", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    RegCloseKey(key);
    DebugTrail trail;
    HotkeySettings::Load(names, design, 3, loaded);
    EXPECT_EQ(loaded[0], design[0]);
    EXPECT_EQ(loaded[2], Combination{});
    EXPECT_TRUE(trail.WaitForLine("hot key \"PlayPauseBtn Hotkey\": setting ignored, not a REG_DWORD"));
    EXPECT_TRUE(trail.WaitForLine("hot key \"Backward Hotkey\": off, an earlier row has its combination"));
}

TEST(HotkeyControlValueTest, ConvertsTheControlsFlagsBothWays) {
    using Win::Keyboard::Combination;
    const std::pair<Combination, WORD> cases[] = {
        {{MOD_SHIFT, VK_F1}, MAKEWORD(VK_F1, HOTKEYF_SHIFT)},
        {{MOD_CONTROL, VK_LEFT}, MAKEWORD(VK_LEFT, HOTKEYF_CONTROL | HOTKEYF_EXT)},
        {{MOD_CONTROL | MOD_ALT, 'N'}, MAKEWORD('N', HOTKEYF_CONTROL | HOTKEYF_ALT)},
        {{0, VK_MEDIA_PLAY_PAUSE}, MAKEWORD(VK_MEDIA_PLAY_PAUSE, 0)},
        {{0, 0}, 0},
    };
    for (const auto& [keys, value] : cases) {
        EXPECT_EQ(Win::Keyboard::ToHotkeyControl(keys), value) << keys.Key;
        EXPECT_EQ(Win::Keyboard::FromHotkeyControl(value), keys) << keys.Key;
    }
    // The control has no Windows key: the combination comes back without it.
    const WORD withWin = Win::Keyboard::ToHotkeyControl({MOD_WIN | MOD_ALT, 'W'});
    EXPECT_EQ(Win::Keyboard::FromHotkeyControl(withWin), (Combination{MOD_ALT, 'W'}));
}

}  // namespace
