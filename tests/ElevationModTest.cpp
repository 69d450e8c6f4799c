#include "app/ElevationMod.h"

#include <gtest/gtest.h>

namespace {

using ElevationMod::Step;

TEST(ParseStepTest, TakesOneKnownStepAfterTheSwitch) {
    const std::pair<const wchar_t*, Step> cases[] = {
        {L"", Step::None},
        {L"-startup", Step::None},
        {L"-elevatedx songlog", Step::None},
        {L"-elevated songlog", Step::PrepareSongTitleLog},
        {L"-Elevated  STARTUP-ON ", Step::RunOnStartupOn},  // cased and spaced as "-startup" may be
        {L"-elevated\tstartup-off", Step::RunOnStartupOff},
        {L"-elevated", Step::Refused},
        {L"-elevated startup", Step::Refused},
        {L"-elevated startup-on now", Step::Refused},
        {L"-elevated songlog songlog", Step::Refused},
    };
    for (const auto& [arguments, step] : cases)
        EXPECT_EQ(ElevationMod::ParseStep(arguments), step) << arguments;
}

// A user who declines the prompt, counted.
int Prompts = 0;
BOOL WINAPI Decline(SHELLEXECUTEINFOW*) {
    ++Prompts;
    SetLastError(ERROR_CANCELLED);
    return FALSE;
}

TEST(ElevationModTest, DeclinedStepChangesNothingAndIsAskedAgainNextTime) {
    ElevationMod::StartElevated = Decline;
    static bool ended = false;
    for (int request = 1; request <= 2; ++request) {
        EXPECT_FALSE(ElevationMod::AskForStep(Step::RunOnStartupOn, nullptr, [](DWORD) { ended = true; }));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANCELLED));
        EXPECT_FALSE(ElevationMod::StepRunning());
    }
    EXPECT_EQ(Prompts, 2);
    EXPECT_FALSE(ended);
    ElevationMod::StartElevated = ShellExecuteExW;
}

}  // namespace
