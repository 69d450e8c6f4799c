#include "settings/RunOnStartup.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "win/Application.h"

namespace {

constexpr wchar_t kMarkKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

TEST(StartCommandTest, QuotesTheLowerCasedFolderAndTheName) {
    const struct {
        const wchar_t* Directory;
        const wchar_t* ExeName;
        const wchar_t* Command;
    } cases[] = {
        {L"D:\\Apps\\Media Keys", L"MKeys", L"\"d:\\apps\\media keys\\MKeys.exe\" -startup"},
        {L"C:\\", L"MKeys", L"\"c:\\MKeys.exe\" -startup"},  // a drive root keeps its one backslash
        {L"C:\\Program Files\\Corvel", L"corvel", L"\"c:\\program files\\corvel\\corvel.exe\" -startup"},
        {L"E:\\\xC4rger", L"Tool", L"\"e:\\\xE4rger\\Tool.exe\" -startup"},  // beyond ASCII too
    };
    for (const auto& c : cases) EXPECT_EQ(RunOnStartup::StartCommand(c.Directory, c.ExeName), c.Command);
}

TEST(BooleanTextTest, OnlyTheExactWordsConvert) {
    EXPECT_EQ(RunOnStartup::BoolToText(true), L"True");
    EXPECT_EQ(RunOnStartup::BoolToText(false), L"False");
    EXPECT_EQ(RunOnStartup::TextToBool(L"True"), std::optional<bool>(true));
    EXPECT_EQ(RunOnStartup::TextToBool(L"False"), std::optional<bool>(false));
    for (const wchar_t* other : {L"true", L"1", L"", L"TRUE", L"True "})
        EXPECT_EQ(RunOnStartup::TextToBool(other), std::nullopt);
}

TEST(StartupMarkTest, OnlyTaskManagersOffSwitchesReadAsDisabled) {
    const auto mark = [](char state, size_t size = 12) {
        return std::string(1, state) + std::string(size - 1, '\x11');
    };
    const struct {
        std::optional<Registry::RawValue> Mark;
        bool Disabled;
    } cases[] = {
        {Registry::RawValue{REG_BINARY, mark(3)}, true},  // as Task Manager leaves it: 03, then a time
        {Registry::RawValue{REG_BINARY, mark(7)}, true},
        {Registry::RawValue{REG_BINARY, std::string(1, 2) + std::string(11, '\0')}, false},  // enabled
        {Registry::RawValue{REG_BINARY, mark(6)}, false},
        {Registry::RawValue{REG_BINARY, mark(0)}, false},
        {std::nullopt, false},                                // no mark at all
        {Registry::RawValue{REG_BINARY, mark(3, 8)}, false},  // another size
        {Registry::RawValue{REG_BINARY, mark(3, 16)}, false},
        {Registry::RawValue{REG_BINARY, ""}, false},
        {Registry::RawValue{REG_DWORD, mark(3)}, false},  // another type
        {Registry::RawValue{REG_SZ, mark(3)}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(RunOnStartup::MarkSaysDisabled(c.Mark), c.Disabled);
}

TEST(NamesCopyTest, TheQuotedFileInAnyCase) {
    const wchar_t copy[] = L"C:\\Program Files\\Corvel\\corvel.exe";
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"\"c:\\program files\\corvel\\corvel.exe\" -startup", true},
        {L"\"C:\\PROGRAM FILES\\CORVEL\\CORVEL.EXE\"", true},
        {L"\"d:\\corvel\\corvel.exe\" -startup", false},  // another copy
        {L"\"c:\\program files\\corvel\\corvel.exe.old\" -startup", false},
        {L"c:\\program files\\corvel\\corvel.exe -startup", false},  // never written unquoted
        {L"\"c:\\program files\\corvel\\corvel.exe", false},
        {L"", false},
    };
    for (const auto& [entry, names] : cases) EXPECT_EQ(RunOnStartup::NamesCopy(entry, copy), names) << entry;
    EXPECT_TRUE(RunOnStartup::NamesCopy(L"\"e:\\\xE4rger\\t.exe\"", L"E:\\\xC4rger\\T.exe"))
        << "beyond ASCII";
}

// An in-memory registry whose writes can be made to fail, one value at a time.
struct FakeRegistry {
    std::map<std::wstring, std::wstring> Values;  // "path|name" -> data
    std::wstring FailingValue;                    // a name whose save and delete fail, or "mark"
    std::map<std::wstring, std::string> Marks;    // Task Manager's marks: "path|name" -> bytes
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

std::optional<Registry::RawValue> FakeGetRaw(HKEY,
                                             const std::wstring& path,
                                             const std::wstring& name,
                                             REGSAM) {
    if (const auto text = Fake.Values.find(Key(path, name)); text != Fake.Values.end())
        return Registry::RawValue{REG_SZ, std::string(reinterpret_cast<const char*>(text->second.c_str()),
                                                      (text->second.size() + 1) * sizeof(wchar_t))};
    const auto found = Fake.Marks.find(Key(path, name));
    if (found == Fake.Marks.end()) return std::nullopt;
    return Registry::RawValue{REG_BINARY, found->second};
}

bool FakeSaveMark(HKEY, const std::wstring& path, const std::wstring& name, const std::string& data, REGSAM) {
    if (Refused(L"mark")) return false;
    Fake.Marks[Key(path, name)] = data;
    return true;
}

bool FakeDeleteMark(HKEY, const std::wstring& path, const std::wstring& name, REGSAM) {
    if (Refused(L"mark")) return false;
    Fake.Marks.erase(Key(path, name));
    return true;
}

class RunOnStartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        Saved = RunOnStartup::Access;
        RunOnStartup::Access = {FakeGet, FakeSave, FakeDelete, FakeGetRaw, FakeSaveMark, FakeDeleteMark};
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

// CTest runs these under Wine's Windows 7 and, as corvel_unit_tests_win10.exe, under its Windows 10.
TEST_F(RunOnStartupTest, ToggleWritesTheSettingAndTheRunEntry) {
    // Task Manager had switched the entry off: from Windows 8 on, turning on writes its mark as enabled and
    // turning off removes it; before, nothing reads or writes it.
    const bool marks = Win::Application::WindowsAtLeast(6, 2);
    if (Win::Application::ExeName() == L"corvel_unit_tests_win10") ASSERT_TRUE(marks) << "Wine's AppDefaults";
    const std::wstring mark =
        Key(Win::Application::UnderWow64() ? kMarkKey + std::wstring(L"32") : kMarkKey, L"Corvel");
    const std::string switchedOff = std::string(1, 3) + std::string(11, '\x7f');
    const auto marked = [&] {
        const auto found = Fake.Marks.find(mark);
        return found == Fake.Marks.end() ? std::string("<none>") : found->second;
    };
    Fake.Marks[mark] = switchedOff;
    EXPECT_TRUE(RunOnStartup::Toggle(false));
    EXPECT_EQ(Setting(), L"True");
    EXPECT_NE(RunEntry().find(L".exe\" -startup"), std::wstring::npos);
    EXPECT_EQ(marked(), marks ? std::string(1, 2) + std::string(11, '\0') : switchedOff);
    EXPECT_FALSE(RunOnStartup::Toggle(true));
    EXPECT_EQ(Setting(), L"False");
    EXPECT_EQ(RunEntry(), L"<none>");
    EXPECT_EQ(marked(), marks ? "<none>" : switchedOff) << "no mark stays behind";
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
        {L"mark", nullptr, false, L"<none>"},  // Windows 8 on: Task Manager's mark cannot be written
    };
    for (const auto& c : cases) {
        if (c.Failing == std::wstring(L"mark") && !Win::Application::WindowsAtLeast(6, 2)) continue;
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
