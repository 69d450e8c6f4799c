#include <gtest/gtest.h>
#include <windows.h>

#include <psapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/CorvelProcess.h"
#include "tests/support/PeFile.h"
#include "tests/support/PlayerCommands.h"
#include "tests/support/StandInPlayer.h"
#include "tests/support/WineTray.h"

namespace {

// A folder of the user's choosing, with a space in it as /D= allows; and one an earlier version went into.
constexpr char kInstallDir[] = "C:\\Corvel Chosen Folder";
constexpr char kEarlierDir[] = "C:\\Corvel Earlier Folder";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvel";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kSettingsKey[] = "Software\\Corvel Win2K";
constexpr char kUnrelatedName[] = "CorvelTestUnrelated";
constexpr char kUnrelatedCommand[] = "\"c:\\elsewhere\\other.exe\" -quiet";
constexpr DWORD kInstallerTimeoutMs = 120000;
constexpr char kLog[] = "C:\\SongNames.txt";

std::string Installed(const char* name, const char* folder = kInstallDir) {
    return std::string(folder) + "\\" + name;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The installer that scripts/package wrote beside the tests; its name carries the version. package-next holds
// the same release stamped with a later version.
std::string SetupExe(const char* folder = "package-dist") {
    const std::string dist = TestDirectory() + folder + "\\";
    WIN32_FIND_DATAA found = {};
    const HANDLE search = FindFirstFileA((dist + "corvel-*-setup.exe").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return "";
    FindClose(search);
    return dist + found.cFileName;
}

std::string Shortcut() {
    char programs[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE);
    return std::string(programs) + "\\Corvel.lnk";
}

std::string ShortcutTarget(const std::string& link) {
    char target[MAX_PATH] = {};
    CoInitialize(nullptr);
    IShellLinkA* shellLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shellLink)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            std::wstring wide(link.begin(), link.end());
            if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)))
                shellLink->GetPath(target, MAX_PATH, nullptr, 0);
            file->Release();
        }
        shellLink->Release();
    }
    CoUninitialize();
    return target;
}

DWORD ReadMachineDword(const char* path, const char* name) {
    DWORD data = 0, size = sizeof data;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    return data;
}

// The Add/Remove Programs entries that show this name.
int UninstallEntriesNamed(const std::string& displayName) {
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstall.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    int count = 0;
    char name[256];
    DWORD size = sizeof name;
    for (DWORD i = 0; RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i) {
        count += ReadMachineValue((uninstall + "\\" + name).c_str(), "DisplayName") == displayName;
        size = sizeof name;
    }
    RegCloseKey(key);
    return count;
}

bool MachineKeyExists(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void SetRunValue(const char* name, const char* command) {
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_LOCAL_MACHINE, kRunKey, &key);
    if (command)
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(command), lstrlenA(command) + 1);
    else
        RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// What the program's version resource says of itself, as the installer should repeat it.
struct VersionInfo {
    std::string Version, ProductName, CompanyName;
};

VersionInfo ReadVersionInfo(const std::string& exe) {
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(exe.c_str(), &ignored) + 1);
    if (!GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data())) return {};
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length);
    auto text = [&](const char* name) {
        char* value = nullptr;
        const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
        return VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) && value
                   ? std::string(value)
                   : std::string();
    };
    return {std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                std::to_string(HIWORD(fixed->dwFileVersionLS)),
            text("ProductName"), text("CompanyName")};
}

// The processes that parentId started, less the services of Windows itself that a shell call may start.
std::vector<HANDLE> ChildProcesses(DWORD parentId) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::vector<HANDLE> children;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID != parentId) continue;
        const HANDLE process =
            OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                        entry.th32ProcessID);
        char image[MAX_PATH] = {};
        if (process && GetModuleFileNameExA(process, nullptr, image, MAX_PATH) &&
            _strnicmp(image, windows, lstrlenA(windows)) != 0)
            children.push_back(process);
        else if (process)
            CloseHandle(process);
    }
    CloseHandle(snapshot);
    return children;
}

