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
