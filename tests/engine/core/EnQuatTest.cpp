#include "engine/core/EnQuat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "engine/core/EnMath.h"
#include "tests/engine/core/ValueProbe.h"

namespace {

using LD = long double;

// Textbook quaternion algebra in long double, written independently of the class: exp and
// log through the axis-angle form, powers as exp(t log q).
struct Q {
    LD w, x, y, z;
};
Q Of(const EnQuat& q) {
    return {q.w, q.x, q.y, q.z};
}
Q Mul(const Q& a, const Q& b) {
    // (a0 + A)(b0 + B) = a0 b0 - A.B + a0 B + b0 A + A x B
    return {a.w * b.w - (a.x * b.x + a.y * b.y + a.z * b.z),
            a.w * b.x + b.w * a.x + (a.y * b.z - a.z * b.y),
            a.w * b.y + b.w * a.y + (a.z * b.x - a.x * b.z),
            a.w * b.z + b.w * a.z + (a.x * b.y - a.y * b.x)};
}
Q Conj(const Q& q) {
    return {q.w, -q.x, -q.y, -q.z};
}
Q Scale(LD s, const Q& q) {
    return {s * q.w, s * q.x, s * q.y, s * q.z};
}
Q Add(const Q& a, const Q& b) {
    return {a.w + b.w, a.x + b.x, a.y + b.y, a.z + b.z};
}
Q Log(const Q& q) {
    const LD v = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
    if (v == 0) return {0, 0, 0, 0};
    const LD angle = std::atan2(v, q.w);
    return {0, q.x * angle / v, q.y * angle / v, q.z * angle / v};
}
Q Exp(const Q& q) {
    const LD a = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
    if (a == 0) return {1, 0, 0, 0};
    const LD s = std::sin(a) / a;
    return {std::cos(a), s * q.x, s * q.y, s * q.z};
}
Q Pow(const Q& q, LD t) {
    return Exp(Scale(t, Log(q)));
}
Q SlerpRef(LD t, const Q& p, const Q& q) {
    return Mul(p, Pow(Mul(Conj(p), q), t));
}
Q IntermediateRef(const Q& q0, const Q& q1, const Q& q2) {
    const Q inv = Conj(q1);
    return Mul(q1, Exp(Scale(-0.25L, Add(Log(Mul(inv, q2)), Log(Mul(inv, q0))))));
}
Q SquadRef(LD t, const Q& p, const Q& a, const Q& b, const Q& q) {
    return SlerpRef(2 * t * (1 - t), SlerpRef(t, p, q), SlerpRef(t, a, b));
}

::testing::AssertionResult Near(const EnQuat& q, const Q& ref, LD tol) {
    const LD d = std::max({std::fabs(q.w - ref.w), std::fabs(q.x - ref.x), std::fabs(q.y - ref.y),
                           std::fabs(q.z - ref.z)});
    if (d <= tol) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << q.w << "," << q.x << "," << q.y << "," << q.z << ") vs (" << double(ref.w)
           << "," << double(ref.x) << "," << double(ref.y) << "," << double(ref.z) << ")";
}

EnQuat RandomRotation(std::mt19937& rng) {
    std::normal_distribution<float> n(0.0f, 1.0f);
    EnQuat q(n(rng), n(rng), n(rng), n(rng));
    const float len = std::sqrt(q.Dot(q));
    return (1.0f / len) * q;
}

TEST(EnQuat, HamiltonProductComposesRotations) {
    // Matrices of the counter-clockwise convention compose in the same order as the product.
    std::mt19937 rng(11);
    for (int n = 0; n < 50; ++n) {
        const EnQuat p = RandomRotation(rng), q = RandomRotation(rng);
        EnMatrix3 mp, mq, mpq;
        p.ToRotation(mp);
        q.ToRotation(mq);
        (p * q).ToRotation(mpq);
        const EnMatrix3 product = mp * mq;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                ASSERT_NEAR(mpq.m_aafEntry[r][c], product.m_aafEntry[r][c], 1e-5f) << n;
            }
        }
        EXPECT_TRUE(Near(p * q, Mul(Of(p), Of(q)), 1e-6L));
    }
    // i * j = k
    EXPECT_TRUE(EnQuat(0, 1, 0, 0) * EnQuat(0, 0, 1, 0) == EnQuat(0, 0, 0, 1));
}

TEST(EnQuat, ComponentwiseOperations) {
    const EnQuat a(1, 2, 3, 4), b(0.5f, -1, 0, 2);
    EXPECT_TRUE(a + b == EnQuat(1.5f, 1, 3, 6));
    EXPECT_TRUE(a - b == EnQuat(0.5f, 3, 3, 2));
    EXPECT_TRUE(-a == EnQuat(-1, -2, -3, -4));
    EXPECT_TRUE(2.0f * a == EnQuat(2, 4, 6, 8));
    EXPECT_EQ(a.Dot(b), 0.5f - 2 + 0 + 8);
    EXPECT_TRUE(a.Conjugate() == EnQuat(1, -2, -3, -4));
    EXPECT_TRUE(EnQuat::IDENTITY == EnQuat(1, 0, 0, 0));
}

