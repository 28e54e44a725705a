#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/core/EnCamera.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/TempDir.h"

namespace {

// An independent view model in double precision: camera-space coordinates of a
// point from the camera's location and its three world axes.
struct View {
    double p[3], d[3], u[3], r[3];
    double L, R, T, B, N, F;

    static double Dot(const double* a, const double* b) {
        return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    }
    void CameraSpace(const EnVector3& q, double& x, double& y, double& depth) const {
        const double t[3] = {q.x - p[0], q.y - p[1], q.z - p[2]};
        depth = Dot(t, d);
        x = Dot(t, r);
        y = Dot(t, u);
    }
};

View MakeView(const EnCamera& kCamera) {
    View v{};
    const EnVector3* apSrc[4] = {&kCamera.GetWorldLocation(), &kCamera.GetWorldDirection(),
                                 &kCamera.GetWorldUpVector(), &kCamera.GetWorldRightVector()};
    double* apDst[4] = {v.p, v.d, v.u, v.r};
    for (int i = 0; i < 4; i++) {
        apDst[i][0] = apSrc[i]->x;
        apDst[i][1] = apSrc[i]->y;
        apDst[i][2] = apSrc[i]->z;
    }
    const EnFrustum& f = kCamera.GetViewFrustum();
    v.L = f.m_fLeft;
    v.R = f.m_fRight;
    v.T = f.m_fTop;
    v.B = f.m_fBottom;
    v.N = f.m_fNear;
    v.F = f.m_fFar;
    return v;
}

EnVector3 RandomUnit(std::mt19937& kRng) {
    std::normal_distribution<float> kNormal;
    EnVector3 v(kNormal(kRng), kNormal(kRng), kNormal(kRng));
    v.Unitize();
    return v;
}

// A camera at a random place, looking at a random point, with a random
// asymmetric frustum.
void Randomise(EnCamera& kCamera, std::mt19937& kRng) {
    std::uniform_real_distribution<float> kPos(-50.0f, 50.0f);
    std::uniform_real_distribution<float> kExt(0.1f, 1.5f);
    std::uniform_real_distribution<float> kSkew(-0.3f, 0.3f);
    EnFrustum f;
    const float fSkewX = kSkew(kRng);
    const float fSkewY = kSkew(kRng);
    f.m_fLeft = fSkewX - kExt(kRng);
    f.m_fRight = fSkewX + kExt(kRng);
    f.m_fBottom = fSkewY - kExt(kRng);
    f.m_fTop = fSkewY + kExt(kRng);
    f.m_fNear = std::uniform_real_distribution<float>(0.1f, 5.0f)(kRng);
    f.m_fFar = f.m_fNear + std::uniform_real_distribution<float>(1.0f, 500.0f)(kRng);
    kCamera.SetViewFrustum(f);
    kCamera.SetLocalTranslate(EnVector3(kPos(kRng), kPos(kRng), kPos(kRng)));
    kCamera.Update(0.0f);
    EnVector3 kTarget(kPos(kRng), kPos(kRng), kPos(kRng));
    while (!kCamera.AimAt(kTarget, RandomUnit(kRng))) kTarget = kTarget + RandomUnit(kRng);
}

TEST(EnCamera, DefaultCameraLooksAlongXWithTheDefaultFrustum) {
    EnPointer<EnCamera> spCamera = new EnCamera;
    const EnPlaneEquation& kNear = spCamera->GetFrustumPlane(EnCamera::NEAR_PLANE);
    EXPECT_EQ(kNear.m_normal, EnVector3(1.0f, 0.0f, 0.0f));
    EXPECT_FLOAT_EQ(kNear.m_fConstant, 1.0f);
    EXPECT_EQ(spCamera->GetCullingPlaneCount(), 6u);
    for (uint32_t i = 0; i < 6; i++)
        EXPECT_EQ(&spCamera->GetCullingPlane(i), &spCamera->GetFrustumPlane(i));

    struct Case {
        EnVector3 q;
        float x, y, z;
    };
    const Case cases[] = {
        {{1.5f, 0.0f, 0.0f}, 0.0f, 0.0f, 2.0f / 3.0f},
        {{2.0f, 0.0f, 0.0f}, 0.0f, 0.0f, 1.0f},
        {{1.0f, 0.0f, 0.0f}, 0.0f, 0.0f, 0.0f},
        {{2.0f, 1.0f, 1.0f}, 1.0f, 1.0f, 1.0f},      // the far top-right corner (+Z is right)
        {{1.0f, -0.5f, -0.5f}, -1.0f, -1.0f, 0.0f},  // the near bottom-left corner
    };
    for (const Case& c : cases) {
        float x = 9, y = 9, z = 9;
        ASSERT_TRUE(spCamera->WorldToScreen(c.q, x, y, z));
        EXPECT_NEAR(x, c.x, 1e-6f) << c.q.x << "," << c.q.y << "," << c.q.z;
        EXPECT_NEAR(y, c.y, 1e-6f) << c.q.x << "," << c.q.y << "," << c.q.z;
        EXPECT_NEAR(z, c.z, 1e-6f) << c.q.x << "," << c.q.y << "," << c.q.z;
    }
    float x, y, z;
    EXPECT_FALSE(spCamera->WorldToScreen(EnVector3(-1.0f, 0.0f, 0.0f), x, y, z));
    EXPECT_EQ(spCamera->GetWorldBound().GetCenter(), EnVector3::ZERO);
}

TEST(EnCamera, FrustumPlanesAgreeWithAnIndependentViewModel) {
    const uint32_t uiSeed = 20240611;
    std::mt19937 kRng(uiSeed);
    for (int iCamera = 0; iCamera < 50; iCamera++) {
        EnPointer<EnCamera> spCamera = new EnCamera;
        Randomise(*spCamera, kRng);
        const View v = MakeView(*spCamera);
        for (uint32_t i = 0; i < 6; i++)
            EXPECT_NEAR(spCamera->GetFrustumPlane(i).m_normal.Length(), 1.0f, 1e-5f);

        std::uniform_real_distribution<float> kOffset(-200.0f, 200.0f);
        for (int iPoint = 0; iPoint < 200; iPoint++) {
            const EnVector3 q(v.p[0] + kOffset(kRng), v.p[1] + kOffset(kRng),
                              v.p[2] + kOffset(kRng));
            double x, y, depth;
            v.CameraSpace(q, x, y, depth);
            // Signed margins of the six conditions, in the plane order near, far,
            // left, right, top, bottom; scaled like distances so a tolerance can skip
            // the boundary.
            const double margins[6] = {
                depth - v.N,
                v.F - depth,
                (x - v.L * depth) / std::sqrt(1 + v.L * v.L),
                (v.R * depth - x) / std::sqrt(1 + v.R * v.R),
                (v.T * depth - y) / std::sqrt(1 + v.T * v.T),
                (y - v.B * depth) / std::sqrt(1 + v.B * v.B),
            };
            for (uint32_t i = 0; i < 6; i++) {
                if (std::fabs(margins[i]) < 1e-2) continue;
                const float fDistance = spCamera->GetFrustumPlane(i).Distance(q);
                EXPECT_EQ(fDistance > 0.0f, margins[i] > 0.0)
                    << "seed " << uiSeed << " camera " << iCamera << " plane " << i;
                EXPECT_NEAR(fDistance, margins[i], 1e-3 * (1.0 + std::fabs(margins[i])))
                    << "seed " << uiSeed << " camera " << iCamera << " plane " << i;
            }
        }
    }
}

TEST(EnCamera, WorldToScreenAgreesWithAnIndependentProjection) {
    const uint32_t uiSeed = 77;
    std::mt19937 kRng(uiSeed);
    for (int iCamera = 0; iCamera < 50; iCamera++) {
        EnPointer<EnCamera> spCamera = new EnCamera;
        Randomise(*spCamera, kRng);
        const View v = MakeView(*spCamera);
        EXPECT_NEAR(spCamera->GetScreenScaleX(), 2.0 / (v.R - v.L), 1e-4);
        EXPECT_NEAR(spCamera->GetScreenScaleY(), 2.0 / (v.T - v.B), 1e-4);
        std::uniform_real_distribution<double> kUnit(0.0, 1.0);
        for (int iPoint = 0; iPoint < 100; iPoint++) {
            // A point inside the frustum, made in camera space and taken to world
            // space.
            const double depth = v.N + kUnit(kRng) * (v.F - v.N);
            const double sx = v.L + kUnit(kRng) * (v.R - v.L);
            const double sy = v.B + kUnit(kRng) * (v.T - v.B);
            double w[3];
            for (int k = 0; k < 3; k++)
                w[k] = v.p[k] + depth * v.d[k] + sx * depth * v.r[k] + sy * depth * v.u[k];
            const EnVector3 q{float(w[0]), float(w[1]), float(w[2])};
            double x, y, dq;
            v.CameraSpace(q, x, y, dq);
            const double ex = (2.0 * x / dq - (v.R + v.L)) / (v.R - v.L);
            const double ey = (2.0 * y / dq - (v.T + v.B)) / (v.T - v.B);
            const double ez = v.F * (dq - v.N) / ((v.F - v.N) * dq);
            float fx, fy, fz;
            ASSERT_TRUE(spCamera->WorldToScreen(q, fx, fy, fz));
            EXPECT_NEAR(fx, ex, 2e-3) << "seed " << uiSeed << " camera " << iCamera;
            EXPECT_NEAR(fy, ey, 2e-3) << "seed " << uiSeed << " camera " << iCamera;
            EXPECT_NEAR(fz, ez, 2e-3) << "seed " << uiSeed << " camera " << iCamera;
        }
    }
}

TEST(EnCamera, AimAtPointsTheViewAtTheTarget) {
    EnPointer<EnNode> spParent = new EnNode;
    EnPointer<EnCamera> spCamera = new EnCamera;
    spParent->AddChild(spCamera);
    EnMatrix3 kTurn;
    kTurn.MakeZRotation(0.7f);
    spParent->SetLocalRotate(kTurn);
    spParent->SetLocalTranslate(EnVector3(3.0f, -2.0f, 5.0f));
    spCamera->SetLocalTranslate(EnVector3(1.0f, 1.0f, 1.0f));
    spParent->Update(0.0f);

    const EnVector3 kTarget(10.0f, 4.0f, -6.0f);
    const EnVector3 kUp(0.0f, 1.0f, 0.0f);
    ASSERT_TRUE(spCamera->AimAt(kTarget, kUp));
    EnVector3 kToTarget = kTarget - spCamera->GetWorldLocation();
    kToTarget.Unitize();
    const EnVector3& d = spCamera->GetWorldDirection();
    const EnVector3& u = spCamera->GetWorldUpVector();
    const EnVector3& r = spCamera->GetWorldRightVector();
    EXPECT_NEAR(d.Dot(kToTarget), 1.0f, 1e-5f);
    EXPECT_NEAR(d.Dot(u), 0.0f, 1e-5f);
    EXPECT_GT(u.Dot(kUp), 0.0f);
    EXPECT_NEAR((d.Cross(u) - r).Length(), 0.0f, 1e-5f);
    float x, y, z;
    ASSERT_TRUE(spCamera->WorldToScreen(kTarget, x, y, z));
    EXPECT_NEAR(x, 0.0f, 1e-4f);
    EXPECT_NEAR(y, 0.0f, 1e-4f);
}

TEST(EnCamera, AimAtRefusesDegenerateAims) {
    EnPointer<EnCamera> spCamera = new EnCamera;
    spCamera->SetLocalTranslate(EnVector3(1.0f, 2.0f, 3.0f));
    spCamera->Update(0.0f);
    const EnMatrix3 kBefore = spCamera->GetLocalRotate();
    EXPECT_FALSE(spCamera->AimAt(EnVector3(1.0f, 2.0f, 3.0f), EnVector3(0.0f, 1.0f, 0.0f)));
    EXPECT_FALSE(spCamera->AimAt(EnVector3(1.0f, 7.0f, 3.0f), EnVector3(0.0f, 1.0f, 0.0f)));
    EXPECT_FALSE(spCamera->AimAt(EnVector3(1.0f, -7.0f, 3.0f), EnVector3(0.0f, 2.0f, 0.0f)));
    EXPECT_EQ(spCamera->GetLocalRotate(), kBefore);
}

TEST(EnCamera, ProjectsBoundsToScreenRectangles) {
    EnPointer<EnCamera> spCamera = new EnCamera;
    EnVector3 kA, kB;
    // On the axis at distance 2 with radius 0.5: half the default frustum's
    // width.
    spCamera->ProjectBoundToScreen(EnBoundSphere(EnVector3(2.0f, 0.0f, 0.0f), 0.5f), kA, kB);
    EXPECT_NEAR(kA.x, -0.5f, 1e-6f);
    EXPECT_NEAR(kB.x, 0.5f, 1e-6f);
    EXPECT_NEAR(kA.y, 0.5f, 1e-6f);  // the upper edge comes first
    EXPECT_NEAR(kB.y, -0.5f, 1e-6f);
    EXPECT_NEAR(kA.z, 0.5f, 1e-6f);
    EXPECT_NEAR(kB.z, 1.0f, 1e-6f);  // 1.5 clamped

    // Beside the camera, one tangent point behind the eye plane: the whole
    // screen.
    spCamera->ProjectBoundToScreen(EnBoundSphere(EnVector3(0.2f, 0.0f, 3.0f), 1.0f), kA, kB);
    EXPECT_EQ(kA.x, -1.0f);
    EXPECT_EQ(kA.y, -1.0f);
    EXPECT_EQ(kB.x, 1.0f);
    EXPECT_EQ(kB.y, 1.0f);
    EXPECT_EQ(kA.z, 0.0f);

    // Far off to one side: clamped to the screen edge.
    spCamera->ProjectBoundToScreen(EnBoundSphere(EnVector3(1.5f, 0.0f, 40.0f), 0.1f), kA, kB);
    EXPECT_EQ(kA.x, 1.0f);
    EXPECT_EQ(kB.x, 1.0f);
}

TEST(EnCamera, ExtraCullingPlanesFollowTheFrustumPlanes) {
    EnPointer<EnCamera> spCamera = new EnCamera;
    const EnPlaneEquation kPlane(EnVector3(0.0f, 1.0f, 0.0f), 2.0f);
    EXPECT_EQ(spCamera->AddCullingPlane(kPlane), 6u);
    EXPECT_EQ(spCamera->GetCullingPlaneCount(), 7u);
    EXPECT_EQ(spCamera->GetCullingPlane(6), kPlane);
    for (uint32_t i = 7; i < EnCamera::MAX_CULLING_PLANES; i++)
        EXPECT_EQ(spCamera->AddCullingPlane(kPlane), i);
    // The plane mask has 128 bits: no room for another plane.
    EXPECT_EQ(spCamera->AddCullingPlane(kPlane), UINT32_MAX);
    spCamera->RemoveExtraCullingPlanes();
    EXPECT_EQ(spCamera->GetCullingPlaneCount(), 6u);
}

TEST(EnCamera, SubmitsOnlyThePlanesItsMaskLeavesOpen) {
    struct Case {
        std::vector<uint32_t> masked;
        std::vector<uint32_t> submitted;  // culling-plane indexes, in order
        uint32_t frustumBits;
        const char* what;
    };
    const Case cases[] = {
        {{}, {0, 1, 2, 3, 4, 5, 6, 7}, 0x3F, "nothing masked"},
        {{1, 7}, {0, 2, 3, 4, 5, 6}, 0x3D, "a frustum and an extra plane masked"},
        {{0, 1, 2, 3, 4, 5}, {6, 7}, 0, "only the extra planes"},
        {{0, 1, 2, 3, 4, 5, 6, 7}, {}, 0, "every plane masked"},
    };
    EnPointer<RecordingRender> spRenderer = new RecordingRender;
    EnPointer<EnCamera> spCamera = new EnCamera;
    spCamera->SetRenderer(spRenderer);
    // Two extra planes outgrow the scratch array's first six entries.
    spCamera->AddCullingPlane(EnPlaneEquation(EnVector3(0.0f, 1.0f, 0.0f), 2.0f));
    spCamera->AddCullingPlane(EnPlaneEquation(EnVector3(0.0f, 0.0f, 1.0f), 3.0f));
    for (const Case& c : cases) {
        for (uint32_t i : c.masked) spCamera->SetPlaneMaskBit(i);
        spRenderer->m_kCalls.clear();
        spCamera->SubmitActivePlanes();
        for (uint32_t i : c.masked) spCamera->ClearPlaneMaskBit(i);

        const auto kCalls = spRenderer->CallsNamed("SetClipPlanes");
        ASSERT_EQ(kCalls.size(), 1u) << c.what;
        const RecordingRender::Call& kCall = *kCalls[0];
        EXPECT_EQ(kCall.m_uiPlanes, c.submitted.size()) << c.what;
        EXPECT_EQ(kCall.m_uiFrustumBits, c.frustumBits) << c.what;
        EXPECT_EQ(kCall.m_uiFrustumPlanes, uint32_t(std::popcount(c.frustumBits))) << c.what;
        ASSERT_EQ(kCall.m_kPlanes.size(), c.submitted.size()) << c.what;
        for (size_t i = 0; i < c.submitted.size(); i++)
            EXPECT_EQ(kCall.m_kPlanes[i], spCamera->GetCullingPlane(c.submitted[i])) << c.what;
    }
}

TEST(EnCamera, PlaneMaskBitsCoverAllFourWords) {
    EnPointer<EnCamera> spCamera = new EnCamera;
    for (uint32_t i : {0u, 31u, 32u, 95u, 127u}) {
        EXPECT_FALSE(spCamera->IsPlaneMasked(i));
        spCamera->SetPlaneMaskBit(i);
        EXPECT_TRUE(spCamera->IsPlaneMasked(i));
    }
    EXPECT_EQ(spCamera->GetPlaneMask()[0], 0x80000001u);
    EXPECT_EQ(spCamera->GetPlaneMask()[1], 0x00000001u);
    EXPECT_EQ(spCamera->GetPlaneMask()[2], 0x80000000u);
    EXPECT_EQ(spCamera->GetPlaneMask()[3], 0x80000000u);
    spCamera->ClearPlaneMaskBit(31);
    EXPECT_FALSE(spCamera->IsPlaneMasked(31));
    spCamera->SetPlaneMaskBit(128);  // past the mask: ignored
    EXPECT_FALSE(spCamera->IsPlaneMasked(128));
}

TEST(EnCamera, StreamRoundTripKeepsTheViewAndTheScene) {
    TempDir kDir;
    const std::string kPath = kDir.File("camera.enf");
    {
        EnPointer<EnNode> spScene = new EnNode;
        EnPointer<EnCamera> spCamera = new EnCamera;
        spCamera->SetViewFrustum({-0.4f, 0.6f, 0.3f, -0.2f, 0.5f, 900.0f});
        spCamera->SetViewPort({0.25f, 0.75f, 1.0f, 0.5f});
        spCamera->SetLODAdjust(1.5f);
        spCamera->SetScene(spScene);
        spCamera->SetLocalTranslate(EnVector3(4.0f, 5.0f, 6.0f));
        EnStream kStream;
        kStream.InsertObject(spCamera);
        ASSERT_TRUE(kStream.Save(kPath.c_str()));
    }
    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kPath.c_str())) << EnStream::GetLastErrorText();
    ASSERT_EQ(kStream.GetObjectCount(), 1u);
    EnCamera* pCamera = EnDynamicCast(EnCamera, kStream.GetObjectAt(0));
    ASSERT_NE(pCamera, nullptr);
    EXPECT_EQ(pCamera->GetViewFrustum(), (EnFrustum{-0.4f, 0.6f, 0.3f, -0.2f, 0.5f, 900.0f}));
    EXPECT_EQ(pCamera->GetViewPort(), (EnRect<float>{0.25f, 0.75f, 1.0f, 0.5f}));
    EXPECT_EQ(pCamera->GetLODAdjust(), 1.5f);
    ASSERT_NE(pCamera->GetScene(), nullptr);
    EXPECT_TRUE(EnIsExactKindOf(EnNode, pCamera->GetScene()));
    EXPECT_EQ(pCamera->GetRenderer(), nullptr);
}

