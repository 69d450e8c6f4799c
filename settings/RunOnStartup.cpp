#include "settings/RunOnStartup.h"

#include "settings/ProgramNames.h"
#include "settings/Registry.h"
#include "win/Application.h"
#include "win/FileSecurity.h"

namespace {

using ProgramNames::kRunKey;
using ProgramNames::kRunValue;
using ProgramNames::kSettingsKey;
using ProgramNames::kSettingValue;
using ProgramNames::kStartupMarkKey;
using ProgramNames::kStartupMarkKey32;

// Task Manager's Startup tab (and Windows 11's Settings) keep a mark beside the Run entry.
constexpr unsigned kMarkSize = 12;  // a first byte for the state, then a time
// The value has the Run value's name; 3 or 7 first, the time it was switched off after, mean disabled.
constexpr char kDisabledStates[] = {3, 7};
constexpr char kEnabledState = 2;  // written with a time of zeros

struct MarkPlace {
    const wchar_t* Key;
    REGSAM View;
};

// Windows 8 is 6.2; 8.1, 10 and 11 report 6.2 too, as the program's manifest names none of them.
bool HasStartupMarks() {
    return Win::Application::WindowsAtLeast(6, 2);
}

MarkPlace StartupMarkPlace() {
    // This 32-bit program writes its Run entry into the 32-bit view of 64-bit Windows.
    if (Win::Application::UnderWow64()) return {kStartupMarkKey32, KEY_WOW64_64KEY};
    return {kStartupMarkKey, 0};
}

// First when turning on: an enabled mark means what no mark means, so a later failure leaves no harm behind.
bool ApproveStartup() {
    if (!HasStartupMarks()) return true;
    const MarkPlace place = StartupMarkPlace();
    std::string enabled(kMarkSize, '\0');
    enabled[0] = kEnabledState;
    return Registry::SaveBinaryValue(HKEY_LOCAL_MACHINE, place.Key, kRunValue, enabled, place.View);
}

// Last when turning off: the entry is gone by then, and a mark left behind would keep a later copy's entry
// switched off. A failure leaves a line in the trail and changes nothing else.
void ForgetStartupMark() {
    if (!HasStartupMarks()) return;
    const MarkPlace place = StartupMarkPlace();
    if (!Registry::DeleteValueIn(HKEY_LOCAL_MACHINE, place.Key, kRunValue, place.View))
        Win::Application::Trace("Task Manager's startup mark not removed (error %lu)", GetLastError());
}

// Windows runs the entry as everyone who logs on, administrators too: so only for a copy that nobody else
// can replace, nor plant a DLL beside, nor move away with a folder above it. The file checked is the running
// copy, and the entry names that same file.
bool WriteRunEntry(bool bEnabled, const std::wstring& file) {
    if (!bEnabled) return RunOnStartup::Access.Delete(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
    return RunOnStartup::Access.Save(HKEY_LOCAL_MACHINE, kRunKey, kRunValue,
                                     RunOnStartup::StartCommand(file));
}

}  // namespace

namespace RunOnStartup {

RegistryAccess Access = {Registry::GetStringValue, Registry::SaveStringValue, Registry::DeleteValue};

std::wstring BoolToText(bool value) {
    return value ? L"True" : L"False";
}

std::optional<bool> TextToBool(std::wstring_view text) {
    if (text == L"True") return true;
    if (text == L"False") return false;
    return std::nullopt;
}

std::optional<bool> StoredSetting() {
    int errorFlag = 0;  // a missing value reads as empty text, which sets nothing
    return TextToBool(Access.Get(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingValue, errorFlag));
}

std::optional<bool> ShownSetting() {
    const std::optional<bool> stored = StoredSetting();
    if (!stored || !*stored || !HasStartupMarks()) return stored;
    // From Windows 8 on, Task Manager can switch the entry off, and another copy may have written it since.
    const MarkPlace place = StartupMarkPlace();
    const auto entry = Registry::GetRawValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, 0);
    return entry && NamesCopy(Registry::RawText(*entry), Win::Application::FilePath()) &&
           !MarkSaysDisabled(Registry::GetRawValue(HKEY_LOCAL_MACHINE, place.Key, kRunValue, place.View));
}

bool MarkSaysDisabled(const std::optional<Registry::RawValue>& mark) {
    // Any other shape reads as enabled, as Windows reads it.
    if (!mark || mark->Type != REG_BINARY || mark->Bytes.size() != kMarkSize) return false;
    for (const char state : kDisabledStates)
        if (mark->Bytes[0] == state) return true;
    return false;
}

bool NamesCopy(std::wstring_view runEntry, std::wstring_view filePath) {
    // The program's own entry quotes the file; its case is the file system's business.
    if (runEntry.size() < 2 || runEntry[0] != L'"') return false;
    const size_t close = runEntry.find(L'"', 1);
    if (close == std::wstring_view::npos) return false;
    const std::wstring named(runEntry.substr(1, close - 1));
    return Win::Application::LCase(named) == Win::Application::LCase(std::wstring(filePath));
}

bool Apply(bool bEnabled) {
    const std::wstring file = Win::Application::FilePath();
    // An entry written before stays, and turning off still removes it.
    if (bEnabled && !Win::FileSecurity::OnlyAdministratorsCanChangeProgram(file)) {
        SetLastError(kUnsafeCopy);
        return false;
    }
    if (bEnabled && !ApproveStartup()) return false;
    int missing = 0;
    const std::wstring previous = Access.Get(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingValue, missing);
    if (!Access.Save(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingValue, BoolToText(bEnabled))) return false;
    if (WriteRunEntry(bEnabled, file)) {
        if (!bEnabled) ForgetStartupMark();
        return true;
    }
    // The setting never claims what the Run key does not hold: it goes back, and the first failure is told.
    const DWORD error = GetLastError();
    if (missing)
        Access.Delete(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingValue);
    else
        Access.Save(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingValue, previous);
    SetLastError(error);
    return false;
}

bool Toggle(bool bChecked) {
    // The check mark never shows what the registry does not hold.
    return Apply(!bChecked) ? !bChecked : bChecked;
}

std::wstring StartCommand(std::wstring_view file) {
    // The folder lower-cased as it always was; the name as it stands, so that it is the file that was
    // checked.
    const size_t name = file.find_last_of(L'\\') + 1;  // 0 without a folder
    return L"\"" + Win::Application::LCase(std::wstring(file.substr(0, name))) +
           std::wstring(file.substr(name)) + L"\" " + kStartupSwitch;
}

}  // namespace RunOnStartup