// Waits for the process, or ends it after the timeout; its exit code, or STILL_ACTIVE when it had to be
// ended.
DWORD WaitForEnd(HANDLE process) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, kInstallerTimeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    else
        TerminateProcess(process, 1);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
    return code;
}

// Starts the command; its process and id, or none, with GetLastError saying why.
PROCESS_INFORMATION Start(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return {};
    CloseHandle(info.hThread);
    return info;
}

// Runs the command to its end and the processes it started too, since the uninstaller hands its work to a
// copy of itself and returns at once. The exit code of the last of them.
DWORD RunToEnd(const std::string& commandLine) {
    const PROCESS_INFORMATION info = Start(commandLine);
    if (!info.hProcess) return GetLastError();
    DWORD code = WaitForEnd(info.hProcess);
    for (HANDLE child : ChildProcesses(info.dwProcessId)) code = WaitForEnd(child);
    return code;
}

// Runs setup with its pages, clicking each page's default button (Next, Install, Finish) as a user who keeps
// every choice would, until it ends; its exit code. A disabled button, as while files go in, takes no click.
DWORD ClickThrough(const std::string& commandLine) {
    const PROCESS_INFORMATION info = Start(commandLine);
    if (!info.hProcess) return GetLastError();
    WaitFor(
        [&] {
            if (const HWND page = FindProcessWindow(info.dwProcessId, "#32770"))
                PostMessageA(page, WM_COMMAND, IDOK, 0);
            return WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0;
        },
        kInstallerTimeoutMs, 500);
    return WaitForEnd(info.hProcess);
}

// The program file of the process that started this one.
std::string ParentImage(DWORD processId) {
    DWORD parentId = 0;
    std::string image;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == processId) parentId = entry.th32ParentProcessID;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (parentId != 0 && entry.th32ProcessID == parentId) image = entry.szExeFile;
    CloseHandle(snapshot);
    return image;
}

// Traces of any installation, so that no earlier run decides this one.
void RemoveTraces() {
    for (const char* folder : {kInstallDir, kEarlierDir}) {
        for (const char* name : {"corvel.exe", "README.txt", "LICENSE.txt", "uninstall.exe", "notes.txt"})
            DeleteFileA(Installed(name, folder).c_str());
        RemoveDirectoryA(folder);
    }
    DeleteFileA(Shortcut().c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    ClearRunOnStartup();
    SetRunValue(kUnrelatedName, nullptr);
    DeleteFileA(kLog);
}

std::string ReadLog() {
    std::ifstream in(kLog, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(SetupExe(), "") << "no installer: scripts/package writes it (the PackageBuild test)";
        RemoveTraces();
    }
    void TearDown() override {
        Corvel.reset();
        RemoveTraces();
    }
    // /D= comes last and unquoted, spaces and all; without a folder, setup takes the one it proposes.
    static void Install(const std::string& setup = SetupExe(),
                        const char* folder = kInstallDir,
                        const std::string& options = "") {
        ASSERT_EQ(RunToEnd("\"" + setup + "\" /S" + options + (folder ? std::string(" /D=") + folder : "")),
                  0u);
    }
    void StartInstalled(const char* folder = kInstallDir) {
        Corvel = std::make_unique<CorvelProcess>("", Installed("corvel.exe", folder));
        ASSERT_TRUE(Corvel->WaitReady());
        ASSERT_TRUE(WaitFor([] { return TrayIconCount() == 1; }));
    }
    void TurnOnRunOnStartup() {
        ASSERT_TRUE(Corvel->ChooseRunOnStartup());
        ASSERT_TRUE(WaitFor([] { return ReadMachineValue(kRunKey, "Corvel").has_value(); }));
        ASSERT_EQ(ReadMachineValue(kSettingsKey, "RunOnStartup"), "True");
    }
    std::unique_ptr<CorvelProcess> Corvel;
};

TEST_F(InstallerTest, SilentInstallIntoAChosenFolder) {
    ASSERT_NO_FATAL_FAILURE(Install());
    for (const char* name : {"corvel.exe", "README.txt", "LICENSE.txt", "uninstall.exe"})
        EXPECT_TRUE(Exists(Installed(name))) << name;
    EXPECT_STRCASEEQ(ShortcutTarget(Shortcut()).c_str(), Installed("corvel.exe").c_str());

    const VersionInfo program = ReadVersionInfo(Installed("corvel.exe"));
    EXPECT_EQ(ReadMachineValue(kUninstallKey, "DisplayName"), program.ProductName);
    EXPECT_EQ(ReadMachineValue(kUninstallKey, "DisplayVersion"), program.Version);
    EXPECT_EQ(ReadMachineValue(kUninstallKey, "Publisher"), program.CompanyName);
    EXPECT_EQ(ReadMachineValue(kUninstallKey, "DisplayIcon"), Installed("corvel.exe") + ",0");
    EXPECT_EQ(ReadMachineValue(kUninstallKey, "UninstallString"), "\"" + Installed("uninstall.exe") + "\"");
    EXPECT_GT(ReadMachineDword(kUninstallKey, "EstimatedSize"), 0u);
    EXPECT_TRUE(Exists(kLog)) << "the song title log, for every user";
    EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), std::nullopt) << "start with Windows is off by default";
    EXPECT_EQ(ReadPeFile(Installed("uninstall.exe")).TimeDateStamp, ReadPeFile(SetupExe()).TimeDateStamp)
        << "the release's time, not the day the NSIS stub was built";

    StandInPlayer player;
    ASSERT_NO_FATAL_FAILURE(StartInstalled());
    PressKey(VK_SHIFT, VK_F3);
    EXPECT_TRUE(player.WaitForCommand(kNext, 0)) << "next song";
}