TEST(EnCamera, HostileCountsAndLinksFailTheLoad) {
    TempDir kDir;
    const std::string kPath = kDir.File("camera.enf");
    {
        EnPointer<EnCamera> spCamera = new EnCamera;
        EnStream kStream;
        kStream.InsertObject(spCamera);
        ASSERT_TRUE(kStream.Save(kPath.c_str()));
    }
    const std::string kBytes = TempDir::Read(kPath);
    // The camera's record ends with the scene and renderer link IDs and the polygon count,
    // right before the length-prefixed "End Of File".
    const size_t uiEnd = kBytes.rfind("End Of File");
    ASSERT_NE(uiEnd, std::string::npos);
    const size_t uiCount = uiEnd - 8;
    const size_t uiRenderer = uiEnd - 12;
    struct Case {
        const char* name;
        size_t uiOffset;
        uint32_t uiValue;
    };
    const Case cases[] = {
        {"polygon count past the end", uiCount, 0xFFFFFFFFu},
        {"polygon count of a gigabyte", uiCount, 0x10000000u},
        {"renderer link to the camera itself", uiRenderer, 1u},
        {"renderer link to nothing", uiRenderer, 77u},
    };
    for (const Case& c : cases) {
        std::string kPatched = kBytes;
        for (int i = 0; i < 4; i++) kPatched[c.uiOffset + i] = char(c.uiValue >> (8 * i));
        const std::string kFile = kDir.Write("patched.enf", kPatched);
        EnStream kStream;
        const bool bLoaded = kStream.Load(kFile.c_str());
        if (c.uiValue == 77u) {
            // An ID that names no object is no link at all.
            ASSERT_TRUE(bLoaded) << c.name;
            EnCamera* pCamera = EnDynamicCast(EnCamera, kStream.GetObjectAt(0));
            ASSERT_NE(pCamera, nullptr);
            EXPECT_EQ(pCamera->GetRenderer(), nullptr);
        } else {
            EXPECT_FALSE(bLoaded) << c.name;
        }
    }
}

