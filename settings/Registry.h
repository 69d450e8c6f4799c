#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "win/UniqueHandle.h"

// Values under a registry root key; every key handle is closed before a routine returns, but the one
// OpenKey hands its caller.
namespace Registry {

// A REG_SZ value's text; errorFlag -1 when the value cannot be queried at all, else 0.
std::wstring QueryStringValue(HKEY hKey, const std::wstring& valueName, int& errorFlag);
std::wstring GetStringValue(HKEY hRoot,
                            const std::wstring& subKey,
                            const std::wstring& valueName,
                            int& errorFlag);
std::wstring StripNulls(const std::wstring& text);  // the text before its first NUL
// True when the value was written, in Unicode; missing keys on the path are created. On false, GetLastError
// says why.
bool SaveStringValue(HKEY hRoot,
                     const std::wstring& subKey,
                     const std::wstring& valueName,
                     const std::wstring& data);
// A value as stored, for a caller that expects a REG_DWORD: its type, and its number when it is one.
struct DwordValue {
    DWORD Type;  // REG_NONE for a REG_DWORD that does not hold four bytes
    DWORD Number;
};
// None when the key or the value is missing or cannot be read.
std::optional<DwordValue> GetDwordValue(HKEY hRoot,
                                        const std::wstring& subKey,
                                        const std::wstring& valueName);
// The same for a key already open, so that many values cost one opening; an empty key reads as missing.
Win::UniqueHKey OpenKey(HKEY hRoot, const std::wstring& subKey);  // empty when it cannot be opened
std::optional<DwordValue> QueryDwordValue(HKEY hKey, const std::wstring& valueName);
// As SaveStringValue, for a REG_DWORD.
bool SaveDwordValue(HKEY hRoot, const std::wstring& subKey, const std::wstring& valueName, DWORD data);
// True when the value is gone afterwards, also when it or its key was never there; else as above.
bool DeleteValue(HKEY hRoot, const std::wstring& subKey, const std::wstring& valueName);

// The routines below work in the registry view given: 0, or KEY_WOW64_64KEY for a 32-bit program on 64-bit
// Windows to reach what 64-bit programs see.
struct RawValue {
    DWORD Type = REG_NONE;
    std::string Bytes;  // as stored: text in Unicode
};
// None when the value cannot be read, for whatever reason.
std::optional<RawValue> GetRawValue(HKEY hRoot,
                                    const std::wstring& subKey,
                                    const std::wstring& valueName,
                                    REGSAM view);
std::wstring RawText(const RawValue& value);  // a REG_SZ value's text up to its first NUL; else empty
// As SaveStringValue, for REG_BINARY data.
bool SaveBinaryValue(HKEY hRoot,
                     const std::wstring& subKey,
                     const std::wstring& valueName,
                     const std::string& data,
                     REGSAM view);
bool DeleteValueIn(HKEY hRoot, const std::wstring& subKey, const std::wstring& valueName, REGSAM view);

}  // namespace Registry
