#include "win/Application.h"

#include <windows.h>

#include <cstdarg>
#include <exception>

#include "win/Ansi.h"
#include "win/IdlePath.h"

namespace {

constexpr char kUncaughtFailure[] = "An unexpected failure occurred. The program will end.";

// In Unicode: a folder named beyond the ANSI code page, C:\Музыка for one, keeps its name.
std::wstring ModuleFileName() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring_view TitleText;
HWND ServedDialog = nullptr;  // set once by Run, before any window exists; a literal lives as long

constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

// Looked up, not imported: Windows refuses to start a program that imports a function it lacks.
template <typename Function>
Function Lookup(const char* dll, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(dll), name)));
}

// The loop the program idles in, on the same page as the tick it serves.
IDLE_PATH void PumpMessages() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (ServedDialog && IsDialogMessageA(ServedDialog, &msg)) continue;  // Tab, Enter and Esc
        // Only key messages have characters to make: skipping the rest saves a call on every timer tick.
        if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

namespace Win::Application {

DllSearch ChooseDllSearch(bool hasDefaultDllDirectories,
                          bool hasDllDirectory,
                          unsigned major,
                          unsigned minor) {
    // SetDefaultDllDirectories: Windows 8 on, Vista and 7 with KB2533623. On Vista (6.0) it is left out, as
    // NSIS leaves it out there: that update's version has broken loads that Windows' own components make.
    // SetDllDirectoryA(""), from XP SP1 on, at least takes the current folder out of the search.
    if (hasDefaultDllDirectories && !(major == 6 && minor == 0)) return DllSearch::SystemOnly;
    return hasDllDirectory ? DllSearch::NoCurrentDirectory : DllSearch::Unchanged;  // Windows 2000: neither
}

DllSearch RestrictDllSearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
    const auto setDefault = Lookup<SetDefaultDllDirectoriesFn>("kernel32.dll", "SetDefaultDllDirectories");
    const auto setDirectory = Lookup<SetDllDirectoryFn>("kernel32.dll", "SetDllDirectoryA");
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    const DllSearch way = ChooseDllSearch(setDefault != nullptr, setDirectory != nullptr, info.dwMajorVersion,
                                          info.dwMinorVersion);
    // Results dropped: either call fails only for a wrong argument.
    if (way == DllSearch::SystemOnly) setDefault(kLoadLibrarySearchSystem32);
    if (way == DllSearch::NoCurrentDirectory) setDirectory("");
    return way;
}

bool PrevInstance(const std::wstring& instanceName) {
    // The handle stays open for the life of the process: it is what later starts find.
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, Ansi::FromWide(instanceName).c_str());
    return mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

std::wstring FilePath() {
    return ModuleFileName();
}

std::wstring Path() {
    std::wstring file = ModuleFileName();
    const size_t slash = file.find_last_of(L'\\');
    if (slash == std::wstring::npos) return {};
    // "C:\" keeps its backslash; every other folder is given without one.
    return file.substr(0, slash == 2 && file[1] == L':' ? slash + 1 : slash);
}

std::wstring ExeName() {
    std::wstring file = ModuleFileName();
    const size_t slash = file.find_last_of(L'\\');
    std::wstring name = slash == std::wstring::npos ? file : file.substr(slash + 1);
    const size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

VersionNumbers Version() {
    // Read straight from our own resource: the fixed part starts at its signature.
    const HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16));
    const HGLOBAL loaded = info ? LoadResource(nullptr, info) : nullptr;
    const auto* bytes = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes) return {};
    const DWORD size = SizeofResource(nullptr, info);
    for (DWORD offset = 0; offset + sizeof(VS_FIXEDFILEINFO) <= size; offset += 4) {
        VS_FIXEDFILEINFO fixed;
        CopyMemory(&fixed, bytes + offset, sizeof fixed);
        if (fixed.dwSignature == VS_FFI_SIGNATURE)
            return {HIWORD(fixed.dwFileVersionMS), LOWORD(fixed.dwFileVersionMS),
                    HIWORD(fixed.dwFileVersionLS)};
    }
    return {};
}

// Windows' own rule for the program name: a quoted name ends at its closing quote, blank or not after it;
// an unquoted one at the first blank.
std::wstring ArgumentsOf(std::wstring_view commandLine) {
    size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        const size_t close = commandLine.find(L'"', 1);
        i = close == std::wstring_view::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && commandLine[i] != L' ' && commandLine[i] != L'\t') ++i;
    }
    while (i < commandLine.size() && (commandLine[i] == L' ' || commandLine[i] == L'\t')) ++i;
    return std::wstring(commandLine.substr(i));
}

std::wstring Command() {
    return ArgumentsOf(Ansi::ToWide(GetCommandLineA()));
}

void MsgBox(const std::wstring& text) {
    MessageBoxA(nullptr, Ansi::FromWide(text).c_str(), Ansi::FromWide(TitleText).c_str(),
                MB_OK | MB_ICONINFORMATION);
}

void End(unsigned exitCode) {
    ExitProcess(exitCode);
}

void ReportUncaughtFailure() {
    MessageBoxA(nullptr, kUncaughtFailure, Ansi::FromWide(TitleText).c_str(), MB_OK | MB_ICONHAND);
    ExitProcess(1);
}

void Trace(const char* format, ...) {
    // Windows' own formatter writes at most 1024 characters and adds no code to the program; the call
    // costs next to nothing while no debugger or DebugView listens.
    char line[1200];
    const int head = wsprintfA(line, "%.64s: ", Ansi::FromWide(ExeName()).c_str());
    va_list arguments;
    va_start(arguments, format);
    const int body = wvsprintfA(line + head, format, arguments);
    va_end(arguments);
    line[head + body] = '\n';
    line[head + body + 1] = '\0';
    OutputDebugStringA(line);
}

int ScreenDpi() {
    // Asked once: the dpi that Windows gives a process stays the same for its life, and the layout
    // converts dozens of values at start-up.
    static const int dpi = [] {
        const HDC screen = GetDC(nullptr);
        const int asked = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        return asked > 0 ? asked : 96;
    }();
    return dpi;
}

bool DeclareDpiAware() {
    using SetProcessDpiAwareFn = BOOL(WINAPI*)();  // Windows Vista on
    const auto declare = Lookup<SetProcessDpiAwareFn>("user32.dll", "SetProcessDPIAware");
    return declare && declare();
}

int TwipsPerPixelX() {
    return 1440 / ScreenDpi();
}

std::wstring LCase(std::wstring text) {
    // The system's own rules, so that letters beyond ASCII lower-case too; in Unicode, so that letters the
    // ANSI code page lacks stay letters. For text the code page carries, the result is the same.
    if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool WindowsAtLeast(unsigned major, unsigned minor) {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);  // on failure the version stays 0.0, below every version asked for
    return info.dwMajorVersion > major || (info.dwMajorVersion == major && info.dwMinorVersion >= minor);
}

bool UnderWow64() {
    // IsWow64Process: XP SP2 and Server 2003 SP1 on, which every x64 Windows is at least; a Windows without
    // it runs 32-bit programs natively.
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = Lookup<IsWow64ProcessFn>("kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

void ServeDialog(HWND hDialog) {
    ServedDialog = hDialog;
}

int Run(std::wstring_view title, void (*main)()) {
    TitleText = title;
    std::set_terminate(ReportUncaughtFailure);  // a failure that ends the program is reported too
    DeclareDpiAware();  // before any window or screen measure: the layout follows the screen's real dpi
    try {
        main();
    } catch (...) {
        ReportUncaughtFailure();
    }
    PumpMessages();
    return 0;
}

}  // namespace Win::Application
