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
// True when nobody but Administrators, SYSTEM, TrustedInstaller and, when trusted, the account running this
// process holds any right beyond reading and running it: changing it, adding to it, its rights or its owner.
bool OnlyAdministratorsCanChange(const Descriptor& object, bool bTrustRunningUser);
// True when nobody else may delete, rename or take over the folder, nor delete or rename what it holds.
bool OnlyAdministratorsCanMove(const Descriptor& folder, bool bTrustRunningUser);
// The folders above a file, nearest first, up to its drive's root; none unless it is a plain "X:\" path.
std::vector<std::wstring> FoldersAbove(const std::wstring& file);
bool IsInside(const std::wstring& path, const std::wstring& folder);  // letters compared in any case
// The rule for a program that runs for others: only administrators can change the file and its folder, or
// move any folder above it, on a fixed local drive, with no junction or link on the way.
bool OnlyAdministratorsCanChangeProgram(const std::wstring& file);

}  // namespace Win::FileSecurity
