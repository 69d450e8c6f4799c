#include "win/FileSecurity.h"

#include <aclapi.h>

#include "win/UniqueHandle.h"

namespace {

using Win::FileSecurity::Ace;
using Win::FileSecurity::Trustee;

// Reading and running; every other right, generic or specific, changes something.
constexpr ACCESS_MASK kReadAndRun = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE | GENERIC_READ | GENERIC_EXECUTE;

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

bool Trusted(Trustee who, bool bRunningUserIsAdministrator) {
    return who == Trustee::Administrators || who == Trustee::System || who == Trustee::TrustedInstaller ||
           (who == Trustee::RunningUser && bRunningUserIsAdministrator);
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

bool OnlyAdministratorsCanChange(const Descriptor& object, bool bRunningUserIsAdministrator) {
    // The owner may always give itself new rights; no list at all lets everyone do everything.
    if (!object.Read || object.NullDacl || !Trusted(object.Owner, bRunningUserIsAdministrator)) return false;
    for (const Ace& ace : object.Aces) {
        // A deny entry only ever takes rights away, so leaving it out can only make the answer stricter.
        if (ace.Allows && !ace.InheritOnly && (ace.Rights & ~kReadAndRun) != 0 &&
            !Trusted(ace.Who, bRunningUserIsAdministrator))
            return false;
    }
    return true;
}

}  // namespace Win::FileSecurity
