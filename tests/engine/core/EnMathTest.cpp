#include "engine/core/EnMath.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

namespace {

TEST(EnMath, PiIsTheFloatNearestToFourArctanOne) {
    EXPECT_EQ(EN_PI, float(4.0L * std::atan(1.0L)));
    EXPECT_EQ(std::bit_cast<uint32_t>(EN_PI), 0x40490FDBu);
    EXPECT_EQ(EN_HALF_PI, EN_PI * 0.5f);
    EXPECT_EQ(EN_TWO_PI, EN_PI + EN_PI);
}

TEST(EnFastSqrtTable, HoldsTheMantissasOfTheFloatRoots) {
    // Reference: the runtime's correctly rounded float square root of the same arguments.
    for (uint32_t i = 0; i < 128; ++i) {
        const float fLow = std::bit_cast<float>((0x3F80u | i) << 16);   // 1 + i/128
        const float fHigh = std::bit_cast<float>((0x4000u | i) << 16);  // 2 * (1 + i/128)
        EXPECT_EQ(EnFastSqrtTable[i], std::bit_cast<uint32_t>(std::sqrt(fLow)) & 0x7FFFFFu) << i;
        EXPECT_EQ(EnFastSqrtTable[128 + i], std::bit_cast<uint32_t>(std::sqrt(fHigh)) & 0x7FFFFFu)
            << i;
    }
    EXPECT_EQ(EnFastSqrtTable[0], 0u);           // sqrt(1) has an empty mantissa
    EXPECT_EQ(EnFastSqrtTable[128], 0x3504F3u);  // sqrt(2) = 0x3FB504F3
}

TEST(EnFastSqrt, RelativeErrorStaysWithinSevenBitsOverManyExponents) {
    const uint32_t seed = 20010917u;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> mantissa(1.0, 2.0);
    std::uniform_int_distribution<int> exponent(-120, 120);
    double dWorst = 0.0;
    for (int n = 0; n < 200000; ++n) {
        const float f = float(std::ldexp(mantissa(rng), exponent(rng)));
        const double dTrue = std::sqrt(double(f));
        const double dRel = std::fabs(double(EnFastSqrt(f)) - dTrue) / dTrue;
        dWorst = std::max(dWorst, dRel);
        ASSERT_LT(dRel, 1.0 / 256.0) << "f=" << f << " seed=" << seed;
    }
    // The bound is tight: truncating to seven mantissa bits costs close to the full 1/256.
    EXPECT_GT(dWorst, 0.0035);
}

TEST(EnFastSqrt, ExactOnTablePointsAndZeroForNonPositive) {
    const float exact[] = {1.0f, 4.0f, 0.25f, 2.0f, 1024.0f, 1.5f};
    for (float f : exact) EXPECT_EQ(EnFastSqrt(f), std::sqrt(f)) << f;
    EXPECT_EQ(EnFastSqrt(0.0f), 0.0f);
    EXPECT_EQ(EnFastSqrt(-4.0f), 0.0f);
    EXPECT_EQ(EnFastSqrt(std::nanf("")), 0.0f);
}

TEST(EnFastATan2, KnownQuadrantValues) {
    struct Case {
        float y, x, expected;
    };
    const Case cases[] = {
        {1.0f, -0.5f, 2.0344f},    // second quadrant, |x| < |y|
        {-1.0f, -0.5f, -2.0344f},  // third quadrant
        {1.0f, 1.0f, 0.7854f},
        {-1.0f, 2.0f, -0.4636f},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(EnFastATan2(c.y, c.x), c.expected, 1e-4f) << c.y << "," << c.x;
    }
    EXPECT_EQ(EnFastATan2(0.0f, 0.0f), 0.0f);
}

TEST(EnFastATan2, AxesGiveTheAngleOfThePoint) {
    EXPECT_EQ(EnFastATan2(0.0f, 3.0f), 0.0f);
    EXPECT_EQ(EnFastATan2(0.0f, -3.0f), EN_PI);
    EXPECT_EQ(EnFastATan2(3.0f, 0.0f), EN_HALF_PI);
    EXPECT_EQ(EnFastATan2(-3.0f, 0.0f), -EN_HALF_PI);
}

TEST(EnFastATan2, FollowsTheRuntimeArctangentAroundTheCircle) {
    for (int i = 0; i < 3600; ++i) {
        const double a = -M_PI + (i + 0.5) * (2.0 * M_PI / 3600.0);
        for (double r : {1e-3, 1.0, 250.0}) {
            const float y = float(r * std::sin(a));
            const float x = float(r * std::cos(a));
            EXPECT_NEAR(EnFastATan2(y, x), std::atan2(double(y), double(x)), 2e-5)
                << "y=" << y << " x=" << x;
        }
    }
}

TEST(EnACosClamped, ClampsOutOfRangeCosines) {
    EXPECT_EQ(EnACosClamped(-1.0000001f), EN_PI);
    EXPECT_EQ(EnACosClamped(1.0000001f), 0.0f);
    EXPECT_FLOAT_EQ(EnACosClamped(0.5f), std::acos(0.5f));
}

}  // namespace
