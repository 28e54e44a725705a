#include <gtest/gtest.h>

#include <string>

#include "engine/core/EnColorRGB.h"
#include "engine/core/EnColorRGBA.h"
#include "tests/engine/core/ValueProbe.h"

namespace {

TEST(EnColorRGBA, ArithmeticWorksComponentwiseAndNeverClamps) {
    const EnColorRGBA kA(0.5f, 1.0f, 2.0f, 0.25f);
    const EnColorRGBA kB(1.0f, 0.5f, -3.0f, 1.0f);
    EXPECT_EQ(kA + kB, EnColorRGBA(1.5f, 1.5f, -1.0f, 1.25f));
    EXPECT_EQ(kA * 2.0f, EnColorRGBA(1.0f, 2.0f, 4.0f, 0.5f));
    EXPECT_EQ(2.0f * kA, kA * 2.0f);
    EnColorRGBA kC;
    kC = kB;
    EXPECT_EQ(kC, kB);
    EXPECT_EQ(EnColorRGBA(), EnColorRGBA(0, 0, 0, 0));
    EXPECT_EQ(EnColorRGBA::BLACK, EnColorRGBA(0, 0, 0, 1));
    EXPECT_EQ(EnColorRGBA::WHITE, EnColorRGBA(1, 1, 1, 1));
    EXPECT_EQ(EnColorRGB::BLACK, EnColorRGB(0, 0, 0));
    EXPECT_EQ(EnColorRGB::WHITE, EnColorRGB(1, 1, 1));
}

TEST(EnColorRGB, StreamsThreeFloatsAndFourForRGBA) {
    const EnColorRGB kRGB(0.25f, -1.5f, 3.0f);
    const EnColorRGBA kRGBA(0.25f, -1.5f, 3.0f, 0.5f);
    EXPECT_EQ(ValueProbe::SavedFields([&](EnStream& s) { kRGB.Save(s); }),
              LittleEndianFloats({0.25f, -1.5f, 3.0f}));
    EXPECT_EQ(ValueProbe::SavedFields([&](EnStream& s) { kRGBA.Save(s); }),
              LittleEndianFloats({0.25f, -1.5f, 3.0f, 0.5f}));

    EnColorRGB kLoadedRGB;
    EnColorRGBA kLoadedRGBA;
    EXPECT_TRUE(ValueProbe::LoadFields(LittleEndianFloats({0.25f, -1.5f, 3.0f}),
                                       [&](EnStream& s) { EXPECT_TRUE(kLoadedRGB.Load(s)); }));
    EXPECT_EQ(kLoadedRGB, kRGB);
    EXPECT_TRUE(ValueProbe::LoadFields(LittleEndianFloats({0.25f, -1.5f, 3.0f, 0.5f}),
                                       [&](EnStream& s) { EXPECT_TRUE(kLoadedRGBA.Load(s)); }));
    EXPECT_EQ(kLoadedRGBA, kRGBA);

    // Cut in the last component: the load fails and reports it.
    EXPECT_FALSE(ValueProbe::LoadFields(LittleEndianFloats({0.25f, -1.5f, 3.0f}), 10,
                                        [&](EnStream& s) { EXPECT_FALSE(kLoadedRGB.Load(s)); }));
}

TEST(EnColorRGB, ViewerStringsShowThreeDecimals) {
    struct Case {
        EnColorRGB kColor;
        const char* pcLine;
    };
    const Case cases[] = {
        {{0.5f, 0.5f, 0.5f}, "m_amb = (0.500,0.500,0.500)"},
        {{1.0f, 0.0f, 0.1234f}, "m_amb = (1.000,0.000,0.123)"},
        {{-2.0f, 12.5f, 1e6f}, "m_amb = (-2.000,12.500,1000000.000)"},
    };
    for (const Case& c : cases) {
        char* pc = c.kColor.MakeViewerString("m_amb");
        EXPECT_STREQ(pc, c.pcLine);
        delete[] pc;
    }
}

}  // namespace
