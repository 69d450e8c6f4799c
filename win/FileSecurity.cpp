#include "win/FileSecurity.h"

#include <aclapi.h>
#include <shlobj.h>

#include "win/Application.h"
#include "win/UniqueHandle.h"

namespace {

using Win::FileSecurity::Ace;
using Win::FileSecurity::Trustee;

// Reading and running; every other right, generic or specific, changes something.
constexpr ACCESS_MASK kReadAndRun = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE | GENERIC_READ | GENERIC_EXECUTE;
// What lets another user put a new folder at a folder's path: deleting or renaming it (DELETE, or
// FILE_DELETE_CHILD on the folder above), or giving herself those rights.
constexpr ACCESS_MASK kMove = DELETE | WRITE_DAC | WRITE_OWNER | FILE_DELETE_CHILD | GENERIC_ALL;

struct Account {
    Trustee Who;
    BYTE Count;
    DWORD Parts[6];  // the relative ids under the NT authority
};
const Account kAccounts[] = {
    {Trustee::Administrators, 2, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}},
    {Trustee::System, 1, {SECURITY_LOCAL_SYSTEM_RID}},
    // NT SERVICE\TrustedInstaller, which owns Windows' own files from Vista on.
    {Trustee::TrustedInstaller, 6, {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464}},
};

bool IsAccount(PSID sid, const Account& account) {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    const DWORD* parts = account.Parts;
    PSID known = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, account.Count, parts[0], parts[1], parts[2], parts[3],
                                  parts[4], parts[5], 0, 0, &known))
        return false;
    const bool same = EqualSid(sid, known) != FALSE;
    FreeSid(known);
    return same;
}

Trustee Classify(PSID sid, PSID runningUser) {
    for (const auto& account : kAccounts)
        if (IsAccount(sid, account)) return account.Who;
    return runningUser && EqualSid(sid, runningUser) ? Trustee::RunningUser : Trustee::Other;
}

// What the process's token says of one kind, as much as it needs; empty when it cannot be read.
std::vector<BYTE> TokenInformation(TOKEN_INFORMATION_CLASS kind) {
    Win::UniqueFile token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put())) return {};
    DWORD size = 0;
    GetTokenInformation(token.Get(), kind, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token.Get(), kind, buffer.data(), size, &size)) return {};
    return buffer;
}

Ace ReadAce(const ACE_HEADER* header, PSID runningUser) {
    // Every kind of entry starts with its header and its rights; only the plain allowing entry is weighed by
    // whom it names. An object or a conditional entry counts as granting its rights to anyone.
    const auto* entry = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
    const BYTE type = header->AceType;
    Ace ace{true, (header->AceFlags & INHERIT_ONLY_ACE) != 0, Trustee::Other, entry->Mask};
    if (type == ACCESS_DENIED_ACE_TYPE || type == ACCESS_DENIED_OBJECT_ACE_TYPE ||
        type == ACCESS_DENIED_CALLBACK_ACE_TYPE || type == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE)
        ace.Allows = false;
    if (type == ACCESS_ALLOWED_ACE_TYPE)
        ace.Who = Classify(const_cast<DWORD*>(&entry->SidStart), runningUser);
    return ace;
}

bool Trusted(Trustee who, bool bTrustRunningUser) {
    return who == Trustee::Administrators || who == Trustee::System || who == Trustee::TrustedInstaller ||
           (who == Trustee::RunningUser && bTrustRunningUser);
}

// True when nobody but the trusted accounts holds any of these rights on the object, nor can take them.
bool OnlyTrustedHold(const Win::FileSecurity::Descriptor& object,
                     ACCESS_MASK rights,
                     bool bTrustRunningUser) {
    // The owner may always give itself new rights; no list at all lets everyone do everything.
    if (!object.Read || object.NullDacl || !Trusted(object.Owner, bTrustRunningUser)) return false;
    for (const Ace& ace : object.Aces) {
        // A deny entry only ever takes rights away, so leaving it out can only make the answer stricter.
        if (ace.Allows && !ace.InheritOnly && (ace.Rights & rights) != 0 &&
            !Trusted(ace.Who, bTrustRunningUser))
            return false;
    }
    return true;
}

// A junction or a symbolic link lets whoever controls its target choose what the path leads to.
bool PlainEntry(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The running user's own profile folder, which holds Downloads and the desktop; empty when unknown.
std::wstring UserProfile() {
    wchar_t path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, path)) ? path
                                                                                                  : L"";
}

}  // namespace

