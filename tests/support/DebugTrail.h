#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Listens as DebugView does, while it lives: the lines that any program of this session writes with
// OutputDebugStringA. One at a time: the buffer and its events have fixed names.
class DebugTrail {
public:
    DebugTrail();
    ~DebugTrail();
    DebugTrail(const DebugTrail&) = delete;
    DebugTrail& operator=(const DebugTrail&) = delete;

    std::vector<std::string> Lines() const;
    bool WaitForLine(const std::string& text, DWORD timeoutMs = 5000) const;  // a line that holds text

private:
    static DWORD WINAPI ThreadProc(LPVOID self);
    void Listen();

    mutable CRITICAL_SECTION Lock;
    std::vector<std::string> Received;
    HANDLE Mutex = nullptr;
    HANDLE Mapping = nullptr;
    const char* Buffer = nullptr;  // the writer's process id, then its text
    HANDLE BufferReady = nullptr;
    HANDLE DataReady = nullptr;
    HANDLE Stop = nullptr;
    HANDLE Thread = nullptr;
};
