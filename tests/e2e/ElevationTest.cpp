#include <gtest/gtest.h>
#include <windows.h>

#include <aclapi.h>
#include <tlhelp32.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ElevationMod.h"
#include "player/WinampMod.h"
#include "settings/RunOnStartup.h"
#include "tests/support/CorvelProcess.h"
#include "tests/support/StandInPlayer.h"
#include "win/Ansi.h"

namespace {

constexpr char kLog[] = "C:\\SongNames.txt";
constexpr char kSettingsKey[] = "Software\\Corvel Win2K";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr WPARAM kNext = 40048;

std::string ReadLog() {
    std::ifstream in(kLog, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool LogExists() {
    return GetFileAttributesA(kLog) != INVALID_FILE_ATTRIBUTES;
}

void WriteMachineValue(const char* path, const char* name, const std::string& text) {
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_LOCAL_MACHINE, path, &key);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

std::string StartCommand(std::string folder = TestDirectory()) {
    CharLowerBuffA(folder.data(), static_cast<DWORD>(folder.size()));
    return "\"" + folder + "corvel.exe\" -startup";
}

// A copy in the folder that the tests' set-up opened to everyone, as Wine shows a folder of mode 0777, or in
// the folder of mode 0755 that it made inside that one, which anyone may rename away.
std::string OpenFolderCopy(const std::string& inside = "") {
    const std::string folder = TestDirectory() + "open-folder\\" + inside;
    const std::string copy = folder + "corvel.exe";
    return CopyFileA((TestDirectory() + "corvel.exe").c_str(), copy.c_str(), FALSE) ? copy : "";
}

// The program's two keys, with setting values denied to Everyone as for a user without administrator
// rights; the keys' own rights come back when the lock goes, whatever the outcome of the test.
class KeyLock {
public:
    KeyLock() {
        for (const char* path : {kSettingsKey, kRunKey}) Lock(path);
    }
    ~KeyLock() {
        for (auto& [key, descriptor] : Locked) {
            PACL dacl = nullptr;
            BOOL present = FALSE, defaulted = FALSE;
            GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
            SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl, nullptr);
            LocalFree(descriptor);
            RegCloseKey(key);
        }
    }
    KeyLock(const KeyLock&) = delete;
    KeyLock& operator=(const KeyLock&) = delete;

private:
    void Lock(const char* path) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, READ_CONTROL | WRITE_DAC, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_EQ(GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                  nullptr, &descriptor),
                  ERROR_SUCCESS);
        Locked.push_back({key, descriptor});
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
        EXPLICIT_ACCESS_A deny = {};
        deny.grfAccessPermissions = KEY_SET_VALUE;
        deny.grfAccessMode = DENY_ACCESS;
        deny.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        deny.Trustee.ptstrName = static_cast<LPSTR>(everyone);
        PACL locked = nullptr;
        ASSERT_EQ(SetEntriesInAclA(1, &deny, dacl, &locked), ERROR_SUCCESS);
        EXPECT_EQ(SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, locked,
                                  nullptr),
                  ERROR_SUCCESS);
        LocalFree(locked);
        FreeSid(everyone);
    }
    std::vector<std::pair<HKEY, PSECURITY_DESCRIPTOR>> Locked;
};

// The elevated step that a running program started, caught as it starts and held until resumed.
class HeldStep {
public:
    explicit HeldStep(DWORD parentId) {
        // Looked for every millisecond: a denied step lives a few tens of ms, and one caught exiting ends.
        WaitFor([&] { return Catch(parentId); }, 20000, 1);
    }
    ~HeldStep() {
        if (!Process) return;
        Resume();
        WaitForSingleObject(Process, 10000);
        CloseHandle(Process);
    }
    HeldStep(const HeldStep&) = delete;
    HeldStep& operator=(const HeldStep&) = delete;

