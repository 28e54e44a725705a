#include "engine/core/EnBoundSphere.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "engine/core/EnMath.h"
#include "tests/engine/core/ValueProbe.h"

namespace {

EnBoundSphere Sphere(float x, float y, float z, float r) {
    return EnBoundSphere(EnVector3(x, y, z), r);
}

TEST(EnBoundSphere, FlagIsSetOnlyOnAFreshSphere) {
    EnBoundSphere fresh;
    EXPECT_EQ(fresh.GetFlag(), 1);
    EXPECT_TRUE(fresh.GetCenter() == EnVector3::ZERO);
    EXPECT_EQ(fresh.GetRadius(), 0.0f);

    EnBoundSphere copied(fresh);
    EXPECT_EQ(copied.GetFlag(), 0);
    EnBoundSphere assigned;
    assigned = fresh;
    EXPECT_EQ(assigned.GetFlag(), 0);
    EnBoundSphere computed;
    computed.ComputeFromPoints(0, nullptr);
    EXPECT_EQ(computed.GetFlag(), 0);
    EnBoundSphere moved;
    moved.Transform(fresh, EnMatrix3::IDENTITY, EnVector3::ZERO, 1.0f);
    EXPECT_EQ(moved.GetFlag(), 0);

    // Merging does not touch the flag, and equality ignores it.
    EnBoundSphere merged;
    merged.Merge(Sphere(1, 2, 3, 4));
    EXPECT_EQ(merged.GetFlag(), 1);
    EXPECT_TRUE(merged == Sphere(1, 2, 3, 4));
}

TEST(EnBoundSphere, ComputeFromPointsCentresOnTheBox) {
    EnBoundSphere s;
    const EnVector3 one(2, -3, 5);
    s.ComputeFromPoints(1, &one);
    EXPECT_TRUE(s.GetCenter() == one);
    EXPECT_EQ(s.GetRadius(), 0.0f);

    const EnVector3 points[] = {EnVector3(0, 0, 0), EnVector3(4, 0, 0), EnVector3(0, 2, 0),
                                EnVector3(1, 1, 6)};
    s.ComputeFromPoints(4, points);
    EXPECT_TRUE(s.GetCenter() == EnVector3(2, 1, 3));
    // Farthest from the box centre: (4,0,0), (0,2,0), (0,0,0) and (1,1,6) are all at
    // sqrt(14) or less; (1,1,6) is at sqrt(1 + 0 + 9) = sqrt(10), (0,0,0) at sqrt(14).
    EXPECT_FLOAT_EQ(s.GetRadius(), std::sqrt(14.0f));
}

TEST(EnBoundSphere, ComputedSphereHoldsEveryPoint) {
    const uint32_t seed = 31337u;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> coord(-50.0f, 50.0f);
    for (int n = 0; n < 100; ++n) {
        EnVector3 points[17];
        for (EnVector3& p : points) p = EnVector3(coord(rng), coord(rng), coord(rng));
        EnBoundSphere s;
        s.ComputeFromPoints(17, points);
        float maxDistance = 0.0f;
        for (const EnVector3& p : points) {
            const float d = (p - s.GetCenter()).Length();
            ASSERT_LE(d, s.GetRadius() * (1.0f + 1e-6f)) << "seed=" << seed << " n=" << n;
            maxDistance = std::max(maxDistance, d);
        }
        ASSERT_FLOAT_EQ(maxDistance, s.GetRadius()) << "seed=" << seed;
    }
}

TEST(EnBoundSphere, MergeCases) {
    struct Case {
        EnBoundSphere a, b, expected;
        const char* what;
    };
    const Case cases[] = {
        {Sphere(1, 2, 3, 2), Sphere(1, 2, 3, 2), Sphere(1, 2, 3, 2), "copy of itself"},
        {Sphere(-1, 0, 0, 1), Sphere(1, 0, 0, 1), Sphere(0, 0, 0, 2), "equal radii 2 apart"},
        {Sphere(0, 0, 0, 1), Sphere(0.5f, 0, 0, 3), Sphere(0.5f, 0, 0, 3), "other encloses"},
        {Sphere(0, 0, 0, 5), Sphere(1, 1, 0, 1), Sphere(0, 0, 0, 5), "this encloses"},
        {Sphere(0, 0, 0, 1), Sphere(0, 6, 0, 3), Sphere(0, 4, 0, 5), "different radii"},
        {Sphere(0, 0, 0, 1), Sphere(0, 2, 0, 1), Sphere(0, 1, 0, 2), "touching"},
    };
    for (const Case& c : cases) {
        EnBoundSphere s = c.a;
        s.Merge(c.b);
        EXPECT_NEAR(s.GetRadius(), c.expected.GetRadius(), 1e-6f) << c.what;
        EXPECT_NEAR((s.GetCenter() - c.expected.GetCenter()).Length(), 0.0f, 1e-6f) << c.what;
    }
}

TEST(EnBoundSphere, MergedSphereHoldsBothSpheres) {
    const uint32_t seed = 5u;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> coord(-10.0f, 10.0f);
    std::uniform_real_distribution<float> radius(0.0f, 8.0f);
    for (int n = 0; n < 500; ++n) {
        const EnBoundSphere a = Sphere(coord(rng), coord(rng), coord(rng), radius(rng));
        const EnBoundSphere b = Sphere(coord(rng), coord(rng), coord(rng), radius(rng));
        EnBoundSphere m = a;
        m.Merge(b);
        for (const EnBoundSphere& s : {a, b}) {
            const float reach = (s.GetCenter() - m.GetCenter()).Length() + s.GetRadius();
            ASSERT_LE(reach, m.GetRadius() * (1.0f + 1e-5f) + 1e-5f)
                << "seed=" << seed << " n=" << n;
        }
        // Never larger than needed: the span of the two along the line of centres, or the
        // larger sphere when it holds the other.
        const float span = (a.GetCenter() - b.GetCenter()).Length() + a.GetRadius() + b.GetRadius();
        const float needed = std::max({span, 2 * a.GetRadius(), 2 * b.GetRadius()});
        ASSERT_LE(m.GetRadius() * 2.0f, needed * (1.0f + 1e-5f) + 1e-5f) << "seed=" << seed;
    }
}

TEST(EnBoundSphere, TransformRotatesScalesThenTranslates) {
    EnMatrix3 rot;
    rot.MakeZRotation(EN_HALF_PI);  // turns +X onto -Y
    EnBoundSphere s;
    s.Transform(Sphere(1, 0, 0, 2), rot, EnVector3(10, 0, 0), 3.0f);
    EXPECT_NEAR(s.GetCenter().x, 10.0f, 1e-6f);
    EXPECT_NEAR(s.GetCenter().y, -3.0f, 1e-6f);
    EXPECT_NEAR(s.GetCenter().z, 0.0f, 1e-6f);
    EXPECT_EQ(s.GetRadius(), 6.0f);

    // In place, the source being the sphere itself.
    s.Transform(s, EnMatrix3::IDENTITY, EnVector3(0, 0, 1), 0.5f);
    EXPECT_NEAR(s.GetCenter().x, 5.0f, 1e-6f);
    EXPECT_EQ(s.GetRadius(), 3.0f);
}

TEST(EnBoundSphere, WhichSideOfAPlane) {
    const EnPlaneEquation plane(EnVector3(0, 1, 0), 2.0f);
    struct Case {
        float y;
        int side;
    };
    const Case cases[] = {
        {3.0f, EnPlaneEquation::POSITIVE_SIDE},  // touching from the positive side
        {1.0f, EnPlaneEquation::NEGATIVE_SIDE},  // touching from the negative side
        {2.5f, EnPlaneEquation::NO_SIDE},        {2.0f, EnPlaneEquation::NO_SIDE},
        {10.0f, EnPlaneEquation::POSITIVE_SIDE}, {-5.0f, EnPlaneEquation::NEGATIVE_SIDE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sphere(7, c.y, -4, 1).WhichSide(plane), c.side) << c.y;
    }
    EXPECT_EQ(EnPlaneEquation::POSITIVE_SIDE, 1);
    EXPECT_EQ(EnPlaneEquation::NEGATIVE_SIDE, 2);
}

TEST(EnBoundSphere, OverlappingSpheresMovingApartTouchAtTimeZero) {
    const EnBoundSphere a = Sphere(0, 0, 0, 1), b = Sphere(1.5f, 0, 0, 1);
    const EnVector3 va(-1, 0, 0), vb(1, 0, 0);
    EXPECT_TRUE(EnBoundSphere::TestIntersect(1.0f, a, va, b, vb));
    float t = -1;
    EnVector3 point, n0, n1;
    ASSERT_TRUE(EnBoundSphere::FindIntersect(1.0f, a, va, b, vb, t, point, true, n0, n1));
    EXPECT_EQ(t, 0.0f);
    EXPECT_TRUE(point == EnVector3(0.75f, 0, 0));
    EXPECT_TRUE(n0 == EnVector3(1, 0, 0));
    EXPECT_TRUE(n1 == EnVector3(-1, 0, 0));

    // Apart and separating: no contact.
    const EnBoundSphere c = Sphere(3, 0, 0, 1);
    EXPECT_FALSE(EnBoundSphere::TestIntersect(1.0f, a, va, c, vb));
    EXPECT_FALSE(EnBoundSphere::FindIntersect(1.0f, a, va, c, vb, t, point, false, n0, n1));
}

TEST(EnBoundSphere, HeadOnPointSpheresMeetWithoutNaN) {
    const EnBoundSphere a = Sphere(0, 0, 0, 0), b = Sphere(4, 0, 0, 0);
    float t;
    EnVector3 point, n0, n1;
    ASSERT_TRUE(EnBoundSphere::FindIntersect(1.0f, a, EnVector3(2, 0, 0), b, EnVector3(-2, 0, 0), t,
                                             point, true, n0, n1));
    EXPECT_FLOAT_EQ(t, 1.0f);
    EXPECT_NEAR(point.x, 2.0f, 1e-6f);
    EXPECT_FALSE(std::isnan(point.y) || std::isnan(point.z));
}

// Independent model of two linearly moving spheres: the squared gap f(t) = |d + wt|^2 - S^2,
// scanned over the span and refined by bisection, in long double.
struct Motion {
    long double d[3], w[3], S;
    long double Gap(long double t) const {
        long double sum = 0;
        for (int i = 0; i < 3; ++i) sum += (d[i] + w[i] * t) * (d[i] + w[i] * t);
        return sum - S * S;
    }
};

TEST(EnBoundSphere, MovingSpheresAgreeWithAScannedModel) {
    const uint32_t seed = 8086u;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> coord(-6.0f, 6.0f);
    std::uniform_real_distribution<float> speed(-8.0f, 8.0f);
    std::uniform_real_distribution<float> radius(0.1f, 2.0f);
    std::uniform_real_distribution<float> span(0.0f, 2.0f);
    int contacts = 0, misses = 0;
    for (int n = 0; n < 2000; ++n) {
        const EnBoundSphere s0 = Sphere(coord(rng), coord(rng), coord(rng), radius(rng));
        const EnBoundSphere s1 = Sphere(coord(rng), coord(rng), coord(rng), radius(rng));
        const EnVector3 u0(speed(rng), speed(rng), speed(rng));
        const EnVector3 u1(speed(rng), speed(rng), speed(rng));
        const float T = span(rng);

        Motion m;
        const EnVector3 d = s1.GetCenter() - s0.GetCenter();
        const float dd[3] = {d.x, d.y, d.z};
        const EnVector3 w = u1 - u0;
        const float ww[3] = {w.x, w.y, w.z};
        for (int i = 0; i < 3; ++i) {
            m.d[i] = dd[i];
            m.w[i] = ww[i];
        }
        m.S = (long double)s0.GetRadius() + s1.GetRadius();

        const int steps = 4000;
        long double minGap = m.Gap(0);
        long double first = -1;
        for (int k = 0; k <= steps; ++k) {
            const long double t = (long double)T * k / steps;
            const long double g = m.Gap(t);
            minGap = std::min(minGap, g);
            if (first < 0 && g <= 0) {
                long double lo = k == 0 ? 0 : (long double)T * (k - 1) / steps, hi = t;
                if (k == 0) hi = 0;
                for (int it = 0; it < 80 && hi > lo; ++it) {
                    const long double mid = (lo + hi) / 2;
                    (m.Gap(mid) <= 0 ? hi : lo) = mid;
                }
                first = hi;
            }
        }
        // Grazing contacts are decided by rounding; leave them out.
        if (std::fabs(minGap) < 1e-2L * m.S * m.S) continue;
        const bool touches = minGap <= 0;

        EXPECT_EQ(EnBoundSphere::TestIntersect(T, s0, u0, s1, u1), touches)
            << "seed=" << seed << " n=" << n;
        float t = -1;
        EnVector3 point, n0, n1;
        const bool found = EnBoundSphere::FindIntersect(T, s0, u0, s1, u1, t, point, true, n0, n1);
        ASSERT_EQ(found, touches) << "seed=" << seed << " n=" << n;
        if (!found) {
            ++misses;
            continue;
        }
        ++contacts;
        ASSERT_NEAR(t, double(first), 1e-4 + 1e-4 * T) << "seed=" << seed << " n=" << n;
        const EnVector3 c0 = s0.GetCenter() + u0 * t;
        const EnVector3 c1 = s1.GetCenter() + u1 * t;
        if (t > 0.0f) {
            // Contact from outside: the point lies on both surfaces, between the centres.
            EXPECT_NEAR((point - c0).Length(), s0.GetRadius(), 1e-3f) << "n=" << n;
            EXPECT_NEAR((point - c1).Length(), s1.GetRadius(), 1e-3f) << "n=" << n;
        }
        EXPECT_NEAR(n0.Length(), 1.0f, 1e-5f);
        EXPECT_TRUE(n1 == -n0);
        EXPECT_GT(n0.Dot(c1 - c0), 0.0f) << "normal0 points from sphere 0 towards sphere 1";
    }
    // The random set exercises both outcomes.
    EXPECT_GT(contacts, 100);
    EXPECT_GT(misses, 100);
}

TEST(EnBoundSphere, ViewerString) {
    std::unique_ptr<char[]> text(Sphere(1, 2, 3, 0.5f).MakeViewerString("m_worldBound"));
    EXPECT_STREQ(text.get(), "m_worldBound = (1.000000,2.000000,3.000000) , 0.500000");
}

TEST(EnBoundSphere, StreamFormIsCentreThenRadius) {
    const std::string bytes = ValueProbe::SavedFields(
        [](EnStream& kStream) { EXPECT_TRUE(Sphere(1, 2, 3, 4.5f).Save(kStream)); });
    EXPECT_EQ(bytes, LittleEndianFloats({1, 2, 3, 4.5f}));

    EnBoundSphere loaded;  // fresh: flag 1
    EXPECT_TRUE(ValueProbe::LoadFields(
        bytes, [&](EnStream& kStream) { EXPECT_TRUE(loaded.Load(kStream)); }));
    EXPECT_TRUE(loaded == Sphere(1, 2, 3, 4.5f));
    EXPECT_EQ(loaded.GetFlag(), 1);  // the flag is not part of the stream form
}

}  // namespace