TEST_F(InstallerTest, FinishPageStartsTheProgramThroughTheDesktopsShell) {
    EXPECT_EQ(ClickThrough("\"" + SetupExe() + "\" /D=" + kInstallDir), 0u);
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindWindowA("CorvelMainForm", nullptr)) != nullptr; }, 20000))
        << "the finish page's \"Start ... now\" is chosen by default";
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    EXPECT_STRCASEEQ(ParentImage(id).c_str(), "explorer.exe")
        << "started as the user, not with setup's token";
    // Ended as Windows ends it at log-off, so that its icon goes too.
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 10000, &answer);
    SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 10000, &answer);
    EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    CloseHandle(process);
}

// Another user may have made a folder that is there already, and would own it: setup takes only its own.
TEST_F(InstallerTest, FolderThereAlreadyIsRefusedEmptyOrNot) {
    ASSERT_TRUE(CreateDirectoryA(kInstallDir, nullptr));
    const std::string notes = Installed("notes.txt");
    std::ofstream(notes) << "the user's";
    EXPECT_EQ(RunToEnd("\"" + SetupExe() + "\" /S /D=" + kInstallDir),
              static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(Exists(Installed("corvel.exe")));
    EXPECT_TRUE(Exists(notes));
    EXPECT_FALSE(MachineKeyExists(kUninstallKey)) << "nothing installed";

    DeleteFileA(notes.c_str());
    EXPECT_EQ(RunToEnd("\"" + SetupExe() + "\" /S /D=" + kInstallDir),
              static_cast<DWORD>(ERROR_ALREADY_EXISTS))
        << "empty, too";
    EXPECT_FALSE(Exists(Installed("corvel.exe")));
    RemoveDirectoryA(kInstallDir);
    ASSERT_NO_FATAL_FAILURE(Install());
    EXPECT_TRUE(Exists(Installed("corvel.exe")));
    ASSERT_NO_FATAL_FAILURE(Install()) << "its own folder, again";
}

TEST_F(InstallerTest, InstallerAndUninstallerStartOnWindows2000) {
    ASSERT_NO_FATAL_FAILURE(Install());
    for (const std::string& exe : {SetupExe(), Installed("uninstall.exe")})
        EXPECT_EQ(Windows2000Problems(ReadPeFile(exe), TestDirectory() + "win2000-installer-imports.txt"), "")
            << exe;
}

TEST_F(InstallerTest, InstallOverARunningCopyEndsItThroughItsUnload) {
    ASSERT_NO_FATAL_FAILURE(Install());
    // An old time on the installed file shows whether it was replaced.
    const HANDLE file = CreateFileA(Installed("corvel.exe").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    SYSTEMTIME old = {2001, 1, 0, 1, 0, 0, 0, 0};
    FILETIME oldTime = {};
    SystemTimeToFileTime(&old, &oldTime);
    SetFileTime(file, nullptr, nullptr, &oldTime);
    CloseHandle(file);
    ASSERT_NO_FATAL_FAILURE(StartInstalled());

    ASSERT_NO_FATAL_FAILURE(Install(SetupExe(), nullptr));  // proposed: the installed copy's folder
    EXPECT_TRUE(Corvel->WaitForExit()) << "setup ends before the copy it replaces";
    EXPECT_EQ(Corvel->ExitCode(), 0u) << "the program's own end, not a killed process";
    EXPECT_TRUE(WaitFor([] { return TrayIconCount() == 0; })) << "its unload took the icon away";
    EXPECT_EQ(FindWindowA("CorvelMainForm", nullptr), nullptr) << "a silent install starts no copy";
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    ASSERT_TRUE(GetFileAttributesExA(Installed("corvel.exe").c_str(), GetFileExInfoStandard, &attributes));
    EXPECT_NE(CompareFileTime(&attributes.ftLastWriteTime, &oldTime), 0) << "the file was replaced";
}

TEST_F(InstallerTest, SilentUninstallLeavesNothingOfItsOwnAndTouchesNothingElse) {
    ASSERT_NO_FATAL_FAILURE(Install());
    SetRunValue(kUnrelatedName, kUnrelatedCommand);
    ASSERT_NO_FATAL_FAILURE(StartInstalled());
    ASSERT_NO_FATAL_FAILURE(TurnOnRunOnStartup());

    EXPECT_EQ(RunToEnd("\"" + Installed("uninstall.exe") + "\" /S"), 0u);
    EXPECT_TRUE(Corvel->WaitForExit());
    EXPECT_EQ(Corvel->ExitCode(), 0u) << "the program's own end, not a killed process";
    EXPECT_TRUE(WaitFor([] { return TrayIconCount() == 0; }));
    EXPECT_FALSE(Exists(kInstallDir));
    EXPECT_FALSE(Exists(Shortcut()));
    EXPECT_FALSE(MachineKeyExists(kUninstallKey));
    EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), std::nullopt);
    EXPECT_FALSE(MachineKeyExists(kSettingsKey)) << "the value went, then the empty key";
    EXPECT_EQ(ReadMachineValue(kRunKey, kUnrelatedName), kUnrelatedCommand);
}

