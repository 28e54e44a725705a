#include "engine/core/EnMatrix3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "engine/core/EnMath.h"
#include "tests/support/AssertCapture.h"
#include "tests/engine/core/ValueProbe.h"

namespace {

using LD = long double;

// Counter-clockwise (right-handed) rotation by angle about the unit axis, by Rodrigues'
// formula in long double: R = cI + s[u]x + (1 - c)uu^T.
void CounterClockwise(LD angle, const LD u[3], LD out[3][3]) {
    const LD c = std::cos(angle), s = std::sin(angle), t = 1.0L - c;
    const LD cross[3][3] = {{0, -u[2], u[1]}, {u[2], 0, -u[0]}, {-u[1], u[0], 0}};
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < 3; ++k) {
            out[r][k] = (r == k ? c : 0.0L) + s * cross[r][k] + t * u[r] * u[k];
        }
    }
}

::testing::AssertionResult NearMatrix(const EnMatrix3& m, const LD ref[3][3], LD tol) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (std::fabs(LD(m.m_aafEntry[r][c]) - ref[r][c]) > tol) {
                return ::testing::AssertionFailure()
                       << "entry (" << r << "," << c << ") is " << m.m_aafEntry[r][c]
                       << ", expected " << double(ref[r][c]);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult NearIdentity(const EnMatrix3& m, LD tol) {
    const LD id[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    return NearMatrix(m, id, tol);
}

EnVector3 RandomUnit(std::mt19937& rng) {
    std::normal_distribution<float> n(0.0f, 1.0f);
    EnVector3 v;
    do {
        v = EnVector3(n(rng), n(rng), n(rng));
    } while (v.Length() < 0.1f);
    v.Unitize();
    return v;
}

TEST(EnMatrix3, AxisRotationsTurnVectorsByMinusTheAngle) {
    EnMatrix3 m;
    m.MakeXRotation(EN_HALF_PI);
    const EnVector3 v = m * EnVector3(0.0f, 1.0f, 0.0f);
    EXPECT_NEAR(v.x, 0.0f, 1e-7f);
    EXPECT_NEAR(v.y, 0.0f, 1e-7f);
    EXPECT_NEAR(v.z, -1.0f, 1e-7f);  // +Y turned by -90 degrees about X lands on -Z

    struct Case {
        void (EnMatrix3::*make)(float);
        LD axis[3];
        const char* name;
    };
    const Case cases[] = {{&EnMatrix3::MakeXRotation, {1, 0, 0}, "X"},
                          {&EnMatrix3::MakeYRotation, {0, 1, 0}, "Y"},
                          {&EnMatrix3::MakeZRotation, {0, 0, 1}, "Z"}};
    for (const Case& c : cases) {
        for (float angle : {0.3f, -1.2f, 2.5f, EN_PI}) {
            (m.*c.make)(angle);
            LD ref[3][3];
            CounterClockwise(-LD(angle), c.axis, ref);
            EXPECT_TRUE(NearMatrix(m, ref, 1e-6L)) << c.name << " angle " << angle;

            // The same rotation about the axis given as a vector.
            EnMatrix3 kAxisForm;
            kAxisForm.MakeRotation(angle, float(c.axis[0]), float(c.axis[1]), float(c.axis[2]));
            EXPECT_TRUE(NearMatrix(kAxisForm, ref, 1e-6L)) << c.name << " angle " << angle;
        }
    }
}

TEST(EnMatrix3, MakeRotationIsTheCounterClockwiseMatrixOfMinusTheAngle) {
    const uint32_t seed = 1403u;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> angles(-3.0f, 3.0f);
    for (int n = 0; n < 200; ++n) {
        const EnVector3 u = RandomUnit(rng);
        const float a = angles(rng);
        EnMatrix3 m;
        m.MakeRotation(a, u);
        const LD axis[3] = {u.x, u.y, u.z};
        LD ref[3][3];
        CounterClockwise(-LD(a), axis, ref);
        ASSERT_TRUE(NearMatrix(m, ref, 2e-6L)) << "seed=" << seed << " n=" << n;
    }
}

TEST(EnMatrix3, ProductsAndTransposes) {
    const EnMatrix3 a(1, 2, 3, 4, 5, 6, 7, 8, 10);
    const EnMatrix3 b(-1, 0, 2, 3, 1, -2, 0.5f, 4, 1);
    const EnMatrix3 p = a * b;
    // Row 1 of a times column 2 of b: 4*2 + 5*-2 + 6*1.
    EXPECT_EQ(p.GetEntry(1, 2), 4.0f);
    EXPECT_EQ(p.GetEntry(0, 0), 1 * -1 + 2 * 3 + 3 * 0.5f);

    const EnMatrix3 t = a.Transpose();
    EXPECT_EQ(t.GetEntry(0, 2), 7.0f);
    EXPECT_EQ(t.GetEntry(2, 0), 3.0f);
    EXPECT_TRUE(a.TransposeTimes(b) == t * b);

    const EnVector3 v(1.5f, -2.0f, 0.25f);
    const EnVector3 av = a * v;
    EXPECT_EQ(av.x, 1 * 1.5f + 2 * -2.0f + 3 * 0.25f);  // column-vector product
    const EnVector3 tv = a.TransposeTimesVector(v);
    const EnVector3 tv2 = t * v;
    EXPECT_EQ(tv.x, tv2.x);
    EXPECT_EQ(tv.y, tv2.y);
    EXPECT_EQ(tv.z, tv2.z);

    std::mt19937 rng(7);
    EnMatrix3 r;
    r.MakeRotation(1.1f, RandomUnit(rng));
    EXPECT_TRUE(NearIdentity(r.TransposeTimes(r), 1e-6L));
}

TEST(EnMatrix3, BuildersAndConstants) {
    EnMatrix3 m;
    m.MakeIdentity();
    EXPECT_TRUE(m == EnMatrix3::IDENTITY);
    m.MakeZero();
    EXPECT_TRUE(m == EnMatrix3::ZERO);
    m.MakeDiagonal(2, 3, 4);
    EXPECT_TRUE(m == EnMatrix3(2, 0, 0, 0, 3, 0, 0, 0, 4));
    m.SetColumns(EnVector3(1, 2, 3), EnVector3(4, 5, 6), EnVector3(7, 8, 9));
    EXPECT_TRUE(m == EnMatrix3(1, 4, 7, 2, 5, 8, 3, 6, 9));
    EXPECT_TRUE(m.GetColumn(1) == EnVector3(4, 5, 6));
    EXPECT_TRUE(m.GetRow(1) == EnVector3(2, 5, 8));
}

TEST(EnMatrix3, EqualityIsExact) {
    const EnMatrix3 a(1, 2, 3, 4, 5, 6, 7, 8, 9);
    EnMatrix3 b = a;
    EXPECT_TRUE(a == b);
    b.m_aafEntry[2][2] = std::nextafter(9.0f, 10.0f);
    EXPECT_FALSE(a == b);
    b = a;
    b.m_aafEntry[0][0] = std::nextafter(1.0f, 0.0f);
    EXPECT_FALSE(a == b);
}

TEST(EnMatrix3, SetEntryReportsAndIgnoresIndicesOutOfRange) {
    EnMatrix3 m = EnMatrix3::IDENTITY;
    m.SetEntry(2, 1, 5.0f);
    EXPECT_EQ(m.GetEntry(2, 1), 5.0f);

    AssertCapture reports;
    m.SetEntry(3, 0, 7.0f);
    m.SetEntry(0, 3, 7.0f);
    EXPECT_EQ(reports.Count(), 2u);
    EXPECT_TRUE(reports.Saw("uiRow <= 2 && uiCol <= 2"));
    EXPECT_TRUE(m == EnMatrix3(1, 0, 0, 0, 1, 0, 0, 5, 1));
}

TEST(EnMatrix3, InverseTimesMatrixIsIdentity) {
    const uint32_t seed = 77u;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> entry(-4.0f, 4.0f);
    int tested = 0;
    while (tested < 300) {
        EnMatrix3 m;
        for (auto& row : m.m_aafEntry) {
            for (float& f : row) f = entry(rng);
        }
        // Keep to well-conditioned matrices, judged in long double.
        LD ld[3][3];
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) ld[r][c] = m.m_aafEntry[r][c];
        }
        const LD det = ld[0][0] * (ld[1][1] * ld[2][2] - ld[1][2] * ld[2][1]) -
                       ld[0][1] * (ld[1][0] * ld[2][2] - ld[1][2] * ld[2][0]) +
                       ld[0][2] * (ld[1][0] * ld[2][1] - ld[1][1] * ld[2][0]);
        if (std::fabs(det) < 1.0L) continue;
        ++tested;

        EnMatrix3 inv;
        ASSERT_TRUE(m.Inverse(inv)) << "seed=" << seed;
        ASSERT_TRUE(NearIdentity(m * inv, 2e-4L)) << "seed=" << seed << " case " << tested;
        ASSERT_TRUE(NearIdentity(inv * m, 2e-4L)) << "seed=" << seed << " case " << tested;
    }
}

