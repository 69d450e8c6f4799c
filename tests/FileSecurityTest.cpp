#include "win/FileSecurity.h"

#include <gtest/gtest.h>

#include "win/Ansi.h"

namespace {

using Win::FileSecurity::Ace;
using Win::FileSecurity::Descriptor;
using Win::FileSecurity::Trustee;

constexpr ACCESS_MASK kFull = 0x1f01ff, kModify = 0x1301bf, kReadAndRun = 0x1200a9;
constexpr Ace kSystemFull = {true, false, Trustee::System, kFull};

Descriptor Owned(Trustee owner, std::vector<Ace> aces) {
    return {true, owner, false, std::move(aces)};
}

TEST(OnlyAdministratorsCanChangeTest, OnlyTrustedAccountsHoldMoreThanReadAndRun) {
    const struct {
        const char* Case;
        Descriptor Object;
        bool Administrator;  // the account running the check
        bool Protected;
    } cases[] = {
        // Wine builds these from a folder's mode bits: 0755, then 0777.
        {"0755",
         Owned(Trustee::RunningUser, {kSystemFull,
                                      {true, false, Trustee::RunningUser, kFull},
                                      {true, false, Trustee::Other, kReadAndRun}}),
         true, true},
        {"0777",
         Owned(Trustee::RunningUser, {kSystemFull,
                                      {true, false, Trustee::RunningUser, kFull},
                                      {true, false, Trustee::Other, 0x1301ff}}),
         true, false},
        {"own copy, not an administrator",
         Owned(Trustee::RunningUser, {{true, false, Trustee::RunningUser, kFull}}), false, false},
        // Program Files from Windows Vista on; CREATOR OWNER's full control is only for what is made inside.
        {"Program Files",
         Owned(Trustee::TrustedInstaller, {{true, false, Trustee::TrustedInstaller, kFull},
                                           {true, false, Trustee::Administrators, kModify},
                                           kSystemFull,
                                           {true, false, Trustee::Other, kReadAndRun},
                                           {true, true, Trustee::Other, GENERIC_ALL}}),
         false, true},
        // A folder made in C:\ on Windows 10 inherits Authenticated Users: Modify.
        {"C:\\Tools", Owned(Trustee::Administrators, {kSystemFull, {true, false, Trustee::Other, kModify}}),
         true, false},
        {"a user owns it", Owned(Trustee::Other, {kSystemFull}), true, false},
        {"a user may add files", Owned(Trustee::System, {{true, false, Trustee::Other, FILE_ADD_FILE}}), true,
         false},
        {"a user may change its rights", Owned(Trustee::System, {{true, false, Trustee::Other, WRITE_DAC}}),
         true, false},
        {"generic write", Owned(Trustee::System, {{true, false, Trustee::Other, GENERIC_WRITE}}), true,
         false},
        {"generic read and run",
         Owned(Trustee::System, {{true, false, Trustee::Other, GENERIC_READ | GENERIC_EXECUTE}}), true, true},
        {"denied, not granted", Owned(Trustee::System, {{false, false, Trustee::Other, kFull}}), true, true},
        {"no access list", {true, Trustee::System, true, {}}, true, false},
        {"unreadable", {}, true, false},
        // The administrator's own Downloads, where her account is not trusted: UAC runs her programs without
        // the group's rights, and any of them may change what she owns.
        {"her profile",
         Owned(Trustee::RunningUser, {kSystemFull,
                                      {true, false, Trustee::Administrators, kFull},
                                      {true, false, Trustee::RunningUser, kFull}}),
         false, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Win::FileSecurity::OnlyAdministratorsCanChange(c.Object, c.Administrator), c.Protected)
            << c.Case;
}

// A folder above the program's own may let users add to it, as C:\ does, but not delete, rename or take it.
TEST(OnlyAdministratorsCanMoveTest, NoOtherMayDeleteRenameOrTakeOverAFolderAbove) {
    const struct {
        const char* Case;
        Descriptor Folder;
        bool Protected;
    } cases[] = {
        {"C:\\ from Vista on: users add folders",
         Owned(Trustee::System,
               {kSystemFull, {true, false, Trustee::Other, kReadAndRun | FILE_ADD_SUBDIRECTORY}}),
         true},
        {"0777 under Wine", Owned(Trustee::RunningUser, {{true, false, Trustee::Other, 0x1301ff}}), false},
        {"delete", Owned(Trustee::System, {{true, false, Trustee::Other, DELETE}}), false},
        {"delete what it holds", Owned(Trustee::System, {{true, false, Trustee::Other, FILE_DELETE_CHILD}}),
         false},
        {"take ownership", Owned(Trustee::System, {{true, false, Trustee::Other, WRITE_OWNER}}), false},
        {"generic all", Owned(Trustee::System, {{true, false, Trustee::Other, GENERIC_ALL}}), false},
        {"a user owns it", Owned(Trustee::Other, {kSystemFull}), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Win::FileSecurity::OnlyAdministratorsCanMove(c.Folder, true), c.Protected) << c.Case;
}

TEST(FoldersAboveTest, EveryFolderUpToTheDriveRootOfAPlainPath) {
    using Folders = std::vector<std::wstring>;
    EXPECT_EQ(Win::FileSecurity::FoldersAbove(L"C:\\Program Files\\Corvel\\corvel.exe"),
              (Folders{L"C:\\Program Files\\Corvel", L"C:\\Program Files", L"C:\\"}));
    EXPECT_EQ(Win::FileSecurity::FoldersAbove(L"d:\\corvel.exe"), Folders{L"d:\\"});
    for (const wchar_t* none :
         {L"\\\\server\\share\\corvel.exe", L"\\\\?\\C:\\corvel.exe", L"corvel.exe", L"C:corvel.exe"})
        EXPECT_EQ(Win::FileSecurity::FoldersAbove(none), Folders{}) << Win::Ansi::FromWide(none);
}

TEST(IsInsideTest, WholeFolderNamesInAnyCase) {
    const wchar_t kProfile[] = L"C:\\Users\\Ann";
    EXPECT_TRUE(Win::FileSecurity::IsInside(L"c:\\users\\ann\\Downloads\\corvel.exe", kProfile));
    EXPECT_TRUE(Win::FileSecurity::IsInside(L"C:\\Users\\Ann", kProfile));
    EXPECT_FALSE(Win::FileSecurity::IsInside(L"C:\\Users\\Anne\\corvel.exe", kProfile));
    EXPECT_FALSE(Win::FileSecurity::IsInside(L"C:\\Program Files\\Corvel\\corvel.exe", kProfile));
    EXPECT_FALSE(Win::FileSecurity::IsInside(L"C:\\corvel.exe", L"")) << "an unknown profile holds nothing";
}

}  // namespace
