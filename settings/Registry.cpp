#include "settings/Registry.h"

#include "win/Ansi.h"
#include "win/UniqueHandle.h"

namespace {

// The registry answers with its error instead of setting it: callers read it with GetLastError.
bool Failed(LONG error) {
    SetLastError(static_cast<DWORD>(error));
    return false;
}

}  // namespace

namespace Registry {

std::wstring QueryStringValue(HKEY hKey, const std::wstring& valueName, int& errorFlag) {
    const std::string name = Win::Ansi::FromWide(valueName);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(hKey, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        errorFlag = -1;
        return {};
    }
    errorFlag = 0;
    if (type != REG_SZ) return {};
    std::string buffer(size, ' ');
    DWORD secondType = 0;
    // Fails when the value grew since the size query: that reads as empty too.
    if (RegQueryValueExA(hKey, name.c_str(), nullptr, &secondType, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS) {
        return {};
    }
    return StripNulls(Win::Ansi::ToWide(buffer));
}

std::wstring GetStringValue(HKEY hRoot,
                            const std::wstring& subKey,
                            const std::wstring& valueName,
                            int& errorFlag) {
    Win::UniqueHKey key;
    // Result dropped: a key that did not open leaves a null handle, which the query answers with the flag -1.
    RegOpenKeyA(hRoot, Win::Ansi::FromWide(subKey).c_str(), key.Put());
    return QueryStringValue(key.Get(), valueName, errorFlag);
}

std::wstring StripNulls(const std::wstring& text) {
    return text.substr(0, text.find(L'\0'));
}

bool SaveStringValue(HKEY hRoot,
                     const std::wstring& subKey,
                     const std::wstring& valueName,
                     const std::wstring& data) {
    Win::UniqueHKey key;
    const LONG created = RegCreateKeyA(hRoot, Win::Ansi::FromWide(subKey).c_str(), key.Put());
    if (created != ERROR_SUCCESS) return Failed(created);
    // In Unicode, as the registry keeps it: a Run entry naming a folder beyond the ANSI code page keeps its
    // name. Text the code page carries reads back through the "A" calls exactly as written.
    const auto* bytes = reinterpret_cast<const BYTE*>(data.c_str());
    const auto size = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));  // the NUL stored and counted
    const LONG written = RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ, bytes, size);
    return written == ERROR_SUCCESS || Failed(written);
}

std::optional<DwordValue> GetDwordValue(HKEY hRoot,
                                        const std::wstring& subKey,
                                        const std::wstring& valueName) {
    const Win::UniqueHKey key = OpenKey(hRoot, subKey);
    return QueryDwordValue(key.Get(), valueName);
}

Win::UniqueHKey OpenKey(HKEY hRoot, const std::wstring& subKey) {
    Win::UniqueHKey key;
    if (RegOpenKeyA(hRoot, Win::Ansi::FromWide(subKey).c_str(), key.Put()) != ERROR_SUCCESS) key.Release();
    return key;
}

std::optional<DwordValue> QueryDwordValue(HKEY hKey, const std::wstring& valueName) {
    if (!hKey) return {};
    DWORD type = REG_NONE;
    DWORD number = 0;
    DWORD size = sizeof number;
    const LONG read = RegQueryValueExA(hKey, Win::Ansi::FromWide(valueName).c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(&number), &size);
    // A longer value answers "more data": it is there, and it is no number.
    if (read != ERROR_SUCCESS && read != ERROR_MORE_DATA) return {};
    if (type == REG_DWORD && (read != ERROR_SUCCESS || size != sizeof number)) return DwordValue{REG_NONE, 0};
    return DwordValue{type, type == REG_DWORD ? number : 0};
}

bool SaveDwordValue(HKEY hRoot, const std::wstring& subKey, const std::wstring& valueName, DWORD data) {
    Win::UniqueHKey key;
    const LONG created = RegCreateKeyA(hRoot, Win::Ansi::FromWide(subKey).c_str(), key.Put());
    if (created != ERROR_SUCCESS) return Failed(created);
    const LONG written = RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&data), sizeof data);
    return written == ERROR_SUCCESS || Failed(written);
}

bool DeleteValue(HKEY hRoot, const std::wstring& subKey, const std::wstring& valueName) {
    return DeleteValueIn(hRoot, subKey, valueName, 0);
}

std::optional<RawValue> GetRawValue(HKEY hRoot,
                                    const std::wstring& subKey,
                                    const std::wstring& valueName,
                                    REGSAM view) {
    Win::UniqueHKey key;
    if (RegOpenKeyExA(hRoot, Win::Ansi::FromWide(subKey).c_str(), 0, KEY_QUERY_VALUE | view, key.Put()) !=
        ERROR_SUCCESS)
        return std::nullopt;
    RawValue value;
    DWORD size = 0;
    // In Unicode: a Run entry keeps a folder named beyond the ANSI code page. A value that grows between the
    // two queries fails the second, which reads as no value.
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &value.Type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.Bytes.resize(size);
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &value.Type,
                         reinterpret_cast<BYTE*>(value.Bytes.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.Bytes.resize(size);
    return value;
}

std::wstring RawText(const RawValue& value) {
    if (value.Type != REG_SZ) return {};
    std::wstring text(value.Bytes.size() / sizeof(wchar_t), L'\0');
    CopyMemory(text.data(), value.Bytes.data(), text.size() * sizeof(wchar_t));
    return StripNulls(text);  // stored with or without its NUL
}

bool SaveBinaryValue(HKEY hRoot,
                     const std::wstring& subKey,
                     const std::wstring& valueName,
                     const std::string& data,
                     REGSAM view) {
    Win::UniqueHKey key;
    const LONG created = RegCreateKeyExA(hRoot, Win::Ansi::FromWide(subKey).c_str(), 0, nullptr, 0,
                                         KEY_SET_VALUE | view, nullptr, key.Put(), nullptr);
    if (created != ERROR_SUCCESS) return Failed(created);
    const LONG written =
        RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_BINARY,
                       reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    return written == ERROR_SUCCESS || Failed(written);
}

bool DeleteValueIn(HKEY hRoot, const std::wstring& subKey, const std::wstring& valueName, REGSAM view) {
    Win::UniqueHKey key;
    const LONG opened =
        RegOpenKeyExA(hRoot, Win::Ansi::FromWide(subKey).c_str(), 0, KEY_SET_VALUE | view, key.Put());
    // A missing key or value, at any depth, answers "file not found": nothing was there to delete.
    if (opened != ERROR_SUCCESS) return opened == ERROR_FILE_NOT_FOUND || Failed(opened);
    const LONG deleted = RegDeleteValueA(key.Get(), Win::Ansi::FromWide(valueName).c_str());
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND || Failed(deleted);
}

}  // namespace Registry
