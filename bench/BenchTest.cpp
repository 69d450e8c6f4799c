#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bench/Figures.h"
#include "bench/ProcessorTime.h"
#include "tests/support/Wait.h"

namespace {

constexpr char kChildSwitch[] = "--child";

bool UnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

Figure Measured(const char* key, std::optional<double> program, std::optional<double> reference) {
    return {key, std::string("the ") + key, "ms", 1, program, reference};
}

}  // namespace

TEST(FiguresTest, PercentilesAreNearestRankSamples) {
    std::vector<double> hundred;
    for (int i = 100; i >= 1; --i) hundred.push_back(i);
    const auto spread = SpreadOf(hundred);
    ASSERT_TRUE(spread);
    EXPECT_EQ(spread->Median, 50);
    EXPECT_EQ(spread->P90, 90);
    EXPECT_EQ(spread->P99, 99);
    EXPECT_EQ(MedianOf({4, 1, 3, 2}), 2);
    EXPECT_EQ(MedianOf({7}), 7);
    EXPECT_FALSE(SpreadOf({}));
}

TEST(FiguresTest, RatioOnlyOfTwoFiguresAndANonZeroReference) {
    EXPECT_EQ(RatioOf(Measured("a", 3, 2)), 1.5);
    EXPECT_FALSE(RatioOf(Measured("a", 3, 0)));
    EXPECT_FALSE(RatioOf(Measured("a", std::nullopt, 2)));
    EXPECT_FALSE(RatioOf(Measured("a", 3, std::nullopt)));
}

TEST(FiguresTest, FailedFigureSaysSoInTableAndRatios) {
    const std::vector<Figure> figures = {Measured("fast", 0.25, 0.5), Measured("lost", std::nullopt, 1)};
    const std::string table = Table(figures);
    EXPECT_NE(table.find("the fast"), std::string::npos);
    EXPECT_NE(table.find("0.2 ms"), std::string::npos);
    EXPECT_NE(table.find("0.50"), std::string::npos);
    EXPECT_NE(table.find("failed"), std::string::npos);
    EXPECT_EQ(RatioLine(figures), "ratios corvel.exe/reference: fast=0.50 lost=n/a\n");
}

TEST(FiguresTest, UntilPhaseStaysWithinOnePeriodHoweverLongAgo) {
    EXPECT_DOUBLE_EQ(UntilPhase(750, 500, 3000), 250);
    EXPECT_DOUBLE_EQ(UntilPhase(750, 1000, 3000), 2750);   // just missed: the next period's
    EXPECT_DOUBLE_EQ(UntilPhase(750, 35000, 3000), 1750);  // a round longer than ten periods
    EXPECT_DOUBLE_EQ(UntilPhase(750, 750, 3000), 0);
}

TEST(ProcessorTimeTest, ReadsHostFiles) {
    const std::string commandLine("Z:\\x\\corvel.exe\0tag-1\0\0\0", 25);
    EXPECT_TRUE(HasArgument(commandLine, "tag-1"));
    EXPECT_FALSE(HasArgument(commandLine, "tag"));
    EXPECT_FALSE(HasArgument(commandLine, "tag-10"));
    EXPECT_EQ(SchedstatMs("1500000 200 3\n"), 1.5);
    EXPECT_FALSE(SchedstatMs(""));
    EXPECT_FALSE(SchedstatMs("none"));
}

// A process of this same test program that does nothing until it is ended, found by its argument.
TEST(ProcessorTimeTest, FindsAndTimesAnotherProcess) {
    if (!UnderWine()) GTEST_SKIP() << "the host's files are Wine's drive Z:";
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string tag = "processor-time-test-" + std::to_string(GetCurrentProcessId());
    std::string commandLine = "\"" + std::string(self) + "\" " + kChildSwitch + " " + tag;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(CreateProcessA(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &child));
    std::optional<unsigned> host;
    // Until Wine has written the Windows command line over the Linux one.
    EXPECT_TRUE(WaitFor([&] { return (host = HostProcessWithArgument(tag)).has_value(); }, 10000));
    ASSERT_TRUE(host);
    const auto hostMs = HostProcessorMs(*host);
    ASSERT_TRUE(hostMs);
    EXPECT_GT(*hostMs, 0);  // its start alone ran on a processor
    EXPECT_TRUE(ThreadTimesMs(child.dwProcessId));
    EXPECT_FALSE(HostProcessWithArgument(tag + "-nobody"));
    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, 10000);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
}

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], kChildSwitch) == 0) {
        Sleep(INFINITE);  // the test ends it
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