TEST(EnMatrix3, InverseRefusesDeterminantsAtTheThreshold) {
    struct Case {
        float d0;
        bool invertible;
    };
    const Case cases[] = {{1e-6f, false}, {-1e-6f, false}, {0.0f, false}, {2e-6f, true}};
    for (const Case& c : cases) {
        EnMatrix3 m;
        m.MakeDiagonal(c.d0, 1.0f, 1.0f);
        EnMatrix3 inv;
        EXPECT_EQ(m.Inverse(inv), c.invertible) << c.d0;
        if (c.invertible) {
            EXPECT_FLOAT_EQ(inv.GetEntry(0, 0), 1.0f / c.d0);
        } else {
            // The adjugate is left in the result.
            EXPECT_TRUE(inv == EnMatrix3(1, 0, 0, 0, c.d0, 0, 0, 0, c.d0)) << c.d0;
        }
    }
}

TEST(EnMatrix3, ExtractAngleAndAxisOfIdentity) {
    float angle, x, y, z;
    EnMatrix3::IDENTITY.ExtractAngleAndAxis(angle, x, y, z);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(x, 1.0f);
    EXPECT_EQ(y, 0.0f);
    EXPECT_EQ(z, 0.0f);
}

TEST(EnMatrix3, ExtractAngleAndAxisGivesTheRotationBack) {
    const uint32_t seed = 99u;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> angles(0.05f, 3.0f);
    for (int n = 0; n < 200; ++n) {
        const EnVector3 u = RandomUnit(rng);
        const float a = angles(rng);
        EnMatrix3 m;
        m.MakeRotation(a, u);
        float angle, x, y, z;
        m.ExtractAngleAndAxis(angle, x, y, z);
        ASSERT_NEAR(angle, a, 2e-3f) << "seed=" << seed << " n=" << n;
        ASSERT_NEAR(x, u.x, 2e-3f) << "seed=" << seed << " n=" << n;
        ASSERT_NEAR(y, u.y, 2e-3f) << "seed=" << seed << " n=" << n;
        ASSERT_NEAR(z, u.z, 2e-3f) << "seed=" << seed << " n=" << n;
    }
}

