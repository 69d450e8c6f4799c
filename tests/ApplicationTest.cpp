#include "win/Application.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

TEST(ArgumentsOfTest, SkipsTheProgramName) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"corvel.exe -startup", L"-startup"},
        {L"\"C:\\Program Files\\corvel.exe\" -StartUp", L"-StartUp"},
        {L"\"C:\\a b\\corvel.exe\"", L""},
        {L"corvel.exe", L""},
        {L"corvel.exe   -startup x", L"-startup x"},
        {L"\"C:\\Program Files\\Corvel\\corvel.exe\"-startup", L"-startup"},  // the name ends at its quote
        {L"corvel\"x\" -startup", L"-startup"},
    };
    for (const auto& [line, arguments] : cases) EXPECT_EQ(Win::Application::ArgumentsOf(line), arguments);
}

TEST(ChooseDllSearchTest, SystemFolderOnlyWhereWindowsKeepsItReliably) {
    using Win::Application::DllSearch;
    const struct {
        bool HasDefault, HasDirectory;
        unsigned Major, Minor;
        DllSearch Way;
    } cases[] = {
        {true, true, 10, 0, DllSearch::SystemOnly},
        {true, true, 6, 1, DllSearch::SystemOnly},           // Windows 7 with KB2533623
        {true, true, 6, 0, DllSearch::NoCurrentDirectory},   // Vista with it
        {false, true, 5, 1, DllSearch::NoCurrentDirectory},  // XP SP1 and later
        {false, false, 5, 0, DllSearch::Unchanged},          // Windows 2000
    };
    for (const auto& c : cases)
        EXPECT_EQ(Win::Application::ChooseDllSearch(c.HasDefault, c.HasDirectory, c.Major, c.Minor), c.Way)
            << c.Major << "." << c.Minor;
}

TEST(DeclareDpiAwareTest, WindowsTakesTheDeclaration) {
    // Wine, like Windows Vista and later, has the run-time entry point.
    using IsProcessDpiAwareFn = BOOL(WINAPI*)();
    const auto isAware = reinterpret_cast<IsProcessDpiAwareFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "IsProcessDPIAware")));
    ASSERT_NE(isAware, nullptr);
    EXPECT_TRUE(Win::Application::DeclareDpiAware());
    EXPECT_TRUE(isAware());
}

}  // namespace
