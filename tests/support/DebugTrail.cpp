#include "tests/support/DebugTrail.h"

#include <cstring>

#include "tests/support/Wait.h"

namespace {

constexpr DWORD kBufferSize = 4096;  // what writers fill at most

}  // namespace

DebugTrail::DebugTrail() {
    InitializeCriticalSection(&Lock);
    Mutex = CreateMutexA(nullptr, FALSE, "DBWinMutex");  // writers take turns with it
    Mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferSize, "DBWIN_BUFFER");
    Buffer = static_cast<const char*>(MapViewOfFile(Mapping, FILE_MAP_READ, 0, 0, 0));
    BufferReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    DataReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    Stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Thread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
}

DebugTrail::~DebugTrail() {
    SetEvent(Stop);
    WaitForSingleObject(Thread, INFINITE);
    CloseHandle(Thread);
    CloseHandle(Stop);
    CloseHandle(DataReady);
    CloseHandle(BufferReady);
    UnmapViewOfFile(Buffer);
    CloseHandle(Mapping);
    CloseHandle(Mutex);
    DeleteCriticalSection(&Lock);
}

DWORD WINAPI DebugTrail::ThreadProc(LPVOID self) {
    static_cast<DebugTrail*>(self)->Listen();
    return 0;
}

void DebugTrail::Listen() {
    const HANDLE events[] = {DataReady, Stop};
    for (;;) {
        SetEvent(BufferReady);  // the next writer may fill the buffer
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) return;
        const char* text = Buffer + sizeof(DWORD);
        std::string line(text, strnlen(text, kBufferSize - sizeof(DWORD)));
        EnterCriticalSection(&Lock);
        Received.push_back(std::move(line));
        LeaveCriticalSection(&Lock);
    }
}

std::vector<std::string> DebugTrail::Lines() const {
    EnterCriticalSection(&Lock);
    std::vector<std::string> lines = Received;
    LeaveCriticalSection(&Lock);
    return lines;
}

bool DebugTrail::WaitForLine(const std::string& text, DWORD timeoutMs) const {
    return WaitFor(
        [&] {
            for (const std::string& line : Lines())
                if (line.find(text) != std::string::npos) return true;
            return false;
        },
        timeoutMs);
}