TEST(EnQuat, AngleAxisConvertsToMakeRotationOfMinusTheAngle) {
    std::mt19937 rng(12);
    std::uniform_real_distribution<float> angles(-3.0f, 3.0f);
    std::normal_distribution<float> n(0.0f, 1.0f);
    for (int k = 0; k < 100; ++k) {
        EnVector3 axis(n(rng), n(rng), n(rng));
        axis.Unitize();
        const float a = angles(rng);
        EnQuat q;
        q.FromAngleAxis(a, axis);
        EXPECT_NEAR(q.w, std::cos(a / 2), 1e-6f);
        EnMatrix3 fromQuat, fromMatrix;
        q.ToRotation(fromQuat);
        fromMatrix.MakeRotation(-a, axis);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                ASSERT_NEAR(fromQuat.m_aafEntry[r][c], fromMatrix.m_aafEntry[r][c], 2e-6f) << k;
            }
        }
    }
}

TEST(EnQuat, IdentityConversions) {
    EnMatrix3 m;
    EnQuat::IDENTITY.ToRotation(m);
    EXPECT_TRUE(m == EnMatrix3::IDENTITY);
    EnQuat q(0, 0, 0, 0);
    q.FromRotation(EnMatrix3::IDENTITY);
    EXPECT_TRUE(q == EnQuat(1, 0, 0, 0));
}

TEST(EnQuat, FromRotationOfAHalfTurnUsesTheDiagonalBranch) {
    // A half turn about X has trace -1.
    const EnMatrix3 m(1, 0, 0, 0, -1, 0, 0, 0, -1);
    EnQuat q;
    q.FromRotation(m);
    EXPECT_TRUE(q == EnQuat(0, 1, 0, 0));

    // About Y and Z the largest diagonal entry picks the component.
    q.FromRotation(EnMatrix3(-1, 0, 0, 0, 1, 0, 0, 0, -1));
    EXPECT_TRUE(q == EnQuat(0, 0, 1, 0));
    q.FromRotation(EnMatrix3(-1, 0, 0, 0, -1, 0, 0, 0, 1));
    EXPECT_TRUE(q == EnQuat(0, 0, 0, 1));
}

TEST(EnQuat, FromRotationInvertsToRotation) {
    const uint32_t seed = 13u;
    std::mt19937 rng(seed);
    for (int n = 0; n < 300; ++n) {
        EnQuat q = RandomRotation(rng);
        if (n % 3 == 0) {
            // Near half turns, where the trace is negative.
            q.w *= 0.05f;
            q = (1.0f / std::sqrt(q.Dot(q))) * q;
        }
        EnMatrix3 m;
        q.ToRotation(m);
        EnQuat back;
        back.FromRotation(m);
        // q and -q are the same rotation.
        const float sign = back.Dot(q) < 0.0f ? -1.0f : 1.0f;
        ASSERT_TRUE(Near(sign * back, Of(q), 2e-5L)) << "seed=" << seed << " n=" << n;
    }
}

TEST(EnQuat, ExpAndLog) {
    EXPECT_TRUE(EnQuat(0, 0, 0, 0).Exp() == EnQuat(1, 0, 0, 0));
    EXPECT_TRUE(EnQuat(1, 0, 0, 0).Log() == EnQuat(0, 0, 0, 0));
    // The scalar part of Exp's argument is ignored.
    EXPECT_TRUE(EnQuat(5, 0, 0, 0).Exp() == EnQuat(1, 0, 0, 0));

    std::mt19937 rng(14);
    for (int n = 0; n < 100; ++n) {
        const EnQuat q = RandomRotation(rng);
        const EnQuat log = q.Log();
        EXPECT_EQ(log.w, 0.0f);
        // The log of q and of -q differ; compare each with its own reference.
        ASSERT_TRUE(Near(log, Log(Of(q)), 1e-5L)) << n;
        ASSERT_TRUE(Near(log.Exp(), Of(q), 1e-5L)) << n;
    }
}

TEST(EnQuat, SlerpEndpointsAndEqualInputs) {
    std::mt19937 rng(15);
    const EnQuat p = RandomRotation(rng), q = RandomRotation(rng);
    ASSERT_GT(std::fabs(p.Dot(q)), -1.0f);
    EXPECT_TRUE(Near(EnQuat::Slerp(0.0f, p, q), Of(p), 1e-6L));
    EXPECT_TRUE(Near(EnQuat::Slerp(1.0f, p, q), Of(q), 1e-6L));
    EXPECT_TRUE(EnQuat::Slerp(0.3f, p, p) == p);
    // Below the sine threshold the first quaternion comes back unchanged.
    EnQuat nearP;
    nearP.FromAngleAxis(1e-4f, EnVector3::UNIT_Z);
    EXPECT_TRUE(EnQuat::Slerp(0.7f, EnQuat::IDENTITY, nearP) == EnQuat::IDENTITY);
}

