#include "tray/SystrayIcon.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/DebugTrail.h"
#include "tests/support/ShellSeam.h"

namespace {

// The tip bytes the shell must see: the text, one 0 byte, then spaces up to 64.
std::string PaddedTip(const std::string& text) {
    std::string tip = text;
    tip += '\0';
    tip.resize(64, ' ');
    return tip;
}

constexpr UINT kCallback = WM_MOUSEMOVE;
constexpr UINT kAllFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
constexpr DWORD kError = ERROR_TIMEOUT;

// A scratch window and icon for the record; the real shell needs a live window.
class SystrayIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        Window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(Window, nullptr);
        Icon = LoadIconA(nullptr, IDI_APPLICATION);
        ASSERT_NE(Icon, nullptr);
    }
    void TearDown() override { DestroyWindow(Window); }

    void Initialize(SystrayIcon& icon, const std::wstring& sTip = L"Corvel") {
        EXPECT_EQ(icon.Initialize(Window, Icon, sTip, kCallback), 0);
    }

    HWND Window = nullptr;
    HICON Icon = nullptr;
};

TEST_F(SystrayIconTest, AddSendsTheWholeRecordWithTheTipCut) {
    const std::wstring sixtyThree = std::wstring(62, L'a') + L"z";
    const struct {
        std::wstring Tip;
        std::string Bytes;  // the 64 tip bytes the shell receives
        std::wstring Read;  // what TipText reads back afterwards
    } cases[] = {
        {std::wstring(100, L'x'), PaddedTip(std::string(63, 'x')), std::wstring(63, L'x')},
        {sixtyThree, PaddedTip(std::string(62, 'a') + "z"), sixtyThree},
        {L"", PaddedTip(""), L""},
        {L"Corvel Win2K/XP Edition", PaddedTip("Corvel Win2K/XP Edition"), L"Corvel Win2K/XP Edition"},
        {L"Caf\u00e9 \u2013 on", PaddedTip("Caf\xE9 \x96 on"), L"Caf\u00e9 \u2013 on"},  // code page 1252
        {std::wstring(L"ab\0cd", 5), std::string("ab\0cd\0", 6) + std::string(58, ' '), L"ab"},
    };
    for (const auto& c : cases) {
        ShellSeam seam;
        SystrayIcon icon;
        Initialize(icon, c.Tip);
        ASSERT_EQ(icon.ShowIcon(), 1);
        ASSERT_EQ(seam.Calls.size(), 1u);
        const ShellCall& add = seam.Calls[0];
        EXPECT_EQ(add.Message, static_cast<DWORD>(NIM_ADD));
        EXPECT_EQ(add.Size(), 88u);
        EXPECT_EQ(add.Window(), Window);
        EXPECT_EQ(add.Id(), 1u);
        EXPECT_EQ(add.Flags(), kAllFlags);
        EXPECT_EQ(add.Callback(), kCallback);
        EXPECT_EQ(add.Icon(), Icon);
        EXPECT_EQ(add.Tip(), c.Bytes);
        EXPECT_EQ(icon.TipText(), c.Read);
        EXPECT_EQ(icon.HideIcon(), 1);
    }
}

TEST_F(SystrayIconTest, TipIsHeldAsTheShellLastReceivedIt) {
    ShellSeam seam;
    SystrayIcon icon;
    Initialize(icon, L"a\u4E2Db");
    EXPECT_EQ(icon.TipText(), L"a\u4E2Db");
    icon.ShowIcon();
    EXPECT_EQ(seam.Calls.at(0).Tip(), PaddedTip("a?b"));
    EXPECT_EQ(icon.TipText(), L"a?b");
}