// An uninstaller that cannot end the running copy gives up and changes nothing: Run On Startup stays on.
TEST_F(InstallerTest, UninstallThatCannotEndTheCopyLeavesRunOnStartupOn) {
    ASSERT_NO_FATAL_FAILURE(Install(SetupExe(), kInstallDir, " /STARTUP"));
    const auto runEntry = ReadMachineValue(kRunKey, "Corvel");
    ASSERT_NE(runEntry, std::nullopt);
    // Held open without leave to delete, as a copy that does not end holds it.
    const HANDLE held = CreateFileA(Installed("corvel.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunToEnd("\"" + Installed("uninstall.exe") + "\" /S"),
              static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(held);
    EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), runEntry);
    EXPECT_EQ(ReadMachineValue(kSettingsKey, "RunOnStartup"), "True");
    EXPECT_EQ(RunToEnd("\"" + Installed("uninstall.exe") + "\" /S"), 0u);
    EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), std::nullopt);
}

TEST_F(InstallerTest, UpgradeIntoAnotherFolderLeavesOneInstallationThatStartsOnLogOn) {
    const std::string nextSetup = SetupExe("package-next");
    ASSERT_NE(nextSetup, "") << "no later version: the PackageBuildNext test writes it";
    ASSERT_NO_FATAL_FAILURE(Install(SetupExe(), kEarlierDir));
    ASSERT_NO_FATAL_FAILURE(StartInstalled(kEarlierDir));
    ASSERT_NO_FATAL_FAILURE(TurnOnRunOnStartup());
    const VersionInfo earlier = ReadVersionInfo(Installed("corvel.exe", kEarlierDir));

    ASSERT_NO_FATAL_FAILURE(Install(nextSetup, kInstallDir));
    EXPECT_TRUE(Corvel->WaitForExit()) << "the running earlier copy was ended";
    EXPECT_FALSE(Exists(kEarlierDir)) << "the earlier copy was removed";
    const VersionInfo next = ReadVersionInfo(Installed("corvel.exe"));
    EXPECT_NE(next.Version, earlier.Version);
    EXPECT_EQ(UninstallEntriesNamed(next.ProductName), 1);
    EXPECT_EQ(ReadMachineValue(kUninstallKey, "InstallLocation"), kInstallDir);
    EXPECT_EQ(ReadMachineValue(kUninstallKey, "DisplayVersion"), next.Version);
    EXPECT_STRCASEEQ(ShortcutTarget(Shortcut()).c_str(), Installed("corvel.exe").c_str());
    EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), "\"c:\\corvel chosen folder\\corvel.exe\" -startup");
    EXPECT_EQ(ReadMachineValue(kSettingsKey, "RunOnStartup"), "True");

    StandInPlayer player;
    ASSERT_NO_FATAL_FAILURE(StartInstalled());
    PressKey(VK_SHIFT, VK_F3);
    EXPECT_TRUE(player.WaitForCommand(40048, 0)) << "next song";
}

