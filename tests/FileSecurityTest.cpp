#include "win/FileSecurity.h"

#include <gtest/gtest.h>

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
    };
    for (const auto& c : cases)
        EXPECT_EQ(Win::FileSecurity::OnlyAdministratorsCanChange(c.Object, c.Administrator), c.Protected)
            << c.Case;
}

}  // namespace