namespace Win::FileSecurity {

Descriptor Read(const std::wstring& path) {
    Descriptor object;
    // Reading the rights needs no other access; the backup flag opens a folder as well as a file.
    const UniqueFile opened(CreateFileW(path.c_str(), READ_CONTROL,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!opened ||
        GetSecurityInfo(opened.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return object;
    const std::vector<BYTE> user = TokenInformation(TokenUser);
    const PSID runningUser =
        user.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
    object.Owner = Classify(owner, runningUser);
    object.NullDacl = dacl == nullptr;
    for (WORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* header = nullptr;
        if (GetAce(dacl, i, &header))
            object.Aces.push_back(ReadAce(static_cast<const ACE_HEADER*>(header), runningUser));
        else
            object.Aces.push_back(
                {true, false, Trustee::Other, ~ACCESS_MASK{0}});  // unread: assumed the worst
    }
    LocalFree(descriptor);
    object.Read = true;
    return object;
}

bool RunningUserIsAdministrator() {
    const std::vector<BYTE> buffer = TokenInformation(TokenGroups);
    if (buffer.empty()) return false;
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    // A member of Administrators whom UAC runs without the group's rights still has it, for deny only.
    for (DWORD i = 0; i < groups->GroupCount; ++i)
        if (Classify(groups->Groups[i].Sid, nullptr) == Trustee::Administrators) return true;
    return false;
}

bool OnlyAdministratorsCanChange(const Descriptor& object, bool bTrustRunningUser) {
    return OnlyTrustedHold(object, ~kReadAndRun, bTrustRunningUser);
}

bool OnlyAdministratorsCanMove(const Descriptor& folder, bool bTrustRunningUser) {
    return OnlyTrustedHold(folder, kMove, bTrustRunningUser);
}

std::vector<std::wstring> FoldersAbove(const std::wstring& file) {
    // A drive letter, a colon and a backslash; a network, device or relative path has none.
    const bool driveLetter =
        file.size() > 3 && ((file[0] >= L'A' && file[0] <= L'Z') || (file[0] >= L'a' && file[0] <= L'z'));
    if (!driveLetter || file[1] != L':' || file[2] != L'\\') return {};
    std::vector<std::wstring> folders;
    for (size_t slash = file.find_last_of(L'\\'); slash > 2; slash = file.find_last_of(L'\\', slash - 1))
        folders.push_back(file.substr(0, slash));
    folders.push_back(file.substr(0, 3));
    return folders;
}

bool IsInside(const std::wstring& path, const std::wstring& folder) {
    const std::wstring lowerPath = Application::LCase(path), lowerFolder = Application::LCase(folder);
    if (lowerFolder.empty() || lowerPath.compare(0, lowerFolder.size(), lowerFolder) != 0) return false;
    return lowerPath.size() == lowerFolder.size() || lowerFolder.back() == L'\\' ||
           lowerPath[lowerFolder.size()] == L'\\';
}

bool OnlyAdministratorsCanChangeProgram(const std::wstring& file) {
    const std::vector<std::wstring> folders = FoldersAbove(file);
    // A network share is changed by whoever runs its server; a removable disk by whoever holds it.
    if (folders.empty() || GetDriveTypeW(folders.back().c_str()) != DRIVE_FIXED) return false;
    // The administrator's own account only where it cannot open her profile: any program she runs without
    // the group's rights, as UAC runs them, may change what she owns there.
    const std::wstring profile = UserProfile();
    const bool trustUser = RunningUserIsAdministrator() && !profile.empty() && !IsInside(file, profile);
    if (!PlainEntry(file) || !OnlyAdministratorsCanChange(Read(file), trustUser)) return false;
    for (size_t i = 0; i < folders.size(); ++i) {
        // A drive's root is the volume itself, never a link to elsewhere; Wine marks Z:\, a Unix mount
        // point, as a reparse point.
        if (i + 1 < folders.size() && !PlainEntry(folders[i])) return false;
        // Its own folder could take a planted DLL; a folder above could be renamed and a new tree put in.
        const Descriptor folder = Read(folders[i]);
        if (i == 0 ? !OnlyAdministratorsCanChange(folder, trustUser)
                   : !OnlyAdministratorsCanMove(folder, trustUser))
            return false;
    }
    return true;
}

}  // namespace Win::FileSecurity
