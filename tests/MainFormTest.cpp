#include "app/MainForm.h"

#include <gtest/gtest.h>

namespace {

TEST(TrayTooltipTest, ShowsTheRevisionOnlyWhenSet) {
    EXPECT_EQ(TrayTooltip(L"Corvel Win2K/XP", {1, 2, 0}), L"Corvel Win2K/XP v1.2 By Orrindale");
    EXPECT_EQ(TrayTooltip(L"Corvel Win2K/XP", {1, 2, 3}), L"Corvel Win2K/XP v1.2.3 By Orrindale");
    EXPECT_EQ(TrayTooltip(L"X", {10, 0, 12}), L"X v10.0.12 By Orrindale");
}

TEST(TrayEventNumberTest, RecoversTheMouseMessageFromTwips) {
    const struct {
        float Twips;
        int TwipsPerPixel;
        int Number;
    } cases[] = {
        {512 * 15.0f, 15, 512}, {515 * 15.0f, 15, 515}, {516 * 12.0f, 12, 516}, {516 * 10.0f, 10, 516},
        {7.5f, 15, 0},    // half a pixel: to the even 0
        {22.5f, 15, 2},   // one and a half: to the even 2
        {37.5f, 15, 2},   // two and a half: to the even 2
        {52.5f, 15, 4},   // three and a half: to the even 4
        {8.0f, 15, 1},    {7.0f, 15, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(TrayEventNumber(c.Twips, c.TwipsPerPixel), c.Number) << c.Twips;
}

}  // namespace
