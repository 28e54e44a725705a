#include "engine/core/EnProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "engine/core/EnMath.h"
#include "platform/sys/Processor.h"
#include "tests/support/DebugCapture.h"

namespace {

// A processor that answers the three leaves the check asks for, or refuses any of them.
struct FakeProcessor {
    bool extendedOk;
    uint32_t extendedMax;  // eax of 0x80000000
    bool extFeaturesOk;
    uint32_t extFeatures;  // edx of 0x80000001
    bool featuresOk;
    uint32_t features;  // edx of leaf 1
    uint32_t expected;
    const char* what;
};

constexpr uint32_t MMX = 0x800000u, CMOV = 0x8000u, AMD3D = 0x80000000u;

TEST(EnProcessor, ClassifiesByTheIdentificationAnswers) {
    const FakeProcessor cases[] = {
        {false, 0, false, 0, false, 0, EN_PROCESSOR_UNKNOWN, "no identification instruction"},
        {true, 0x80000008u, true, AMD3D, true, MMX | CMOV, EN_PROCESSOR_3DNOW, "3D extension"},
        {true, 0x80000008u, true, 0, true, MMX | CMOV, EN_PROCESSOR_MMX_CMOV, "MMX and cmov"},
        {true, 0x80000008u, true, 0, true, MMX, EN_PROCESSOR_MMX, "MMX only"},
        {true, 0x80000008u, true, 0, true, CMOV, EN_PROCESSOR_CMOV, "cmov only"},
        {true, 0x80000008u, true, 0, true, 0, EN_PROCESSOR_PLAIN, "neither"},
        {true, 0, true, AMD3D, true, MMX, EN_PROCESSOR_MMX, "no extended range: bit not asked"},
        {true, 0x80000008u, false, AMD3D, true, CMOV, EN_PROCESSOR_CMOV, "extended leaf refused"},
        {true, 0x80000008u, true, 0, false, MMX, EN_PROCESSOR_UNKNOWN, "feature leaf refused"},
    };
    for (const FakeProcessor& c : cases) {
        std::vector<uint32_t> asked;
        const EnCpuidQuery query = [&](uint32_t leaf, uint32_t regs[4]) {
            asked.push_back(leaf);
            regs[0] = regs[1] = regs[2] = regs[3] = 0;
            switch (leaf) {
                case 0x80000000u:
                    regs[0] = c.extendedMax;
                    return c.extendedOk;
                case 0x80000001u:
                    regs[3] = c.extFeatures;
                    return c.extFeaturesOk;
                case 1u:
                    regs[3] = c.features;
                    return c.featuresOk;
                default:
                    return false;
            }
        };
        EXPECT_EQ(EnClassifyProcessor(query), c.expected) << c.what;
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked.front(), 0x80000000u) << c.what;
    }
}

TEST(EnProcessor, DetectionWarnsAndClassifiesThisProcessor) {
    // Start-up already ran it once.
    EXPECT_TRUE(EnProcessorDetected());
    DebugCapture debug;
    EnDetectProcessor();
    EXPECT_EQ(debug.Text(),
              "Ensemblage WARNING: Processor detection code: benign first-chance exception "
              "possible\n");
    EXPECT_EQ(EnGetProcessorClass(), EnClassifyProcessor(&plat::Processor::Cpuid));
    EXPECT_NE(EnGetProcessorClass(), 5u);

    EnInitProcessorRoutines();
    if (EnGetProcessorClass() == EN_PROCESSOR_UNKNOWN) {
        EXPECT_EQ(EnTransformPoints, &EnTransformPointsGeneric);
        EXPECT_EQ(EnRotateVectors, &EnRotateVectorsGeneric);
    } else {
        EXPECT_EQ(EnTransformPoints, &EnTransformPointsPremultiplied);
        EXPECT_EQ(EnRotateVectors, &EnRotateVectorsPremultiplied);
    }
}

struct PointRoutine {
    EnTransformPointsFn fn;
    const char* name;
};
const PointRoutine kPointRoutines[] = {{&EnTransformPointsGeneric, "generic"},
                                       {&EnTransformPointsPremultiplied, "premultiplied"}};

