#include <gtest/gtest.h>

#include "platform/sys/AssertReport.h"
#include "platform/sys/Clock.h"
#include "platform/sys/DebugOutput.h"
#include "platform/sys/Processor.h"
#include "platform/sys/StringCompare.h"
#include "tests/support/AssertCapture.h"
#include "tests/support/DebugCapture.h"

namespace {

TEST(StringCompare, FoldsAsciiOnly) {
    struct Case { const char* a; const char* b; int sign; };
    const Case cases[] = {
        {"EnNode", "ennode", 0}, {"abc", "ABD", -1}, {"abd", "ABC", 1},
        {"abc", "abcd", -1},     {"", "", 0},        {"\xC4", "\xE4", -1},  // no locale folding
    };
    for (const Case& c : cases) {
        int r = plat::StrICmp(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
    }
    EXPECT_EQ(plat::StrNICmp("TRACKS\\a", "tracks\\b", 7), 0);
    EXPECT_NE(plat::StrNICmp("TRACKS\\a", "tracks\\b", 8), 0);
}

TEST(DebugOutput, GoesToTheInstalledSink) {
    DebugCapture capture;
    plat::DebugOutput::Write("one ");
    plat::DebugOutput::Printf("%s %d\n", "two", 2);
    EXPECT_EQ(capture.Text(), "one two 2\n");
}

TEST(AssertReport, ReportsAndCarriesOn) {
    AssertCapture capture;
    unsigned before = plat::AssertReport::Count();
    int value = 3;
    EXPECT_TRUE(PLAT_VERIFY(value == 3));
    EXPECT_FALSE(PLAT_VERIFY(value < 0));
    EXPECT_EQ(capture.Conditions(), std::vector<std::string>{"value < 0"});
    EXPECT_EQ(plat::AssertReport::Count(), before + 1);
}

TEST(AssertReport, DefaultReportNamesConditionFileAndLine) {
    DebugCapture capture;
    plat::AssertReport::Report("iRefCount >= 0", "EnObject.cpp", 42);
    EXPECT_EQ(capture.Text(), "Assertion failed: iRefCount >= 0, file EnObject.cpp, line 42\n");
}

TEST(Clock, AnInstalledSourceDrivesEveryReading) {
    plat::ManualClock manual;
    plat::Clock::SetSource(&manual);
    manual.AdvanceMilliseconds(1500);
    EXPECT_EQ(plat::Clock::Milliseconds(), 1500u);
    EXPECT_EQ(plat::Clock::PerformanceCounter(), 1500000);
    EXPECT_EQ(plat::Clock::PerformanceFrequency(), 1000000);
    plat::Clock::SetSource(nullptr);
    int64_t a = plat::Clock::PerformanceCounter();
    int64_t b = plat::Clock::PerformanceCounter();
    EXPECT_LE(a, b);
}

TEST(Processor, LeafZeroNamesTheVendorOnX86) {
#if defined(__x86_64__)
    uint32_t regs[4];
    ASSERT_TRUE(plat::Processor::Cpuid(0, regs));
    EXPECT_GE(regs[0], 1u);
    EXPECT_FALSE(plat::Processor::Cpuid(regs[0] + 1, regs)) << "a leaf past the highest is refused";
#else
    GTEST_SKIP() << "not an x86 processor";
#endif
}

}  // namespace