TEST(EnQuat, SlerpFollowsThePowerFormulaWithoutFlipping) {
    const uint32_t seed = 16u;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> ts(0.0f, 1.0f);
    int longArcs = 0;
    for (int n = 0; n < 500; ++n) {
        const EnQuat p = RandomRotation(rng), q = RandomRotation(rng);
        if (std::fabs(p.Dot(q)) > 0.999f) continue;  // too close for the threshold
        longArcs += p.Dot(q) < 0.0f;
        const float t = ts(rng);
        ASSERT_TRUE(Near(EnQuat::Slerp(t, p, q), SlerpRef(t, Of(p), Of(q)), 2e-5L))
            << "seed=" << seed << " n=" << n << " t=" << t;
    }
    EXPECT_GT(longArcs, 100);  // the negative dot products were covered
}

TEST(EnQuat, IntermediateAndSquadFollowTheTextbookFormulas) {
    const uint32_t seed = 17u;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> ts(0.0f, 1.0f);
    for (int n = 0; n < 300; ++n) {
        EnQuat k[4];
        for (EnQuat& q : k) q = RandomRotation(rng);
        // Keys are sign-aligned as keyframe data is.
        for (int i = 1; i < 4; ++i) {
            if (k[i].Dot(k[i - 1]) < 0.0f) k[i] = -k[i];
        }
        const EnQuat a = EnQuat::Intermediate(k[0], k[1], k[2]);
        const EnQuat b = EnQuat::Intermediate(k[1], k[2], k[3]);
        ASSERT_TRUE(Near(a, IntermediateRef(Of(k[0]), Of(k[1]), Of(k[2])), 5e-5L))
            << "seed=" << seed << " n=" << n;

        const float t = ts(rng);
        const EnQuat s = EnQuat::Squad(t, k[1], a, b, k[2]);
        ASSERT_TRUE(Near(s, SquadRef(t, Of(k[1]), Of(a), Of(b), Of(k[2])), 5e-5L))
            << "seed=" << seed << " n=" << n << " t=" << t;
    }
}

TEST(EnQuat, SquadPassesThroughTheKeysWithContinuousTangent) {
    // Keys a moderate turn apart, so every slerp stays far above the sine threshold.
    EnQuat k[4];
    const EnVector3 axes[4] = {EnVector3(0, 0, 1), EnVector3(0.6f, 0, 0.8f), EnVector3(0, 1, 0),
                               EnVector3(0.8f, 0.6f, 0)};
    for (int i = 0; i < 4; ++i) k[i].FromAngleAxis(0.7f * float(i), axes[i]);
    for (int i = 1; i < 4; ++i) {
        if (k[i].Dot(k[i - 1]) < 0.0f) k[i] = -k[i];
    }
    EnQuat s[4];
    s[0] = k[0];
    s[3] = k[3];
    s[1] = EnQuat::Intermediate(k[0], k[1], k[2]);
    s[2] = EnQuat::Intermediate(k[1], k[2], k[3]);

    auto segment0 = [&](float t) { return EnQuat::Squad(t, k[0], s[0], s[1], k[1]); };
    auto segment1 = [&](float t) { return EnQuat::Squad(t, k[1], s[1], s[2], k[2]); };
    EXPECT_TRUE(Near(segment0(1.0f), Of(k[1]), 1e-6L));
    EXPECT_TRUE(Near(segment1(0.0f), Of(k[1]), 1e-6L));
    EXPECT_TRUE(Near(segment1(1.0f), Of(k[2]), 1e-6L));

    // Second-order one-sided differences at the shared key.
    const float h = 0.01f;
    const EnQuat f0 = segment0(1.0f), f1 = segment0(1.0f - h), f2 = segment0(1.0f - 2 * h);
    const EnQuat g0 = segment1(0.0f), g1 = segment1(h), g2 = segment1(2 * h);
    const EnQuat left = (1.0f / (2 * h)) * (3.0f * f0 - 4.0f * f1 + f2);
    const EnQuat right = (1.0f / (2 * h)) * (-3.0f * g0 + 4.0f * g1 - g2);
    const float speed = std::sqrt(right.Dot(right));
    ASSERT_GT(speed, 0.1f);
    EXPECT_TRUE(Near(left, Of(right), 0.01L * speed));
}

TEST(EnQuat, StreamFormIsWThenXYZ) {
    const EnQuat q(0.5f, -0.5f, 0.25f, 1.0f);
    const std::string bytes =
        ValueProbe::SavedFields([&](EnStream& kStream) { EXPECT_TRUE(q.Save(kStream)); });
    EXPECT_EQ(bytes, LittleEndianFloats({0.5f, -0.5f, 0.25f, 1.0f}));

    EnQuat loaded(0, 0, 0, 0);
    EXPECT_TRUE(ValueProbe::LoadFields(
        bytes, [&](EnStream& kStream) { EXPECT_TRUE(loaded.Load(kStream)); }));
    EXPECT_TRUE(loaded == q);
}

}  // namespace