    bool Held() const { return Process != nullptr; }
    bool Running() const { return WaitForSingleObject(Process, 0) == WAIT_TIMEOUT; }
    void Resume() {
        if (Suspended) Call("NtResumeProcess");
        Suspended = false;
    }
    DWORD WaitForExitCode() const {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(Process, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(Process, &code);
        return code;
    }
    // The program has done with the step once it has closed its handle to it: only ours is left.
    bool ReleasedByParent() const {
        using QueryObjectFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
        const auto query = reinterpret_cast<QueryObjectFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
        ULONG basic[14] = {};  // OBJECT_BASIC_INFORMATION: attributes, access, handle count, ...
        return query && query(Process, 0, basic, sizeof basic, nullptr) == 0 && basic[2] == 1;
    }

private:
    bool Catch(DWORD parentId) {
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more && !Process;
             more = Process32Next(snapshot, &entry)) {
            if (entry.th32ParentProcessID != parentId || lstrcmpiA(entry.szExeFile, "corvel.exe") != 0)
                continue;
            Process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
            Suspended = Process && Call("NtSuspendProcess");
        }
        CloseHandle(snapshot);
        return Process != nullptr;
    }
    bool Call(const char* name) const {
        using ProcessFn = LONG(WINAPI*)(HANDLE);
        const auto call = reinterpret_cast<ProcessFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
        return call && call(Process) == 0;
    }
    HANDLE Process = nullptr;
    bool Suspended = false;
};

class ElevationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearRunOnStartup();
        DeleteFileA(kLog);
        RemoveDirectoryA(kLog);
    }
    void TearDown() override {
        Corvel.reset();
        SetUp();
    }
    static DWORD RunStep(const std::string& arguments, const std::string& exe = "") {
        const CorvelProcess step(arguments, exe);
        return step.WaitForExit(20000) ? step.ExitCode() : STILL_ACTIVE;
    }
    std::unique_ptr<CorvelProcess> Corvel;
};

TEST_F(ElevationTest, StepAloneWritesWhatTheMenuWritesBesideARunningCopy) {
    Corvel = std::make_unique<CorvelProcess>();
    ASSERT_TRUE(Corvel->WaitReady());

    EXPECT_EQ(RunStep("-elevated startup-on"), 0u);
    EXPECT_EQ(ReadMachineValue(kSettingsKey, "RunOnStartup"), "True");
    EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), StartCommand());
    EXPECT_EQ(RunStep("-elevated startup-off"), 0u);
    EXPECT_EQ(ReadMachineValue(kSettingsKey, "RunOnStartup"), "False");
    EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), std::nullopt);

    EXPECT_EQ(RunStep("-elevated songlog"), 0u);
    EXPECT_TRUE(LogExists());
    EXPECT_EQ(ReadLog(), "");
    std::ofstream(kLog, std::ios::binary) << "earlier line\r\n";
    EXPECT_EQ(RunStep("-elevated songlog"), 0u);
    EXPECT_EQ(ReadLog(), "earlier line\r\n") << "a log that is there keeps its lines";

    ClearRunOnStartup();
    DeleteFileA(kLog);
    for (const char* refused : {"-elevated", "-elevated startup-on now", "-elevated songlog startup-on"})
        EXPECT_EQ(RunStep(refused), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << refused;
    EXPECT_EQ(ReadMachineValue(kSettingsKey, "RunOnStartup"), std::nullopt);
    EXPECT_FALSE(LogExists());
    EXPECT_TRUE(Corvel->Running());
}

TEST_F(ElevationTest, CopyThatEveryoneMayChangeGetsNoRunEntryFromTheStepNorTheMenu) {
    for (const std::string inside : {"", "own-folder\\"}) {
        SCOPED_TRACE("open-folder\\" + inside);
        ClearRunOnStartup();
        const std::string copy = OpenFolderCopy(inside);
        ASSERT_NE(copy, "");
        const std::string earlier = StartCommand(TestDirectory() + "open-folder\\" + inside);
        WriteMachineValue(kRunKey, "Corvel", earlier);

        EXPECT_EQ(RunStep("-elevated startup-on", copy), RunOnStartup::kUnsafeCopy);
        EXPECT_EQ(ReadMachineValue(kSettingsKey, "RunOnStartup"), std::nullopt);
        EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), earlier) << "an entry written before is left alone";
        EXPECT_EQ(RunStep("-elevated startup-off", copy), 0u);
        EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), std::nullopt) << "turning it off still removes it";
        EXPECT_EQ(RunStep("-elevated songlog", copy), RunOnStartup::kUnsafeCopy);
        EXPECT_FALSE(LogExists()) << "the log step writes nothing for it either";

        // The menu, with the right to write the registry, refuses the same way and says why.
        Corvel = std::make_unique<CorvelProcess>("", copy);
        ASSERT_TRUE(Corvel->WaitReady());
        ASSERT_TRUE(Corvel->ChooseRunOnStartup());
        const HWND box = Corvel->WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_NE(MessageBoxText(box).find("move it into the Program Files folder"), std::string::npos);
        PressOk(box);
        EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), std::nullopt);
        EXPECT_EQ(ReadMachineValue(kSettingsKey, "RunOnStartup"), "False") << "as the step off left it";
        Corvel.reset();
    }
}