TEST(EnMatrix3, ExtractAngleAndAxisFindsTheSignsOfAHalfTurnAxis) {
    // Each case needs a different number of sign trials (see the residual search).
    const float r3 = 1.0f / std::sqrt(3.0f);
    const EnVector3 axes[] = {
        EnVector3(r3, r3, r3),  EnVector3(r3, -r3, r3),    EnVector3(r3, -r3, -r3),
        EnVector3(r3, r3, -r3), EnVector3(0, 0.6f, -0.8f), EnVector3(1, 0, 0),
    };
    for (const EnVector3& u : axes) {
        EnMatrix3 m;
        m.MakeRotation(EN_PI, u);
        float angle, x, y, z;
        m.ExtractAngleAndAxis(angle, x, y, z);
        EXPECT_NEAR(angle, EN_PI, 1e-3f);
        const EnVector3 axis(x, y, z);
        // A half turn about u equals one about -u; the axis must be u up to sign.
        EXPECT_NEAR(std::fabs(axis.Dot(u)), 1.0f, 1e-3f) << u.x << "," << u.y << "," << u.z;
        EXPECT_LT((m * axis - axis).Length(), 1e-3f);
    }
}

// Eigenvalues of a symmetric matrix as roots of its characteristic polynomial, by the
// trigonometric method in long double, ascending.
void ReferenceEigenvalues(const EnMatrix3& m, LD out[3]) {
    LD a[3][3];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) a[r][c] = m.m_aafEntry[r][c];
    }
    const LD p1 = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
    const LD q = (a[0][0] + a[1][1] + a[2][2]) / 3.0L;
    const LD p2 = (a[0][0] - q) * (a[0][0] - q) + (a[1][1] - q) * (a[1][1] - q) +
                  (a[2][2] - q) * (a[2][2] - q) + 2.0L * p1;
    const LD p = std::sqrt(p2 / 6.0L);
    LD b[3][3];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) b[r][c] = (a[r][c] - (r == c ? q : 0.0L)) / p;
    }
    const LD detB = b[0][0] * (b[1][1] * b[2][2] - b[1][2] * b[2][1]) -
                    b[0][1] * (b[1][0] * b[2][2] - b[1][2] * b[2][0]) +
                    b[0][2] * (b[1][0] * b[2][1] - b[1][1] * b[2][0]);
    const LD r = std::clamp(detB / 2.0L, -1.0L, 1.0L);
    const LD phi = std::acos(r) / 3.0L;
    const LD pi = std::acos(-1.0L);
    out[2] = q + 2.0L * p * std::cos(phi);
    out[0] = q + 2.0L * p * std::cos(phi + 2.0L * pi / 3.0L);
    out[1] = 3.0L * q - out[0] - out[2];
}

