#include "settings/HotkeySettings.h"

#include <cstring>
#include <cwchar>

#include "win/Ansi.h"
#include "win/Application.h"

namespace {

constexpr char kAtomSuffix[] = " Hotkey";
constexpr wchar_t kOff[] = L"off";
constexpr DWORD kValueBits = 0xFFF;

bool IsModifierKey(UINT key) {
    switch (key) {
        case VK_SHIFT:
        case VK_CONTROL:
        case VK_MENU:
        case VK_LWIN:
        case VK_RWIN:
        case VK_LSHIFT:
        case VK_RSHIFT:
        case VK_LCONTROL:
        case VK_RCONTROL:
        case VK_LMENU:
        case VK_RMENU:
            return true;
        default:
            return false;
    }
}

wchar_t* Append(wchar_t* out, const wchar_t* text) {
    const size_t length = std::wcslen(text);
    std::memcpy(out, text, length * sizeof(wchar_t));
    return out + length;
}

// Appends the key's text; a buffer, not std::wstring's operators, keeps the program small.
wchar_t* AppendKeyText(UINT key, wchar_t* out) {
    const wchar_t* named = nullptr;
    switch (key) {
        case VK_LEFT:
            named = L"Left";
            break;
        case VK_RIGHT:
            named = L"Right";
            break;
        case VK_UP:
            named = L"Up";
            break;
        case VK_DOWN:
            named = L"Down";
            break;
        case VK_MEDIA_PLAY_PAUSE:
            named = L"Media Play/Pause";
            break;
        case VK_MEDIA_STOP:
            named = L"Media Stop";
            break;
        case VK_MEDIA_NEXT_TRACK:
            named = L"Media Next";
            break;
        case VK_MEDIA_PREV_TRACK:
            named = L"Media Previous";
            break;
        default:
            break;
    }
    if (named) return Append(out, named);
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
        *out++ = static_cast<wchar_t>(key);
        return out;
    }
    if (key >= VK_F1 && key <= VK_F24) {
        const UINT number = key - VK_F1 + 1;
        *out++ = L'F';
        if (number >= 10) *out++ = static_cast<wchar_t>(L'0' + number / 10);
        *out++ = static_cast<wchar_t>(L'0' + number % 10);
        return out;
    }
    const std::wstring windowsName = Win::Keyboard::KeyName(key);
    if (!windowsName.empty()) return Append(out, windowsName.substr(0, 40).c_str());
    const wchar_t digits[] = L"0123456789ABCDEF";
    out = Append(out, L"Key 0x");
    *out++ = digits[(key >> 4) & 0xF];
    *out++ = digits[key & 0xF];
    return out;
}

}  // namespace

namespace HotkeySettings {

Reading Interpret(const std::optional<Registry::DwordValue>& stored, Combination design) {
    if (!stored) return {design, nullptr};
    if (stored->Type != REG_DWORD) return {design, "not a REG_DWORD"};
    const DWORD value = stored->Number;
    if (value == 0) return {{}, nullptr};
    if (value & ~kValueBits) return {design, "bits above 11 set"};
    const UINT key = value & 0xFF;
    if (key == 0 || key == 0xFF) return {design, "no virtual key"};
    if (IsModifierKey(key)) return {design, "a modifier key as the key"};
    return {{(value >> 8) & 0xF, key}, nullptr};
}

DWORD ToValue(Combination keys) {
    return keys.Key == 0 ? 0 : (keys.Modifiers & 0xF) << 8 | (keys.Key & 0xFF);
}

std::wstring ValueName(std::string_view atomName) {
    const std::string_view suffix = kAtomSuffix;
    if (atomName.size() >= suffix.size() && atomName.substr(atomName.size() - suffix.size()) == suffix)
        atomName.remove_suffix(suffix.size());
    return Win::Ansi::ToWide(std::string(atomName));
}

std::optional<size_t> EarlierTwin(const Combination* keys, size_t row) {
    if (keys[row].Key == 0) return {};
    for (size_t earlier = 0; earlier < row; ++earlier)
        if (keys[earlier] == keys[row]) return earlier;
    return {};
}

void Load(const char* const* atomNames, const Combination* design, size_t count, Combination* keys) {
    // Opened once for every row: most users have no such key, and each opening is a call into Windows.
    const Win::UniqueHKey key = Registry::OpenKey(HKEY_CURRENT_USER, kKeysKey);
    for (size_t row = 0; row < count; ++row) {
        const auto stored = Registry::QueryDwordValue(key.Get(), ValueName(atomNames[row]));
        const Reading reading = Interpret(stored, design[row]);
        if (reading.Fault)
            Win::Application::Trace("hot key \"%s\": setting ignored, %s", atomNames[row], reading.Fault);
        keys[row] = reading.Keys;
    }
    // The first row keeps a combination that two rows name.
    for (size_t row = 0; row < count; ++row) {
        if (!EarlierTwin(keys, row)) continue;
        Win::Application::Trace("hot key \"%s\": off, an earlier row has its combination", atomNames[row]);
        keys[row] = {};
    }
}

bool Save(const char* const* atomNames, const Combination* keys, size_t count) {
    for (size_t row = 0; row < count; ++row)
        if (!Registry::SaveDwordValue(HKEY_CURRENT_USER, kKeysKey, ValueName(atomNames[row]),
                                      ToValue(keys[row])))
            return false;
    return true;
}

std::wstring CombinationText(Combination keys) {
    if (keys.Key == 0) return kOff;
    wchar_t text[80];
    wchar_t* end = text;
    const struct {
        UINT Flag;
        const wchar_t* Name;
    } modifiers[] = {
        {MOD_CONTROL, L"Ctrl + "}, {MOD_ALT, L"Alt + "}, {MOD_SHIFT, L"Shift + "}, {MOD_WIN, L"Win + "}};
    for (const auto& modifier : modifiers)
        if (keys.Modifiers & modifier.Flag) end = Append(end, modifier.Name);
    end = AppendKeyText(keys.Key, end);
    return std::wstring(text, end);
}

}  // namespace HotkeySettings