// What the step does with a log that is there, or is missing, log_step_trace.sh reads in Wine's trace.
TEST_F(ElevationTest, LogStepChangesNothingWhereTheNameIsNoPlainFile) {
    ASSERT_TRUE(CreateDirectoryA(kLog, nullptr));
    EXPECT_EQ(RunStep("-elevated songlog"), WinampMod::kLogNotAPlainFile);
    const DWORD attributes = GetFileAttributesA(kLog);
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        << "left as it was";
}

// A copy in a folder named in Cyrillic and in CJK, beyond the ANSI code page 1252 of the tests' prefix.
class UnicodeCopy {
public:
    UnicodeCopy() {
        CreateDirectoryW(kFolder, nullptr);
        Made = CopyFileW((Win::Ansi::ToWide(TestDirectory()) + L"corvel.exe").c_str(), Exe().c_str(), FALSE);
    }
    ~UnicodeCopy() {
        DeleteFileW(Exe().c_str());
        RemoveDirectoryW(kFolder);
    }
    UnicodeCopy(const UnicodeCopy&) = delete;
    UnicodeCopy& operator=(const UnicodeCopy&) = delete;
    static std::wstring Exe() { return std::wstring(kFolder) + L"\\corvel.exe"; }
    bool Made = false;
    static constexpr wchar_t kFolder[] =
        L"C:\\\u041C\u0443\u0437\u044B\u043A\u0430 \u97F3\u697D";  // Музыка 音楽
};

