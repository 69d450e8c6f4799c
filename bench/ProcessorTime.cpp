#include "bench/ProcessorTime.h"

#include <tlhelp32.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr char kHostProc[] = "Z:\\proc\\";

std::optional<std::string> ReadWhole(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    return text;
}

// The numbered entries of a /proc folder: processes, or a process's threads.
std::vector<std::string> Numbered(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (found.cFileName[0] >= '1' && found.cFileName[0] <= '9') names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

double Milliseconds(FILETIME time) {
    return static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime) /
           10000.0;
}

}  // namespace

bool HasArgument(const std::string& commandLine, const std::string& argument) {
    for (size_t start = 0; start < commandLine.size();) {
        size_t end = commandLine.find('\0', start);
        if (end == std::string::npos) end = commandLine.size();
        if (commandLine.compare(start, end - start, argument) == 0) return true;
        start = end + 1;
    }
    return false;
}

std::optional<double> SchedstatMs(const std::string& schedstat) {
    char* end = nullptr;
    const unsigned long long nanoseconds = std::strtoull(schedstat.c_str(), &end, 10);
    if (end == schedstat.c_str()) return std::nullopt;
    return static_cast<double>(nanoseconds) / 1e6;
}

std::optional<unsigned> HostProcessWithArgument(const std::string& argument) {
    std::optional<unsigned> match;
    for (const std::string& id : Numbered(kHostProc)) {
        const auto commandLine = ReadWhole(kHostProc + id + "\\cmdline");
        if (!commandLine || !HasArgument(*commandLine, argument)) continue;
        if (match) return std::nullopt;  // two: neither is surely ours
        match = static_cast<unsigned>(std::strtoul(id.c_str(), nullptr, 10));
    }
    return match;
}

std::optional<double> HostProcessorMs(unsigned hostProcessId) {
    const std::string tasks = kHostProc + std::to_string(hostProcessId) + "\\task\\";
    const std::vector<std::string> threads = Numbered(tasks);
    if (threads.empty()) return std::nullopt;
    double total = 0;
    for (const std::string& thread : threads) {
        const auto schedstat = ReadWhole(tasks + thread + "\\schedstat");
        const auto ms = schedstat ? SchedstatMs(*schedstat) : std::nullopt;
        if (!ms) return std::nullopt;
        total += *ms;
    }
    return total;
}

std::optional<double> ThreadTimesMs(DWORD processId) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return std::nullopt;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    std::optional<double> total;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId) continue;
        const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        FILETIME created, exited, kernel, user;
        if (thread && GetThreadTimes(thread, &created, &exited, &kernel, &user))
            total = total.value_or(0) + Milliseconds(kernel) + Milliseconds(user);
        if (thread) CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return total;
}
