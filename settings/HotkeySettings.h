#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "settings/Registry.h"
#include "win/Keyboard.h"

// The user's hot keys: one REG_DWORD per row under HKEY_CURRENT_USER, the virtual key in bits 0-7 and
// RegisterHotKey's modifiers in bits 8-11; 0 turns the row's key off, and no value keeps the program's own
// key.
namespace HotkeySettings {

using Combination = Win::Keyboard::Combination;  // a Key of 0 is off

inline constexpr wchar_t kKeysKey[] = L"Software\\Corvel Win2K\\Hot Keys";

// What a stored value gives a row, and why the row's own key stands instead (null when it does not).
struct Reading {
    Combination Keys;
    const char* Fault;
};
Reading Interpret(const std::optional<Registry::DwordValue>& stored, Combination design);
DWORD ToValue(Combination keys);
// A row's value name: its atom name without " Hotkey".
std::wstring ValueName(std::string_view atomName);
// The first earlier row with the same combination; none for an off row.
std::optional<size_t> EarlierTwin(const Combination* keys, size_t row);
// Every row's stored combination into keys, from each row's atom name and own key; a fault or a twin leaves
// a trail line, and nothing is written back.
void Load(const char* const* atomNames, const Combination* design, size_t count, Combination* keys);
// True when every row was written; else GetLastError says why.
bool Save(const char* const* atomNames, const Combination* keys, size_t count);

// "Ctrl + Alt + P", "Shift + F1", "off": modifiers in the order Ctrl, Alt, Shift, Win, then the key.
std::wstring CombinationText(Combination keys);

}  // namespace HotkeySettings