std::wstring ReadRunEntry() {
    wchar_t data[512] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return L"<no key>";
    const LONG read =
        RegQueryValueExW(key, L"Corvel", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS ? data : L"<none>";
}

TEST_F(ElevationTest, FolderBeyondTheCodePageKeepsItsNameInTheRunEntryAndTheStep) {
    const UnicodeCopy copy;
    ASSERT_TRUE(copy.Made);
    const CorvelProcess step("-elevated startup-on", UnicodeCopy::Exe());
    ASSERT_TRUE(step.WaitForExit(20000));
    EXPECT_EQ(step.ExitCode(), 0u);
    EXPECT_EQ(ReadRunEntry(),
              L"\"c:\\\u043C\u0443\u0437\u044B\u043A\u0430 \u97F3\u697D\\corvel.exe\" -startup")
        << "the folder lower-cased, every letter kept";

    // Denied the registry, the copy's menu starts the step from that same path.
    StandInPlayer player;
    const KeyLock lock;
    Corvel = std::make_unique<CorvelProcess>("", UnicodeCopy::Exe());
    ASSERT_TRUE(Corvel->WaitReady());
    ASSERT_TRUE(WaitUntilHotkeysArmed(player));
    ASSERT_TRUE(Corvel->ChooseRunOnStartup());
    HeldStep held(Corvel->Id());
    EXPECT_TRUE(held.Held()) << "the step started from the folder beyond the code page";
    held.Resume();
    EXPECT_EQ(held.WaitForExitCode(), static_cast<DWORD>(ERROR_ACCESS_DENIED))
        << "Wine runs it as the same user";
}

TEST_F(ElevationTest, LockedRunOnStartupAsksForRightsAndShowsWhatTheRegistryHolds) {
    StandInPlayer player;
    auto lock = std::make_unique<KeyLock>();
    Corvel = std::make_unique<CorvelProcess>();
    ASSERT_TRUE(Corvel->WaitReady());
    ASSERT_TRUE(WaitUntilHotkeysArmed(player));

    ASSERT_TRUE(Corvel->ChooseRunOnStartup());
    HeldStep step(Corvel->Id());
    ASSERT_TRUE(step.Held()) << "the denied write started the step";
    PressKey(VK_SHIFT, VK_F3);
    EXPECT_TRUE(player.WaitForCommand(kNext, 0)) << "the hot keys answer while the step runs";
    EXPECT_TRUE(step.Running());

    // Under Wine the step runs as the same user and is denied too: write what an administrator's step would.
    lock.reset();
    WriteMachineValue(kSettingsKey, "RunOnStartup", "True");
    WriteMachineValue(kRunKey, "Corvel", StartCommand());
    lock = std::make_unique<KeyLock>();
    step.Resume();
    EXPECT_EQ(step.WaitForExitCode(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ASSERT_TRUE(WaitFor([&] { return step.ReleasedByParent(); }, 10000));

    // The check mark now shows the stored "True": the next choice, allowed, turns the setting off.
    lock.reset();
    ASSERT_TRUE(Corvel->ChooseRunOnStartup());
    EXPECT_TRUE(WaitFor([] {
        return ReadMachineValue(kSettingsKey, "RunOnStartup") == std::string("False") &&
               !ReadMachineValue(kRunKey, "Corvel");
    }));
    EXPECT_EQ(ReadMachineValue(kSettingsKey, "RunOnStartup"), "False");
}

// The log in C:\ cannot be denied under Wine: its open stands in, refusing as a folder without rights does.
int DeniedOpens = 0;
HANDLE WINAPI DenyingOpen(LPCSTR file,
                          DWORD access,
                          DWORD share,
                          LPSECURITY_ATTRIBUTES security,
                          DWORD creation,
                          DWORD flags,
                          HANDLE templateFile) {
    if (DeniedOpens > 0) {
        --DeniedOpens;
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileA(file, access, share, security, creation, flags, templateFile);
}

// Starts the step as asked, but of corvel.exe: this process is the test's.
std::vector<std::string> Requests;
BOOL WINAPI StartCorvelStep(SHELLEXECUTEINFOW* info) {
    Requests.push_back(Win::Ansi::FromWide(info->lpVerb) + " " + Win::Ansi::FromWide(info->lpParameters));
    const std::wstring corvel = Win::Ansi::ToWide(TestDirectory()) + L"corvel.exe";
    SHELLEXECUTEINFOW step = *info;
    step.lpFile = corvel.c_str();
    const BOOL started = ShellExecuteExW(&step);
    info->hProcess = step.hProcess;
    return started;
}

// Both stand in while it lives, then the real calls are back.
struct LogSeams {
    LogSeams() {
        WinampMod::OpenSongTitleLog = DenyingOpen;
        ElevationMod::StartElevated = StartCorvelStep;
    }
    ~LogSeams() {
        WinampMod::OpenSongTitleLog = CreateFileA;
        ElevationMod::StartElevated = ShellExecuteExW;
    }
};

TEST_F(ElevationTest, DeniedLogAsksOnceAndThenLogsTheTitle) {
    StandInPlayer player("1. Artist - Song - Winamp");
    const LogSeams seams;
    DeniedOpens = 1;
    ElevationMod::SongTitleNotLogged(L"Elsewhere", ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(Requests.empty()) << "only a denial asks for rights; other failures beep";
    const auto unlogged = WinampMod::SaveSongTitle();
    ASSERT_TRUE(unlogged.has_value());
    EXPECT_EQ(unlogged->Error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ElevationMod::SongTitleNotLogged(unlogged->Title, unlogged->Error);
    EXPECT_EQ(Requests, std::vector<std::string>{"runas -elevated songlog"});
    EXPECT_TRUE(WaitFor(
        [] {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            return !ElevationMod::StepRunning();
        },
        20000));
    EXPECT_EQ(ReadLog(), "1. Artist - Song\r\n") << "the step made the log, then the title went in";

    ElevationMod::SongTitleNotLogged(L"Later", ERROR_ACCESS_DENIED);
    EXPECT_EQ(Requests.size(), 1u) << "asked once per run; later denials beep";
    EXPECT_FALSE(ElevationMod::StepRunning());
}

}  // namespace
