#include "engine/core/EnVector3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "tests/engine/core/ValueProbe.h"
namespace {

TEST(EnVector3, IsThreePackedFloats) {
    // Vertex arrays are handed to the renderer as packed floats.
    static_assert(sizeof(EnVector3) == 3 * sizeof(float));
    EnVector3 a[2] = {EnVector3(1, 2, 3), EnVector3(4, 5, 6)};
    float f[6];
    std::memcpy(f, a, sizeof a);
    EXPECT_EQ(f[3], 4.0f);
    EXPECT_EQ(f[5], 6.0f);
}

TEST(EnVector3, ArithmeticIsComponentwise) {
    const EnVector3 a(1, -2, 3), b(0.5f, 4, -1);
    EXPECT_TRUE(a + b == EnVector3(1.5f, 2, 2));
    EXPECT_TRUE(a - b == EnVector3(0.5f, -6, 4));
    EXPECT_TRUE(a * 2.0f == EnVector3(2, -4, 6));
    EXPECT_TRUE(2.0f * a == EnVector3(2, -4, 6));
    EXPECT_TRUE(-a == EnVector3(-1, 2, -3));
    EnVector3 c = a;
    c += b;
    EXPECT_TRUE(c == a + b);
    EXPECT_EQ(a.Dot(b), 0.5f - 8.0f - 3.0f);
    EXPECT_EQ(EnVector3(2, 3, 6).Length(), 7.0f);
}

TEST(EnVector3, DivisionMultipliesByTheReciprocal) {
    // x / 3 and x * (1/3) differ in the last bit for some x; the vector takes the second.
    const EnVector3 v(10.0f, 1.0f, 7.0f);
    const EnVector3 q = v / 3.0f;
    const float inv = 1.0f / 3.0f;
    EXPECT_EQ(q.x, 10.0f * inv);
    EXPECT_EQ(q.y, 1.0f * inv);
    EXPECT_EQ(q.z, 7.0f * inv);
}

TEST(EnVector3, CrossIsRightHanded) {
    EXPECT_TRUE(EnVector3::UNIT_X.Cross(EnVector3::UNIT_Y) == EnVector3::UNIT_Z);
    EXPECT_TRUE(EnVector3::UNIT_Y.Cross(EnVector3::UNIT_Z) == EnVector3::UNIT_X);
    EXPECT_TRUE(EnVector3::UNIT_Z.Cross(EnVector3::UNIT_X) == EnVector3::UNIT_Y);
    const EnVector3 a(1, 2, 3), b(-4, 5, 0.5f);
    const EnVector3 c = a.Cross(b);
    EXPECT_FLOAT_EQ(c.Dot(a), 0.0f);
    EXPECT_FLOAT_EQ(c.Dot(b), 0.0f);
    EXPECT_TRUE(c == EnVector3(2 * 0.5f - 3 * 5, 3 * -4 - 1 * 0.5f, 1 * 5 - 2 * -4));
}

TEST(EnVector3, UnitizeReturnsTheOldLengthOrZeroesShortVectors) {
    struct Case {
        EnVector3 v;
        float length;  // 0: the vector must become zero
    };
    const Case cases[] = {
        {EnVector3(3, 0, 4), 5.0f},      {EnVector3(0, -2, 0), 2.0f},
        {EnVector3(1e-6f, 0, 0), 0.0f},  // at the threshold: too short
        {EnVector3(2e-6f, 0, 0), 2e-6f}, {EnVector3(0, 0, 0), 0.0f},
    };
    for (const Case& c : cases) {
        EnVector3 v = c.v;
        const float old = v.Unitize();
        EXPECT_FLOAT_EQ(old, c.length) << c.v.x << "," << c.v.y << "," << c.v.z;
        if (c.length == 0.0f) {
            EXPECT_TRUE(v == EnVector3::ZERO);
        } else {
            EXPECT_NEAR(v.Length(), 1.0f, 1e-6f);
            EXPECT_NEAR(v.Dot(c.v) / c.length, 1.0f, 1e-6f);  // same direction
        }
    }
}

TEST(EnVector3, Constants) {
    EXPECT_TRUE(EnVector3::ZERO == EnVector3(0, 0, 0));
    EXPECT_TRUE(EnVector3::UNIT_X == EnVector3(1, 0, 0));
    EXPECT_TRUE(EnVector3::UNIT_Y == EnVector3(0, 1, 0));
    EXPECT_TRUE(EnVector3::UNIT_Z == EnVector3(0, 0, 1));
}

TEST(EnVector3, ViewerStringNamesTheMemberAndFitsAnyValue) {
    std::unique_ptr<char[]> text(EnVector3(1.5f, -2.0f, 0.0f).MakeViewerString("m_localTranslate"));
    EXPECT_STREQ(text.get(), "m_localTranslate = (1.500000,-2.000000,0.000000)");

    // The largest floats print 46 characters each under "%f".
    text.reset(EnVector3(-3.4e38f, 3.4e38f, -3.4e38f).MakeViewerString("v"));
    EXPECT_EQ(std::strncmp(text.get(), "v = (-339999995214436424907732413799364296704.000000,", 53),
              0)
        << text.get();
}

TEST(EnVector3, StreamFormIsThreeLittleEndianFloats) {
    const std::string bytes = ValueProbe::SavedFields(
        [](EnStream& kStream) { EXPECT_TRUE(EnVector3(1.0f, -2.0f, 0.5f).Save(kStream)); });
    EXPECT_EQ(bytes, LittleEndianFloats({1.0f, -2.0f, 0.5f}));

    EnVector3 v(9, 9, 9);
    bool bLoaded = false;
    EXPECT_TRUE(ValueProbe::LoadFields(LittleEndianFloats({3.5f, -0.25f, 1e10f}),
                                       [&](EnStream& kStream) { bLoaded = v.Load(kStream); }));
    EXPECT_TRUE(bLoaded);
    EXPECT_TRUE(v == EnVector3(3.5f, -0.25f, 1e10f));
}

TEST(EnVector3, LoadReportsAFileThatEndsInsideTheVector) {
    EnVector3 v(9, 9, 9);
    bool bLoaded = true;
    EXPECT_FALSE(ValueProbe::LoadFields(LittleEndianFloats({3.5f, -0.25f, 1e10f}), 6,
                                        [&](EnStream& kStream) { bLoaded = v.Load(kStream); }));
    EXPECT_FALSE(bLoaded);
    EXPECT_EQ(v.x, 3.5f);
    EXPECT_EQ(EnStream::GetLastErrorCode(), uint32_t(EnStream::ERROR_TRUNCATED));
}

}  // namespace