TEST(EnMatrix3, EigenSolveSymmetricAgreesWithTheCharacteristicPolynomial) {
    const uint32_t seed = 424242u;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> entry(-5.0f, 5.0f);
    for (int n = 0; n < 500; ++n) {
        const float m00 = entry(rng), m11 = entry(rng), m22 = entry(rng);
        const float m01 = entry(rng), m12 = entry(rng);
        // Every fifth matrix is already tridiagonal, which skips the reflection.
        const float m02 = n % 5 == 0 ? 0.0f : entry(rng);
        const EnMatrix3 m(m00, m01, m02, m01, m11, m12, m02, m12, m22);

        float values[3];
        EnVector3 vectors[3];
        ASSERT_TRUE(m.EigenSolveSymmetric(values, vectors)) << "seed=" << seed << " n=" << n;

        for (int i = 0; i < 3; ++i) {
            const EnVector3 residual = m * vectors[i] - vectors[i] * values[i];
            ASSERT_LT(residual.Length(), 1e-4f) << "seed=" << seed << " n=" << n << " i=" << i;
            ASSERT_NEAR(vectors[i].Length(), 1.0f, 1e-5f) << "seed=" << seed << " n=" << n;
            ASSERT_NEAR(vectors[i].Dot(vectors[(i + 1) % 3]), 0.0f, 1e-5f)
                << "seed=" << seed << " n=" << n;
        }
        // Right-handed frame.
        ASSERT_NEAR(vectors[0].Cross(vectors[1]).Dot(vectors[2]), 1.0f, 1e-5f)
            << "seed=" << seed << " n=" << n;

        LD ref[3];
        ReferenceEigenvalues(m, ref);
        float sorted[3] = {values[0], values[1], values[2]};
        std::sort(sorted, sorted + 3);
        for (int i = 0; i < 3; ++i) {
            ASSERT_NEAR(sorted[i], double(ref[i]), 1e-4) << "seed=" << seed << " n=" << n;
        }
    }
}

TEST(EnMatrix3, EigenSolveSymmetricOfADiagonalMatrixKeepsTheAxes) {
    EnMatrix3 m;
    m.MakeDiagonal(3.0f, -1.0f, 2.0f);
    float values[3];
    EnVector3 vectors[3];
    ASSERT_TRUE(m.EigenSolveSymmetric(values, vectors));
    EXPECT_EQ(values[0], 3.0f);
    EXPECT_EQ(values[1], -1.0f);
    EXPECT_EQ(values[2], 2.0f);
    EXPECT_TRUE(vectors[0] == EnVector3::UNIT_X);
    EXPECT_TRUE(vectors[1] == EnVector3::UNIT_Y);
    EXPECT_TRUE(vectors[2] == EnVector3::UNIT_Z);
}

TEST(EnMatrix3, EigenSolveSymmetricGivesUpOnNaN) {
    const float nan = std::nanf("");
    const EnMatrix3 m(1, nan, 0, nan, 2, 0, 0, 0, 3);
    float values[3];
    EnVector3 vectors[3];
    EXPECT_FALSE(m.EigenSolveSymmetric(values, vectors));
}

TEST(EnMatrix3, StreamFormIsTheEntriesInStorageOrder) {
    const EnMatrix3 m(1, 2, 3, 4, 5, 6, 7, 8, 9.5f);
    const std::string bytes =
        ValueProbe::SavedFields([&](EnStream& kStream) { EXPECT_TRUE(m.Save(kStream)); });
    EXPECT_EQ(bytes, LittleEndianFloats({1, 2, 3, 4, 5, 6, 7, 8, 9.5f}));

    EnMatrix3 loaded = EnMatrix3::ZERO;
    EXPECT_TRUE(ValueProbe::LoadFields(
        bytes, [&](EnStream& kStream) { EXPECT_TRUE(loaded.Load(kStream)); }));
    EXPECT_TRUE(loaded == m);

    EXPECT_FALSE(ValueProbe::LoadFields(
        bytes, 35, [&](EnStream& kStream) { EXPECT_FALSE(loaded.Load(kStream)); }));
}

TEST(EnMatrix3, ViewerStringListsTheRows) {
    std::unique_ptr<char[]> text(
        EnMatrix3(1, 2, 3, 4, 5, 6, 7, 8, -9).MakeViewerString("m_localRotate"));
    EXPECT_STREQ(text.get(),
                 "m_localRotate = ((1.000000,2.000000,3.000000),(4.000000,5.000000,6.000000),"
                 "(7.000000,8.000000,-9.000000))");
}

}  // namespace
