#include "settings/RunOnStartup.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

TEST(StartCommandTest, QuotesTheLowerCasedFolderAndTheName) {
    const struct {
        const wchar_t* File;
        const wchar_t* Command;
    } cases[] = {
        {L"D:\\Apps\\Media Keys\\MKeys.exe", L"\"d:\\apps\\media keys\\MKeys.exe\" -startup"},
        {L"C:\\MKeys.exe", L"\"c:\\MKeys.exe\" -startup"},  // a drive root keeps its one backslash
        {L"C:\\Program Files\\Corvel\\corvel.exe", L"\"c:\\program files\\corvel\\corvel.exe\" -startup"},
        {L"E:\\\xC4rger\\Tool.exe", L"\"e:\\\xE4rger\\Tool.exe\" -startup"},  // beyond ASCII too
        {L"C:\\Tools\\Corvel.EXE", L"\"c:\\tools\\Corvel.EXE\" -startup"},    // the file that was checked
    };
    for (const auto& c : cases) EXPECT_EQ(RunOnStartup::StartCommand(c.File), c.Command);
}

TEST(BooleanTextTest, OnlyTheExactWordsConvert) {
    EXPECT_EQ(RunOnStartup::BoolToText(true), L"True");
    EXPECT_EQ(RunOnStartup::BoolToText(false), L"False");
    EXPECT_EQ(RunOnStartup::TextToBool(L"True"), std::optional<bool>(true));
    EXPECT_EQ(RunOnStartup::TextToBool(L"False"), std::optional<bool>(false));
    for (const wchar_t* other : {L"true", L"1", L"", L"TRUE", L"True "})
        EXPECT_EQ(RunOnStartup::TextToBool(other), std::nullopt);
}

TEST(StartupMarkTest, OnlyTaskManagersOffSwitchReadsAsDisabled) {
    const auto mark = [](char first, size_t size = 12, DWORD type = REG_BINARY) {
        return std::optional<Registry::RawValue>({type, first + std::string(size - 1, '\x01')});
    };
    const std::pair<std::optional<Registry::RawValue>, bool> cases[] = {
        {mark(3), true},
        {mark(7), true},  // as Task Manager leaves it: 03 or 07, then the time
        {mark(2), false},
        {mark(6), false},
        {mark(0), false},
        {std::nullopt, false},
        {mark(3, 8), false},
        {mark(3, 13), false},
        {mark(3, 12, REG_DWORD), false},  // another size or type
    };
    for (const auto& [value, disabled] : cases) EXPECT_EQ(RunOnStartup::MarkSaysDisabled(value), disabled);
}

TEST(NamesCopyTest, TheQuotedFileInAnyCase) {
    const wchar_t copy[] = L"C:\\Apps\\\xC4rger\\Corvel.exe";
    EXPECT_TRUE(RunOnStartup::NamesCopy(L"\"c:\\apps\\\xE4rger\\Corvel.exe\" -startup", copy));
    for (const wchar_t* other : {L"\"d:\\apps\\\xE4rger\\Corvel.exe\" -startup",
                                 L"c:\\apps\\\xE4rger\\Corvel.exe", L"\"c:\\apps\\\xE4rger\\Corvel.exe"})
        EXPECT_FALSE(RunOnStartup::NamesCopy(other, copy)) << other;
}

// An in-memory registry whose writes can be made to fail, one value at a time.
struct FakeRegistry {
    std::map<std::wstring, std::wstring> Values;  // "path|name" -> data
    std::wstring FailingValue;                    // a name whose save and delete fail
};
FakeRegistry Fake;

std::wstring Key(const std::wstring& path, const std::wstring& name) {
    return path + L"|" + name;
}

std::wstring FakeGet(HKEY, const std::wstring& path, const std::wstring& name, int& errorFlag) {
    const auto found = Fake.Values.find(Key(path, name));
    errorFlag = found == Fake.Values.end() ? -1 : 0;
    return found == Fake.Values.end() ? L"" : found->second;
}

// Like the registry routines, a failure leaves its reason for GetLastError, and a success clears it.
bool Refused(const std::wstring& name) {
    SetLastError(name == Fake.FailingValue ? ERROR_ACCESS_DENIED : ERROR_SUCCESS);
    return name == Fake.FailingValue;
}

