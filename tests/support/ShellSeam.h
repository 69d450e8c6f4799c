#pragma once

#include <windows.h>

#include <shellapi.h>

#include <array>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tray/SystrayIcon.h"

// One shell call as the shell saw it: the message and the record's 88 bytes.
struct ShellCall {
    DWORD Message;
    std::array<unsigned char, 88> Bytes;

    DWORD Field(size_t offset) const {
        DWORD value;
        std::memcpy(&value, Bytes.data() + offset, sizeof value);
        return value;
    }
    DWORD Size() const { return Field(0); }
    HWND Window() const { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(Field(4))); }
    UINT Id() const { return Field(8); }
    UINT Flags() const { return Field(12); }
    UINT Callback() const { return Field(16); }
    HICON Icon() const { return reinterpret_cast<HICON>(static_cast<UINT_PTR>(Field(20))); }
    std::string Tip() const { return std::string(Bytes.begin() + 24, Bytes.end()); }
};

// Stands in for Shell_NotifyIconA while it lives, then puts the previous function back.
class ShellSeam {
public:
    ShellSeam() : Previous(SystrayShell::ShellNotify) {
        Active = this;
        SystrayShell::ShellNotify = Capture;
    }
    ~ShellSeam() {
        SystrayShell::ShellNotify = Previous;
        Active = nullptr;
    }
    ShellSeam(const ShellSeam&) = delete;
    ShellSeam& operator=(const ShellSeam&) = delete;

    std::vector<ShellCall> Calls;
    std::optional<DWORD> FailWith;  // while set, every call fails with this error code
    // Else, when set, the shell's error code for each message; ERROR_SUCCESS accepts it.
    std::function<DWORD(DWORD dwMessage)> Answer;

private:
    static BOOL WINAPI Capture(DWORD dwMessage, PNOTIFYICONDATAA lpData) {
        ShellCall call{dwMessage, {}};
        std::memcpy(call.Bytes.data(), lpData, call.Bytes.size());
        Active->Calls.push_back(call);
        const DWORD error = Active->FailWith ? *Active->FailWith
                            : Active->Answer ? Active->Answer(dwMessage)
                                             : ERROR_SUCCESS;
        if (error == ERROR_SUCCESS) return TRUE;
        SetLastError(error);
        return FALSE;
    }

    inline static ShellSeam* Active = nullptr;
    SystrayShell::ShellNotifyFn Previous;
};

// A shell with room for the one icon, as the seam's Answer: it adds only what it does not hold yet and
// changes or removes only what it holds. While Busy every call times out; with LateAdds a timed-out add
// is still carried out, as a busy shell does once it catches up.
struct OneIconShell {
    bool Holds = false;
    bool Busy = false;
    bool LateAdds = false;

    DWORD operator()(DWORD dwMessage) {
        if (Busy) {
            if (dwMessage == NIM_ADD && LateAdds) Holds = true;
            return ERROR_TIMEOUT;
        }
        if ((dwMessage == NIM_ADD) == Holds) return ERROR_INVALID_PARAMETER;
        Holds = dwMessage != NIM_DELETE;
        return ERROR_SUCCESS;
    }
};
