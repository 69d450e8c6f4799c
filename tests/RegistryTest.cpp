#include "settings/Registry.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "win/UniqueHandle.h"

namespace {

constexpr char kScratch[] = "Software\\CorvelTest";
const std::wstring kScratchPath = L"Software\\CorvelTest\\";

// RegDeleteTree is Vista and later: delete the children first.
void DeleteTree(HKEY hRoot, const char* path) {
    Win::UniqueHKey key;
    if (RegOpenKeyA(hRoot, path, key.Put()) != ERROR_SUCCESS) return;
    char child[256];
    while (RegEnumKeyA(key.Get(), 0, child, sizeof child) == ERROR_SUCCESS) DeleteTree(key.Get(), child);
    key.Reset();
    RegDeleteKeyA(hRoot, path);
}

// Writes raw bytes, so a test can store what SaveStringValue never would.
void StoreRaw(const char* name, DWORD type, const std::string& bytes) {
    Win::UniqueHKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kScratch, key.Put()), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.Get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

// The stored type and bytes, nothing when the value is missing.
std::pair<DWORD, std::string> ReadRaw(const char* path, const char* name) {
    Win::UniqueHKey key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, path, key.Put()) != ERROR_SUCCESS) return {REG_NONE, ""};
    char data[512];
    DWORD type = REG_NONE;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS) {
        return {REG_NONE, ""};
    }
    return {type, std::string(data, size)};
}

// A key that was open once: its handle is no longer valid.
HKEY ClosedKey() {
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, kScratch, &key);
    RegCloseKey(key);
    return key;
}

// The scratch key with the right to set values denied to everyone, so writes and deletions are refused.
void DenySetValue() {
    Win::UniqueHKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kScratch, key.Put()), ERROR_SUCCESS);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    alignas(DWORD) BYTE aclBuffer[256];
    auto* acl = reinterpret_cast<PACL>(aclBuffer);
    InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
    AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE, everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    EXPECT_EQ(RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
    FreeSid(everyone);
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteTree(HKEY_CURRENT_USER, kScratch); }
    void TearDown() override { SetUp(); }
};

TEST_F(RegistryTest, ReadsStringValuesOnly) {
    const DWORD number = 1;
    const struct {
        const char* Name;
        DWORD Type;
        std::string Bytes;
        std::wstring Text;
    } cases[] = {
        {"True", REG_SZ, std::string("True\0", 5), L"True"},
        {"Empty", REG_SZ, std::string("\0", 1), L""},
        {"NoNul", REG_SZ, "C:\\Corvel.exe", L"C:\\Corvel.exe"},
        {"Embedded", REG_SZ, std::string("ab\0cd\0", 6), L"ab"},
        {"Ansi", REG_SZ, std::string("Caf\xE9 \x96\0", 7), L"Caf\u00e9 \u2013"},  // code page 1252
        {"Dword", REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number), L""},
        {"Expand", REG_EXPAND_SZ, std::string("%PATH%\0", 7), L""},
        {"MultiSz", REG_MULTI_SZ, std::string("a\0b\0\0", 5), L""},
    };
    for (const auto& c : cases) StoreRaw(c.Name, c.Type, c.Bytes);

    Win::UniqueHKey key;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, kScratch, key.Put()), ERROR_SUCCESS);
    for (const auto& c : cases) {
        const std::wstring name(c.Name, c.Name + std::char_traits<char>::length(c.Name));
        int errorFlag = 5;
        EXPECT_EQ(Registry::GetStringValue(HKEY_CURRENT_USER, kScratchPath, name, errorFlag), c.Text)
            << c.Name;
        EXPECT_EQ(errorFlag, 0) << c.Name;
        errorFlag = 5;
        EXPECT_EQ(Registry::QueryStringValue(key.Get(), name, errorFlag), c.Text) << c.Name;
        EXPECT_EQ(errorFlag, 0) << c.Name;
    }
}

TEST_F(RegistryTest, UnqueryableValueReadsEmptyWithTheFlagSet) {
    StoreRaw("Present", REG_SZ, std::string("x\0", 2));
    const std::pair<std::wstring, std::wstring> places[] = {
        {kScratchPath, L"Missing"},
        {kScratchPath + L"Nowhere\\", L"Present"},
        {L"Software\\CorvelTest\\No\\Such\\Path", L"Present"},
    };
    for (const auto& [path, name] : places) {
        int errorFlag = 5;
        EXPECT_EQ(Registry::GetStringValue(HKEY_CURRENT_USER, path, name, errorFlag), L"");
        EXPECT_EQ(errorFlag, -1);
    }
    int errorFlag = 5;
    EXPECT_EQ(Registry::QueryStringValue(nullptr, L"Present", errorFlag), L"");
    EXPECT_EQ(errorFlag, -1);
    errorFlag = 5;
    EXPECT_EQ(Registry::QueryStringValue(ClosedKey(), L"Present", errorFlag), L"");
    EXPECT_EQ(errorFlag, -1);
}