TEST_F(SystrayIconTest, CallsOnlyWhenShownStateAllowsIt) {
    ShellSeam seam;
    SystrayIcon icon;
    Initialize(icon);
    EXPECT_EQ(icon.HideIcon(), 0);
    EXPECT_EQ(icon.Update(), 0);
    EXPECT_FALSE(icon.Visible());
    EXPECT_TRUE(seam.Calls.empty());

    const int shown = icon.ShowIcon();
    EXPECT_EQ(shown, 1);  // the shell's TRUE, not -1
    EXPECT_TRUE(icon.Visible());
    EXPECT_EQ(icon.ShowIcon(), 0);
    EXPECT_EQ(seam.Calls.size(), 1u);

    EXPECT_EQ(icon.Update(), 1);
    EXPECT_EQ(icon.HideIcon(), 1);
    EXPECT_FALSE(icon.Visible());
    EXPECT_EQ(icon.HideIcon(), 0);
    ASSERT_EQ(seam.Calls.size(), 3u);
    EXPECT_EQ(seam.Calls[1].Message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(seam.Calls[1].Flags(), kAllFlags);
    EXPECT_EQ(seam.Calls[2].Message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(seam.Calls[2].Id(), 1u);
    EXPECT_EQ(seam.Calls[2].Window(), Window);
}

TEST_F(SystrayIconTest, VisibleWriteShowsAndHides) {
    ShellSeam seam;
    SystrayIcon icon;
    Initialize(icon);
    icon.Visible(true);
    EXPECT_TRUE(icon.Visible());
    icon.Visible(false);
    EXPECT_FALSE(icon.Visible());
    ASSERT_EQ(seam.Calls.size(), 2u);
    EXPECT_EQ(seam.Calls[0].Message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(seam.Calls[1].Message, static_cast<DWORD>(NIM_DELETE));
}

TEST_F(SystrayIconTest, PropertyWriteSendsOnlyTheChangedMember) {
    const HICON otherIcon = LoadIconA(nullptr, IDI_WARNING);
    const struct {
        void (*Write)(SystrayIcon&, HICON);
        UINT Flag;
        HICON Icon;
        std::string Tip;
        UINT Callback;
    } cases[] = {
        {[](SystrayIcon& icon, HICON hIcon) { icon.IconHandle(hIcon); }, NIF_ICON, otherIcon, "Corvel",
         kCallback},
        {[](SystrayIcon& icon, HICON) { icon.TipText(L"Changed"); }, NIF_TIP, Icon, "Changed", kCallback},
        {[](SystrayIcon& icon, HICON) { icon.CallbackMessage(WM_APP); }, NIF_MESSAGE, Icon, "Corvel", WM_APP},
    };
    for (const auto& c : cases) {
        ShellSeam seam;
        SystrayIcon icon;
        Initialize(icon);
        icon.ShowIcon();
        c.Write(icon, otherIcon);
        ASSERT_EQ(seam.Calls.size(), 2u);
        const ShellCall& modify = seam.Calls[1];
        EXPECT_EQ(modify.Message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(modify.Flags(), c.Flag);
        EXPECT_EQ(modify.Icon(), c.Icon);
        EXPECT_EQ(modify.Tip(), PaddedTip(c.Tip));
        EXPECT_EQ(modify.Callback(), c.Callback);
        EXPECT_EQ(icon.IconHandle(), c.Icon);
        EXPECT_EQ(icon.CallbackMessage(), c.Callback);
        // At rest again: the next update carries all three members.
        icon.Update();
        EXPECT_EQ(seam.Calls.back().Flags(), kAllFlags);
        icon.HideIcon();
    }
}

TEST_F(SystrayIconTest, PropertyWritesAreStoredWithoutAShellCallWhenNotWanted) {
    ShellSeam seam;
    SystrayIcon fresh;  // not initialised: no updates yet
    fresh.TipText(L"abc");
    fresh.IconHandle(Icon);
    fresh.CallbackMessage(WM_APP);
    EXPECT_EQ(fresh.TipText(), L"abc");
    EXPECT_EQ(fresh.IconHandle(), Icon);
    EXPECT_EQ(fresh.CallbackMessage(), static_cast<UINT>(WM_APP));

    SystrayIcon hidden;
    Initialize(hidden);
    hidden.TipText(L"While hidden");
    EXPECT_TRUE(seam.Calls.empty());
    hidden.ShowIcon();
    ASSERT_EQ(seam.Calls.size(), 1u);
    EXPECT_EQ(seam.Calls[0].Tip(), PaddedTip("While hidden"));

    hidden.UpdateOnChange(false);
    hidden.TipText(L"Held back");
    EXPECT_EQ(hidden.TipText(), L"Held back");
    EXPECT_EQ(seam.Calls.size(), 1u);
    EXPECT_EQ(hidden.Update(), 1);
    ASSERT_EQ(seam.Calls.size(), 2u);
    EXPECT_EQ(seam.Calls[1].Flags(), kAllFlags);
    EXPECT_EQ(seam.Calls[1].Tip(), PaddedTip("Held back"));
    hidden.HideIcon();
}

TEST_F(SystrayIconTest, FailedCallRaisesNIErrorAndKeepsTheState) {
    const struct {
        bool ShownBefore;
        int (*Act)(SystrayIcon&);
        DWORD Message;
        UINT Flags;
        std::wstring TipAfter;
    } cases[] = {
        {false, [](SystrayIcon& icon) { return icon.ShowIcon(); }, NIM_ADD, kAllFlags, L"Corvel"},
        {true, [](SystrayIcon& icon) { return icon.HideIcon(); }, NIM_DELETE, kAllFlags, L"Corvel"},
        {true, [](SystrayIcon& icon) { return icon.Update(); }, NIM_MODIFY, kAllFlags, L"Corvel"},
        // A write answers nothing; its value stays stored.
        {true,
         [](SystrayIcon& icon) {
             icon.TipText(L"Kept");
             return 0;
         },
         NIM_MODIFY, NIF_TIP, L"Kept"},
    };
    for (const auto& c : cases) {
        ShellSeam seam;
        SystrayIcon icon;
        Initialize(icon);
        if (c.ShownBefore) icon.ShowIcon();
        std::vector<LONG> first;
        std::vector<bool> visibleDuring;
        icon.SubscribeNIError([&](LONG ErrorNumber) {
            first.push_back(ErrorNumber);
            visibleDuring.push_back(icon.Visible());
        });
        std::vector<LONG> second;
        icon.SubscribeNIError([&](LONG ErrorNumber) { second.push_back(ErrorNumber); });

        seam.FailWith = kError;
        const size_t before = seam.Calls.size();
        EXPECT_EQ(c.Act(icon), 0);
        ASSERT_EQ(seam.Calls.size(), before + 1);
        EXPECT_EQ(seam.Calls.back().Message, c.Message);
        EXPECT_EQ(seam.Calls.back().Flags(), c.Flags);
        EXPECT_EQ(first, std::vector<LONG>{static_cast<LONG>(kError)});
        EXPECT_EQ(second, first);
        EXPECT_EQ(visibleDuring, std::vector<bool>{c.ShownBefore});
        EXPECT_EQ(icon.Visible(), c.ShownBefore);
        EXPECT_EQ(icon.TipText(), c.TipAfter);

        seam.FailWith.reset();
        icon.Update();
        EXPECT_EQ(seam.Calls.back().Flags(), kAllFlags);
        icon.HideIcon();
        EXPECT_FALSE(icon.Visible());
    }
}

TEST_F(SystrayIconTest, FailureWithoutSubscribersOnlyAnswersZero) {
    ShellSeam seam;
    SystrayIcon icon;
    Initialize(icon);
    seam.FailWith = kError;
    EXPECT_EQ(icon.ShowIcon(), 0);
    EXPECT_FALSE(icon.Visible());
    seam.FailWith.reset();
    EXPECT_EQ(icon.ShowIcon(), 1);
    EXPECT_TRUE(icon.Visible());
}

TEST_F(SystrayIconTest, FailedAddLeavesATrailLine) {
    DebugTrail trail;
    ShellSeam seam;
    SystrayIcon icon;
    Initialize(icon);
    seam.FailWith = kError;
    icon.ShowIcon();
    EXPECT_TRUE(trail.WaitForLine(": tray icon not added (error 1460)"));
}

TEST_F(SystrayIconTest, RetryTakesOverAnIconTheShellHoldsAndAddsOnlyOtherwise) {
    const struct {
        bool Holds;  // a timed-out add that the shell carried out later
        bool Busy;
        std::vector<DWORD> Messages;
        int Raised;  // not holding the icon is no failure; a refused add is
    } cases[] = {
        {true, false, {NIM_MODIFY}, 0},
        {false, false, {NIM_MODIFY, NIM_ADD}, 0},
        {false, true, {NIM_MODIFY, NIM_ADD}, 1},
    };
    for (const auto& c : cases) {
        ShellSeam seam;
        OneIconShell shell{c.Holds, c.Busy};
        seam.Answer = std::ref(shell);
        SystrayIcon icon;
        Initialize(icon);
        int raised = 0;
        icon.SubscribeNIError([&](LONG) { ++raised; });
        EXPECT_EQ(icon.RetryShowIcon(), c.Busy ? 0 : 1);
        EXPECT_EQ(icon.Visible(), !c.Busy);
        std::vector<DWORD> messages;
        for (const ShellCall& call : seam.Calls) {
            messages.push_back(call.Message);
            EXPECT_EQ(call.Flags(), kAllFlags);
        }
        EXPECT_EQ(messages, c.Messages);
        EXPECT_EQ(raised, c.Raised);
        if (c.Busy) continue;
        EXPECT_EQ(icon.RetryShowIcon(), 0) << "an icon in place is left alone";
        EXPECT_EQ(seam.Calls.size(), messages.size());
        EXPECT_EQ(icon.HideIcon(), 1);
    }
}

TEST_F(SystrayIconTest, SubscriberMayChangeTheIconWhileRaised) {
    ShellSeam seam;
    SystrayIcon icon;
    Initialize(icon, L"Before");
    icon.SubscribeNIError([&](LONG) { icon.TipText(L"From the subscriber"); });
    seam.FailWith = kError;
    icon.ShowIcon();
    EXPECT_EQ(icon.TipText(), L"From the subscriber");
    EXPECT_EQ(seam.Calls.size(), 1u);  // hidden: the write was only stored
}

TEST_F(SystrayIconTest, SubscriberMaySubscribeWhileRaised) {
    ShellSeam seam;
    SystrayIcon icon;
    Initialize(icon);
    int first = 0;
    int later = 0;
    icon.SubscribeNIError([&](LONG) {
        ++first;
        for (int i = 0; i < 32; ++i) icon.SubscribeNIError([&](LONG) { ++later; });  // moves the first
    });
    seam.FailWith = kError;
    icon.ShowIcon();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(later, 0) << "the later ones come with the next failure";
}

TEST_F(SystrayIconTest, DestructionHidesOnlyAShownIcon) {
    for (const bool shown : {true, false}) {
        ShellSeam seam;
        {
            SystrayIcon icon;
            Initialize(icon);
            if (shown) icon.ShowIcon();
        }
        if (shown) {
            ASSERT_EQ(seam.Calls.size(), 2u);
            EXPECT_EQ(seam.Calls[1].Message, static_cast<DWORD>(NIM_DELETE));
            EXPECT_EQ(seam.Calls[1].Window(), Window);
        } else {
            EXPECT_TRUE(seam.Calls.empty());
        }
    }
}

TEST_F(SystrayIconTest, InitializeAgainForgetsAShownIcon) {
    ShellSeam seam;
    SystrayIcon icon;
    Initialize(icon);
    icon.ShowIcon();
    Initialize(icon, L"Again");
    EXPECT_FALSE(icon.Visible());
    EXPECT_EQ(icon.HideIcon(), 0);
    EXPECT_EQ(seam.Calls.size(), 1u);
}

TEST_F(SystrayIconTest, RealShellAcceptsAddModifyAndDelete) {
    SystrayIcon icon;
    std::vector<LONG> errors;
    icon.SubscribeNIError([&](LONG ErrorNumber) { errors.push_back(ErrorNumber); });
    Initialize(icon, L"Corvel test icon");
    EXPECT_EQ(icon.ShowIcon(), 1);
    EXPECT_EQ(icon.Update(), 1);
    icon.TipText(L"Corvel test tip");
    EXPECT_EQ(icon.HideIcon(), 1);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SystrayIconTest, RealShellRefusesASecondIconWithTheSameId) {
    SystrayIcon first;
    Initialize(first);
    ASSERT_EQ(first.ShowIcon(), 1);
    SystrayIcon second;
    int raised = 0;
    second.SubscribeNIError([&](LONG) { ++raised; });
    Initialize(second);
    EXPECT_EQ(second.ShowIcon(), 0);
    EXPECT_EQ(raised, 1);
    EXPECT_FALSE(second.Visible());
    EXPECT_EQ(first.HideIcon(), 1);
}

}  // namespace
