#include "engine/core/EnVector2.h"

#include <gtest/gtest.h>

#include "tests/engine/core/ValueProbe.h"

namespace {

TEST(EnVector2, ArithmeticAndConstants) {
    const EnVector2 a(1.5f, -2.0f);
    EXPECT_TRUE(a * 2.0f == EnVector2(3.0f, -4.0f));
    EXPECT_TRUE(2.0f * a == EnVector2(3.0f, -4.0f));
    EXPECT_TRUE(a + EnVector2(0.5f, 1.0f) == EnVector2(2.0f, -1.0f));
    EXPECT_TRUE(a - EnVector2(0.5f, 1.0f) == EnVector2(1.0f, -3.0f));
    EXPECT_TRUE(EnVector2::ZERO == EnVector2(0, 0));
    EXPECT_TRUE(EnVector2::UNIT_X == EnVector2(1, 0));
    EXPECT_TRUE(EnVector2::UNIT_Y == EnVector2(0, 1));
    static_assert(sizeof(EnVector2) == 2 * sizeof(float));  // packed texture coordinates
}

TEST(EnVector2, StreamFormIsTwoLittleEndianFloats) {
    const std::string bytes = ValueProbe::SavedFields(
        [](EnStream& kStream) { EXPECT_TRUE(EnVector2(0.25f, 0.75f).Save(kStream)); });
    EXPECT_EQ(bytes, LittleEndianFloats({0.25f, 0.75f}));

    EnVector2 loaded(9, 9);
    EXPECT_TRUE(ValueProbe::LoadFields(
        bytes, [&](EnStream& kStream) { EXPECT_TRUE(loaded.Load(kStream)); }));
    EXPECT_TRUE(loaded == EnVector2(0.25f, 0.75f));
}

}  // namespace
