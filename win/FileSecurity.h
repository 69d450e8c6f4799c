#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Who may change a file or a folder, read from its owner and its access control list.
namespace Win::FileSecurity {

// The accounts that count: the system's own, and the account this process runs as.
enum class Trustee { Administrators, System, TrustedInstaller, RunningUser, Other };

struct Ace {
    bool Allows;       // a deny entry only takes rights away; an entry of an unknown kind counts as allowing
    bool InheritOnly;  // meant for what is created inside, not for the object itself
    Trustee Who;
    ACCESS_MASK Rights;
};

struct Descriptor {
    bool Read = false;  // false: nothing could be read, which trusts nothing
    Trustee Owner = Trustee::Other;
    bool NullDacl = false;  // no list at all: everyone may do everything
    std::vector<Ace> Aces;
};

Descriptor Read(const std::wstring& path);  // a file or a folder, followed as Windows follows it to run it
bool RunningUserIsAdministrator();          // also while Windows runs it without the group's rights (UAC)
// True when nobody but Administrators, SYSTEM, TrustedInstaller and an administrator running this process
// holds any right beyond reading and running it: changing it, adding to it, its rights or its owner.
bool OnlyAdministratorsCanChange(const Descriptor& object, bool bRunningUserIsAdministrator);

}  // namespace Win::FileSecurity
