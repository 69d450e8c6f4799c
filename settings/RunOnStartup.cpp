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

std::wstring WithBackslash(std::wstring folder) {
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

// Windows runs the entry as everyone who logs on, administrators too: so only for a copy that nobody else
// can replace, nor plant a DLL beside, nor give such rights. The file checked is the one the entry names.
bool CopyIsProtected() {
    using namespace Win::FileSecurity;
    const std::wstring folder = Win::Application::Path();
    const bool admin = RunningUserIsAdministrator();
    return OnlyAdministratorsCanChange(Read(WithBackslash(folder) + Win::Application::ExeName() + L".exe"),
                                       admin) &&
           OnlyAdministratorsCanChange(Read(folder), admin);
}

bool WriteRunEntry(bool bEnabled) {
    const std::wstring key = kRunKey, value = kRunValue;  // once for either call
    if (!bEnabled) return RunOnStartup::Access.Delete(HKEY_LOCAL_MACHINE, key, value);
    const std::wstring command =
        RunOnStartup::StartCommand(Win::Application::Path(), Win::Application::ExeName());
    return RunOnStartup::Access.Save(HKEY_LOCAL_MACHINE, key, value, command);
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

bool Apply(bool bEnabled) {
    if (bEnabled && !CopyIsProtected()) {  // an entry written before stays, and turning off still removes it
        SetLastError(kUnsafeCopy);
        return false;
    }
    const std::wstring key = kSettingsKey, value = kSettingValue;  // once for all the calls below
    int missing = 0;
    const std::wstring previous = Access.Get(HKEY_LOCAL_MACHINE, key, value, missing);
    if (!Access.Save(HKEY_LOCAL_MACHINE, key, value, BoolToText(bEnabled))) return false;
    if (WriteRunEntry(bEnabled)) return true;
    // The setting never claims what the Run key does not hold: it goes back, and the first failure is told.
    const DWORD error = GetLastError();
    if (missing)
        Access.Delete(HKEY_LOCAL_MACHINE, key, value);
    else
        Access.Save(HKEY_LOCAL_MACHINE, key, value, previous);
    SetLastError(error);
    return false;
}

bool Toggle(bool bChecked) {
    // The check mark never shows what the registry does not hold.
    return Apply(!bChecked) ? !bChecked : bChecked;
}

std::wstring StartCommand(std::wstring_view directory, std::wstring_view exeName) {
    // Appended piece by piece: each std::wstring operator+ would bring code of its own.
    std::wstring command = L"\"";
    command += Win::Application::LCase(WithBackslash(std::wstring(directory)));
    command += exeName;
    command += L".exe\" ";
    command += kStartupSwitch;
    return command;
}

}  // namespace RunOnStartup