TEST(EnCamera, CloneCopiesTheViewAndSharesTheScene) {
    EnPointer<EnNode> spScene = new EnNode;
    EnPointer<EnCamera> spCamera = new EnCamera;
    spCamera->SetViewFrustum({-1.0f, 1.0f, 0.75f, -0.75f, 0.1f, 100.0f});
    spCamera->SetLODAdjust(2.0f);
    spCamera->SetScene(spScene);
    spCamera->SetLocalTranslate(EnVector3(1.0f, 2.0f, 3.0f));
    spCamera->Update(0.0f);
    spCamera->AddCullingPlane(EnPlaneEquation(EnVector3(0.0f, 0.0f, 1.0f), 1.0f));

    EnPointer<EnCamera> spCopy = static_cast<EnCamera*>(spCamera->MakeClone());
    ASSERT_NE(spCopy.Get(), spCamera.Get());
    EXPECT_TRUE(spCopy->EqualsObject(spCamera));
    EXPECT_EQ(spCopy->GetScene(), spScene.Get());
    EXPECT_EQ(spCopy->GetCullingPlaneCount(), 7u);
    EXPECT_NE(&spCopy->GetCullingPlane(6), &spCamera->GetCullingPlane(6));
    EXPECT_EQ(spCopy->GetCullingPlane(6), spCamera->GetCullingPlane(6));
    EXPECT_EQ(spCopy->GetWorldLocation(), spCamera->GetWorldLocation());
    for (uint32_t i = 0; i < 6; i++)
        EXPECT_EQ(spCopy->GetFrustumPlane(i), spCamera->GetFrustumPlane(i));

    spCopy->SetLODAdjust(3.0f);
    EXPECT_FALSE(spCopy->EqualsObject(spCamera));
}

TEST(EnCamera, ViewerStringsNameTheFrustumAndVectors) {
    EnPointer<EnCamera> spCamera = new EnCamera;
    EnTArray<char*> kStrings(8, 8);
    spCamera->AppendMemberStrings(kStrings);
    std::string kAll;
    for (char* pc : kStrings)
        if (pc) kAll += std::string(pc) + "\n";
    EnFreeViewerStrings(kStrings);
    EXPECT_NE(kAll.find("m_frustum = "
                        "(N=1.000000,F=2.000000,L=-0.500000,R=0.500000,T=0.500000,"
                        "B=-0.500000)"),
              std::string::npos)
        << kAll;
    EXPECT_NE(kAll.find("m_port = (L=0.000000,R=1.000000,T=1.000000,B=0.000000)"),
              std::string::npos);
    EXPECT_NE(kAll.find("m_wDir = (1.000000,0.000000,0.000000)"), std::string::npos) << kAll;
    EXPECT_NE(kAll.find("m_wRight"), std::string::npos);
}

}  // namespace