bool FakeSave(HKEY, const std::wstring& path, const std::wstring& name, const std::wstring& data) {
    if (Refused(name)) return false;
    Fake.Values[Key(path, name)] = data;
    return true;
}

bool FakeDelete(HKEY, const std::wstring& path, const std::wstring& name) {
    if (Refused(name)) return false;
    Fake.Values.erase(Key(path, name));
    return true;
}

class RunOnStartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        Saved = RunOnStartup::Access;
        RunOnStartup::Access = {FakeGet, FakeSave, FakeDelete};
        Fake = {};
    }
    void TearDown() override { RunOnStartup::Access = Saved; }
    static std::wstring Setting() { return Value(L"Software\\Corvel Win2K\\", L"RunOnStartup"); }
    static std::wstring RunEntry() {
        return Value(L"Software\\Microsoft\\Windows\\CurrentVersion\\Run\\", L"Corvel");
    }
    static std::wstring Value(const std::wstring& path, const std::wstring& name) {
        const auto found = Fake.Values.find(Key(path, name));
        return found == Fake.Values.end() ? L"<none>" : found->second;
    }
    RunOnStartup::RegistryAccess Saved;
};

TEST_F(RunOnStartupTest, ToggleWritesTheSettingAndTheRunEntry) {
    EXPECT_TRUE(RunOnStartup::Toggle(false));
    EXPECT_EQ(Setting(), L"True");
    EXPECT_NE(RunEntry().find(L".exe\" -startup"), std::wstring::npos);
    EXPECT_FALSE(RunOnStartup::Toggle(true));
    EXPECT_EQ(Setting(), L"False");
    EXPECT_EQ(RunEntry(), L"<none>");
}

TEST_F(RunOnStartupTest, FailedWritesPutTheCheckMarkAndTheSettingBack) {
    const struct {
        const wchar_t* Failing;
        const wchar_t* StoredBefore;  // nullptr: no value
        bool Checked;
        const wchar_t* SettingAfter;
    } cases[] = {
        {L"RunOnStartup", nullptr, false, L"<none>"},  // the setting cannot be written: nothing changes
        {L"RunOnStartup", L"True", true, L"True"},
        {L"Corvel", nullptr, false, L"<none>"},  // the Run entry cannot be written: the setting goes again
        {L"Corvel", L"False", false, L"False"},
        {L"Corvel", L"True", true, L"True"},  // the Run entry cannot be deleted
        {L"Corvel", L"junk", false, L"junk"},
    };
    for (const auto& c : cases) {
        Fake = {};
        if (c.StoredBefore) Fake.Values[Key(L"Software\\Corvel Win2K\\", L"RunOnStartup")] = c.StoredBefore;
        if (c.Checked)
            Fake.Values[Key(L"Software\\Microsoft\\Windows\\CurrentVersion\\Run\\", L"Corvel")] = L"cmd";
        Fake.FailingValue = c.Failing;
        const bool shown = RunOnStartup::Toggle(c.Checked);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED))
            << "the refusal, after the setting went back";
        EXPECT_EQ(shown, c.Checked) << c.Failing;
        EXPECT_EQ(Setting(), c.SettingAfter) << c.Failing;
        EXPECT_EQ(RunEntry(), c.Checked ? L"cmd" : L"<none>") << c.Failing;
    }
}

TEST_F(RunOnStartupTest, OnlyExactWordsAreStoredSettings) {
    const std::pair<const wchar_t*, std::optional<bool>> cases[] = {{L"True", true},
                                                                    {L"False", false},
                                                                    {L"true", std::nullopt},
                                                                    {L"1", std::nullopt},
                                                                    {L"", std::nullopt}};
    for (const auto& [text, setting] : cases) {
        Fake.Values[Key(L"Software\\Corvel Win2K\\", L"RunOnStartup")] = text;
        EXPECT_EQ(RunOnStartup::StoredSetting(), setting) << text;
    }
    Fake = {};
    EXPECT_EQ(RunOnStartup::StoredSetting(), std::nullopt);
}

}  // namespace
