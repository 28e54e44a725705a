#include "engine/core/EnPlaneEquation.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/engine/core/ValueProbe.h"
namespace {

TEST(EnPlaneEquation, Constructors) {
    const EnPlaneEquation empty;
    EXPECT_TRUE(empty.m_normal == EnVector3::ZERO);
    EXPECT_EQ(empty.m_fConstant, 0.0f);

    const EnPlaneEquation given(EnVector3(0, 0, 1), -3.0f);
    EXPECT_EQ(given.m_fConstant, -3.0f);

    const EnPlaneEquation throughPoint(EnVector3(0, 1, 0), EnVector3(5, 4, -2));
    EXPECT_EQ(throughPoint.m_fConstant, 4.0f);
    EXPECT_EQ(throughPoint.Distance(EnVector3(0, 6, 0)), 2.0f);
}

TEST(EnPlaneEquation, SetFromPointsOrientsByTheWinding) {
    EnPlaneEquation plane;
    // Counter-clockwise seen from +Z: (p1 - p0) x (p2 - p1) points along +Z.
    plane.SetFromPoints(EnVector3(0, 0, 2), EnVector3(1, 0, 2), EnVector3(1, 1, 2));
    EXPECT_TRUE(plane.m_normal == EnVector3(0, 0, 1));
    EXPECT_EQ(plane.m_fConstant, 2.0f);

    plane.SetFromPoints(EnVector3(1, 1, 2), EnVector3(1, 0, 2), EnVector3(0, 0, 2));
    EXPECT_TRUE(plane.m_normal == EnVector3(0, 0, -1));
    EXPECT_EQ(plane.m_fConstant, -2.0f);

    plane.SetFromPoints(EnVector3(0, 0, 0), EnVector3(3, 0, 0), EnVector3(0, 0, 3));
    EXPECT_TRUE(plane.m_normal == EnVector3(0, -1, 0));
}

TEST(EnPlaneEquation, CollinearPointsGiveTheZeroPlane) {
    EnPlaneEquation plane(EnVector3(1, 0, 0), 7.0f);
    plane.SetFromPoints(EnVector3(1, 1, 1), EnVector3(2, 2, 2), EnVector3(4, 4, 4));
    EXPECT_TRUE(plane.m_normal == EnVector3::ZERO);
    EXPECT_EQ(plane.m_fConstant, 0.0f);

    // A cross product exactly 1e-6 long counts as too short.
    plane.SetFromPoints(EnVector3(0, 0, 0), EnVector3(1e-6f, 0, 0), EnVector3(1e-6f, 1, 0));
    EXPECT_TRUE(plane.m_normal == EnVector3::ZERO);
    // Just longer is a direction.
    plane.SetFromPoints(EnVector3(0, 0, 0), EnVector3(2e-6f, 0, 0), EnVector3(2e-6f, 1, 0));
    EXPECT_TRUE(plane.m_normal == EnVector3(0, 0, 1));
}

TEST(EnPlaneEquation, EqualityIsExact) {
    const EnPlaneEquation a(EnVector3(0, 1, 0), 2.0f);
    EXPECT_TRUE(a == EnPlaneEquation(EnVector3(0, 1, 0), 2.0f));
    EXPECT_FALSE(a == EnPlaneEquation(EnVector3(0, 1, 0), 2.0000002f));
    EXPECT_FALSE(a == EnPlaneEquation(EnVector3(0, 1, 1e-30f), 2.0f));
}

TEST(EnPlaneEquation, ViewerStringLeavesTheNameOut) {
    std::unique_ptr<char[]> text(
        EnPlaneEquation(EnVector3(0, 1, 0), -2.5f).MakeViewerString("m_plane"));
    EXPECT_STREQ(text.get(), "(0.000000,1.000000,0.000000), -2.500000");
}

TEST(EnPlaneEquation, StreamFormIsNormalThenConstant) {
    const EnPlaneEquation plane(EnVector3(0, 0.6f, 0.8f), -7.25f);
    const std::string bytes =
        ValueProbe::SavedFields([&](EnStream& kStream) { EXPECT_TRUE(plane.Save(kStream)); });
    EXPECT_EQ(bytes, LittleEndianFloats({0, 0.6f, 0.8f, -7.25f}));

    EnPlaneEquation loaded;
    EXPECT_TRUE(ValueProbe::LoadFields(
        bytes, [&](EnStream& kStream) { EXPECT_TRUE(loaded.Load(kStream)); }));
    EXPECT_TRUE(loaded == plane);
}

}  // namespace