// Switched off in Task Manager, Run On Startup stays off through an upgrade into another folder: the new copy
// gets no entry, and the earlier copy's uninstaller removes the mark with its own entry.
TEST_F(InstallerTest, UpgradeLeavesRunOnStartupSwitchedOffInTaskManagerOffAndRemovesTheMark) {
    const std::string nextSetup = SetupExe("package-next");
    ASSERT_NE(nextSetup, "") << "no later version: the PackageBuildNext test writes it";
    const WineVersionForCorvel windows("win10");  // the program keeps the mark from Windows 8 on
    ASSERT_NO_FATAL_FAILURE(Install(SetupExe(), kEarlierDir, " /STARTUP"));
    ASSERT_EQ(ReadStartupMark(), std::string(1, '\x02') + std::string(11, '\0'));
    WriteStartupMark(std::string("\x03\0\0\0\x6b\x2f\x9e\x51\x3c\x55\xdb\x01", 12));  // and a time

    ASSERT_NO_FATAL_FAILURE(Install(nextSetup, kInstallDir));
    EXPECT_FALSE(Exists(kEarlierDir)) << "the earlier copy was removed";
    EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), std::nullopt) << "not switched on again";
    EXPECT_FALSE(MachineKeyExists(kSettingsKey));
    EXPECT_EQ(ReadStartupMark(), std::nullopt) << "gone with the earlier copy's entry";
}

TEST_F(InstallerTest, StartupSwitchWritesWhatTheMenuWritesAndTheLogOutlivesTheUninstaller) {
    std::ofstream(kLog, std::ios::binary) << "earlier line\r\n";
    ASSERT_NO_FATAL_FAILURE(Install(SetupExe(), kInstallDir, " /STARTUP"));
    EXPECT_EQ(ReadLog(), "earlier line\r\n") << "a log that is there is left alone";
    const auto setting = ReadMachineValue(kSettingsKey, "RunOnStartup");
    const auto runEntry = ReadMachineValue(kRunKey, "Corvel");
    EXPECT_EQ(setting, "True");

    // What the menu of the installed copy writes, from nothing.
    ClearRunOnStartup();
    ASSERT_NO_FATAL_FAILURE(StartInstalled());
    ASSERT_NO_FATAL_FAILURE(TurnOnRunOnStartup());
    EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), runEntry);
    Corvel.reset();

    EXPECT_EQ(RunToEnd("\"" + Installed("uninstall.exe") + "\" /S"), 0u);
    EXPECT_EQ(ReadMachineValue(kRunKey, "Corvel"), std::nullopt);
    EXPECT_FALSE(MachineKeyExists(kSettingsKey));
    EXPECT_EQ(ReadLog(), "earlier line\r\n") << "the log is the user's: it stays";
}

}  // namespace