TEST_F(RegistryTest, ReadsANumberWithItsType) {
    StoreRaw("Number", REG_DWORD, std::string("\x50\x03\0\0", 4));
    StoreRaw("Short", REG_DWORD, std::string("\x50\x03", 2));
    StoreRaw("Text", REG_SZ, std::string("848\0", 4));
    StoreRaw("Long", REG_BINARY, std::string(16, '\1'));
    const auto read = [](const wchar_t* name) {
        return Registry::GetDwordValue(HKEY_CURRENT_USER, kScratchPath, name);
    };
    const auto expect = [&](const wchar_t* name, DWORD type, DWORD number) {
        const auto value = read(name);
        ASSERT_TRUE(value.has_value()) << name;
        EXPECT_EQ(value->Type, type) << name;
        EXPECT_EQ(value->Number, number) << name;
    };
    expect(L"Number", REG_DWORD, 0x350);
    expect(L"Short", REG_NONE, 0);
    expect(L"Text", REG_SZ, 0);
    expect(L"Long", REG_BINARY, 0);
    EXPECT_FALSE(read(L"Missing").has_value());
    const Win::UniqueHKey absent = Registry::OpenKey(HKEY_CURRENT_USER, kScratchPath + L"Absent\\");
    EXPECT_FALSE(absent);
    EXPECT_FALSE(Registry::QueryDwordValue(absent.Get(), L"Number").has_value()) << "a key that is not there";
    ASSERT_TRUE(Registry::SaveDwordValue(HKEY_CURRENT_USER, kScratchPath + L"Deeper\\", L"Saved", 0x34E));
    EXPECT_EQ(ReadRaw("Software\\CorvelTest\\Deeper", "Saved"),
              std::make_pair(DWORD{REG_DWORD}, std::string("\x4E\x03\0\0", 4)));
}

TEST(StripNullsTest, CutsAtFirstNul) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"", L""},
        {L"True", L"True"},
        {std::wstring(L"\0", 1), L""},
        {std::wstring(L"\0x", 2), L""},
        {std::wstring(L"ab\0c", 4), L"ab"},
        {std::wstring(L"ab\0\0", 4), L"ab"},
        {std::wstring(L"abc\0", 4), L"abc"},
        {std::wstring(40000, L'a') + std::wstring(L"\0b", 2), std::wstring(40000, L'a')},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(Registry::StripNulls(in), out);
}

TEST_F(RegistryTest, SaveCreatesThePathAndReplacesTheValue) {
    const std::wstring path = kScratchPath + L"Deeper\\Still\\";
    const std::pair<std::wstring, std::string> writes[] = {
        {L"True", std::string("True\0", 5)},
        {L"False", std::string("False\0", 6)},
        {L"", std::string("\0", 1)},
        {L"\"C:\\Program Files\\Corvel\\corvel.exe\" -startup",
         std::string("\"C:\\Program Files\\Corvel\\corvel.exe\" -startup\0", 46)},
        {L"Caf\u00e9 \u2013", std::string("Caf\xE9 \x96\0", 7)},
    };
    for (const auto& [text, bytes] : writes) {
        EXPECT_TRUE(Registry::SaveStringValue(HKEY_CURRENT_USER, path, L"RunOnStartup", text));
        EXPECT_EQ(ReadRaw("Software\\CorvelTest\\Deeper\\Still", "RunOnStartup"),
                  std::make_pair(DWORD{REG_SZ}, bytes));
        int errorFlag = 5;
        EXPECT_EQ(Registry::GetStringValue(HKEY_CURRENT_USER, path, L"RunOnStartup", errorFlag), text);
        EXPECT_EQ(errorFlag, 0);
    }
}

TEST_F(RegistryTest, DeleteRemovesTheValueOrFindsNothingToDo) {
    StoreRaw("Entry", REG_SZ, std::string("x\0", 2));
    StoreRaw("Other", REG_SZ, std::string("y\0", 2));
    const std::pair<std::wstring, std::wstring> deletions[] = {
        {kScratchPath, L"Entry"},
        {kScratchPath, L"Entry"},  // already gone
        {kScratchPath + L"Nowhere\\", L"Entry"},
        {L"Software\\CorvelTest\\No\\Such\\Path\\", L"Entry"},
    };
    for (const auto& [path, name] : deletions)
        EXPECT_TRUE(Registry::DeleteValue(HKEY_CURRENT_USER, path, name));
    EXPECT_EQ(ReadRaw(kScratch, "Entry").first, DWORD{REG_NONE});
    EXPECT_EQ(ReadRaw(kScratch, "Other"), std::make_pair(DWORD{REG_SZ}, std::string("y\0", 2)));
}

TEST_F(RegistryTest, RawTextIsTheUnicodeStoredWithOrWithoutItsNul) {
    const std::wstring text = L"\"c:\\\u041c\u0443\u0437\\corvel.exe\"";  // beyond the ANSI code page
    for (const size_t nul : {0, 1}) {
        Win::UniqueHKey key;
        RegCreateKeyA(HKEY_CURRENT_USER, kScratch, key.Put());
        RegSetValueExW(key.Get(), L"Entry", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + nul) * sizeof(wchar_t)));
        const auto entry = Registry::GetRawValue(HKEY_CURRENT_USER, kScratchPath, L"Entry", 0);
        EXPECT_EQ(entry ? Registry::RawText(*entry) : L"<none>", text) << nul;
    }
}

TEST_F(RegistryTest, WriteOrDeleteThatCannotHappenAnswersFalse) {
    EXPECT_FALSE(Registry::SaveStringValue(ClosedKey(), L"Sub\\", L"Name", L"True"));
    EXPECT_FALSE(Registry::DeleteValue(ClosedKey(), L"Sub\\", L"Name"));

    StoreRaw("Entry", REG_SZ, std::string("x\0", 2));
    DenySetValue();
    EXPECT_FALSE(Registry::SaveStringValue(HKEY_CURRENT_USER, kScratchPath, L"Entry", L"New"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << "what asks the user for rights";
    EXPECT_FALSE(Registry::DeleteValue(HKEY_CURRENT_USER, kScratchPath, L"Entry"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(Registry::SaveBinaryValue(HKEY_CURRENT_USER, kScratchPath, L"Entry", "\x02", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadRaw(kScratch, "Entry"), std::make_pair(DWORD{REG_SZ}, std::string("x\0", 2)));
}

}  // namespace