TEST(EnProcessor, IdentityTransformCopiesPointsUnchanged) {
    const EnVector3 src[3] = {EnVector3(1.1f, -2.2f, 3.3f), EnVector3(1e-30f, 7e20f, -0.0f),
                              EnVector3(0.1f, 0.2f, 0.3f)};
    for (const PointRoutine& r : kPointRoutines) {
        EnVector3 dst[3];
        r.fn(3, src, dst, EnMatrix3::IDENTITY, 1.0f, EnVector3::ZERO);
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(dst[i] == src[i]) << r.name << " " << i;
    }
    EnVector3 dst[3];
    EnRotateVectorsGeneric(3, src, dst, EnMatrix3::IDENTITY);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(dst[i] == src[i]);
}

TEST(EnProcessor, CountZeroWritesNothing) {
    const EnVector3 src(1, 2, 3);
    const EnVector3 sentinel(-7, -7, -7);
    for (const PointRoutine& r : kPointRoutines) {
        EnVector3 dst = sentinel;
        r.fn(0, &src, &dst, EnMatrix3::IDENTITY, 2.0f, EnVector3(1, 1, 1));
        EXPECT_TRUE(dst == sentinel) << r.name;
    }
    EnVector3 dst = sentinel;
    EnRotateVectorsPremultiplied(0, &src, &dst, EnMatrix3::IDENTITY);
    EXPECT_TRUE(dst == sentinel);
}

TEST(EnProcessor, BatchTransformsMatchAWideReference) {
    const uint32_t seed = 486u;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> coord(-100.0f, 100.0f);
    EnMatrix3 rot;
    rot.MakeRotation(0.83f, 0.48f, 0.6f, 0.64f);
    const float scale = 2.75f;
    const EnVector3 trans(10.0f, -4.0f, 0.5f);

    std::vector<EnVector3> src(1000);
    for (EnVector3& p : src) p = EnVector3(coord(rng), coord(rng), coord(rng));

    for (const PointRoutine& r : kPointRoutines) {
        std::vector<EnVector3> dst(src.size());
        r.fn(uint16_t(src.size()), src.data(), dst.data(), rot, scale, trans);
        for (size_t i = 0; i < src.size(); ++i) {
            const long double p[3] = {src[i].x, src[i].y, src[i].z};
            const float* got = &dst[i].x;
            const float t[3] = {trans.x, trans.y, trans.z};
            for (int k = 0; k < 3; ++k) {
                long double ref = 0;
                for (int j = 0; j < 3; ++j) ref += (long double)rot.m_aafEntry[k][j] * p[j];
                ref = ref * scale + t[k];
                ASSERT_NEAR(got[k], double(ref), 1e-4 + std::fabs(double(ref)) * 2e-7)
                    << r.name << " seed=" << seed << " i=" << i;
            }
        }
    }

    std::vector<EnVector3> a(src.size()), b(src.size());
    EnRotateVectorsGeneric(uint16_t(src.size()), src.data(), a.data(), rot);
    EnRotateVectorsPremultiplied(uint16_t(src.size()), src.data(), b.data(), rot);
    for (size_t i = 0; i < src.size(); ++i) {
        ASSERT_TRUE(a[i] == b[i]) << i;  // the vector routines agree exactly
        const EnVector3 single = rot * src[i];
        ASSERT_NEAR((a[i] - single).Length(), 0.0f, 1e-4f) << i;
    }
}

TEST(EnProcessor, TransformsWorkInPlace) {
    EnMatrix3 rot;
    rot.MakeZRotation(EN_HALF_PI);  // +X onto -Y, +Y onto +X
    for (const PointRoutine& r : kPointRoutines) {
        EnVector3 pts[2] = {EnVector3(1, 0, 0), EnVector3(0, 2, 0)};
        r.fn(2, pts, pts, rot, 2.0f, EnVector3(1, 1, 1));
        EXPECT_NEAR((pts[0] - EnVector3(1, -1, 1)).Length(), 0.0f, 1e-6f) << r.name;
        EXPECT_NEAR((pts[1] - EnVector3(5, 1, 1)).Length(), 0.0f, 1e-6f) << r.name;
    }
}

}  // namespace
