#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/core/EnBSPNode.h"
#include "engine/core/EnBillboardNode.h"
#include "engine/core/EnBone.h"
#include "engine/core/EnCamera.h"
#include "engine/core/EnCollisionSwitch.h"
#include "engine/core/EnLODNode.h"
#include "engine/core/EnMath.h"
#include "engine/core/EnRayQuery.h"
#include "engine/core/EnViewerStrings.h"
#include "tests/engine/core/SceneTestObjects.h"

namespace {

// A camera at the location looking at the target with +Y up (or +Z when looking along Y),
// with a frustum wide and deep enough for the tests' scenes.
EnPointer<EnCamera> MakeCamera(const EnVector3& kLoc, const EnVector3& kTarget) {
    EnPointer<EnCamera> spCamera = new EnCamera;
    spCamera->SetViewFrustum(EnFrustum{-1.0f, 1.0f, 1.0f, -1.0f, 1.0f, 100.0f});
    spCamera->SetLocalTranslate(kLoc);
    spCamera->Update(0.0f);
    EnVector3 kDir = kTarget - kLoc;
    const bool bVertical = std::fabs(kDir.x) < 1e-6f && std::fabs(kDir.z) < 1e-6f;
    EXPECT_TRUE(spCamera->AimAt(kTarget, bVertical ? EnVector3(0, 0, 1) : EnVector3(0, 1, 0)));
    return spCamera;
}

void ExpectVectorNear(const EnVector3& kExpected, const EnVector3& kActual, const char* pcWhat) {
    EXPECT_NEAR(kExpected.x, kActual.x, 1e-5f) << pcWhat;
    EXPECT_NEAR(kExpected.y, kActual.y, 1e-5f) << pcWhat;
    EXPECT_NEAR(kExpected.z, kActual.z, 1e-5f) << pcWhat;
}

bool MaskBit(const uint32_t* puiMask, uint32_t uiBit) {
    return puiMask[uiBit >> 5] >> (uiBit & 31) & 1u;
}

}  // namespace

TEST(CullAndDraw, ObjectsOutsideAPlaneAreNotDrawn) {
    EnPointer<EnCamera> spCamera = MakeCamera({0, 0, 0}, {10, 0, 0});
    struct Case {
        EnVector3 centre;
        bool drawn;
        const char* what;
    };
    const Case cases[] = {
        {{10, 0, 0}, true, "wholly inside"},         {{1, 0, 0}, true, "cut by the near plane"},
        {{-10, 0, 0}, false, "behind the camera"},   {{150, 0, 0}, false, "beyond the far plane"},
        {{10, 30, 0}, false, "above the top plane"},
    };
    for (const Case& c : cases) {
        EnPointer<TestLeaf> spLeaf = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
        spLeaf->SetLocalTranslate(c.centre);
        spLeaf->Update(0.0f);
        TestLeaf::DrawLog().clear();
        spLeaf->CullAndDraw(spCamera);
        EXPECT_EQ(TestLeaf::DrawLog().size(), c.drawn ? 1u : 0u) << c.what;
    }

    EnPointer<TestLeaf> spCulled = new TestLeaf(EnBoundSphere({10, 0, 0}, 1.0f));
    spCulled->Update(0.0f);
    spCulled->SetAppCulled(true);
    TestLeaf::DrawLog().clear();
    spCulled->CullAndDraw(spCamera);
    EXPECT_TRUE(TestLeaf::DrawLog().empty());
}

TEST(CullAndDraw, PlanesThatHoldAParentAreNotTestedForItsChildren) {
    EnPointer<EnCamera> spCamera = MakeCamera({0, 0, 0}, {10, 0, 0});
    EnPointer<EnNode> spNode = new EnNode;
    auto* pInside = new TestLeaf(EnBoundSphere({10, 0, 0}, 1.0f));
    spNode->AddChild(pInside);
    spNode->Update(0.0f);
    spNode->CullAndDraw(spCamera);
    for (uint32_t i = 0; i < EnCamera::FRUSTUM_PLANES; i++)
        EXPECT_TRUE(MaskBit(pInside->m_auiMaskAtDraw, i)) << "plane " << i;
    // The marks last for that draw only.
    for (uint32_t i = 0; i < 4; i++) EXPECT_EQ(spCamera->GetPlaneMask()[i], 0u);

    // A child outside its parent's bound (an invisible one is not merged into it) is drawn
    // through the parent's marks without a test of its own...
    auto* pBehind = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    pBehind->m_bVisual = false;
    pBehind->SetLocalTranslate({-10, 0, 0});
    spNode->AddChild(pBehind);
    spNode->Update(0.0f);
    TestLeaf::DrawLog().clear();
    spNode->CullAndDraw(spCamera);
    EXPECT_EQ(TestLeaf::DrawLog(), (std::vector<const EnAVObject*>{pInside, pBehind}));

    // ...but drawn on its own, without the marks, it is tested and culled.
    TestLeaf::DrawLog().clear();
    pBehind->CullAndDraw(spCamera);
    EXPECT_TRUE(TestLeaf::DrawLog().empty());
    for (uint32_t i = 0; i < 4; i++) EXPECT_EQ(spCamera->GetPlaneMask()[i], 0u);
}

TEST(EnBillboardNode, RotatingAboutUpPointsModelZAtTheCamera) {
    EnPointer<EnBillboardNode> spBoard = new EnBillboardNode;
    EXPECT_EQ(spBoard->GetMode(), EnBillboardNode::ROTATE_ABOUT_UP);
    spBoard->SetLocalTranslate({1, 0, 1});
    spBoard->Update(0.0f);
    const EnVector3 kDir{0, 0, 1}, kUp{0, 1, 0}, kRight{1, 0, 0};

    spBoard->FaceCamera({4, 7, 5}, kDir, kUp, kRight);
    ExpectVectorNear({0.6f, 0, 0.8f}, spBoard->GetWorldRotate() * EnVector3(0, 0, 1), "+Z");
    ExpectVectorNear({0, 1, 0}, spBoard->GetWorldRotate() * EnVector3(0, 1, 0), "+Y stays up");

    // Straight above, no direction in the horizontal plane: the model orientation stays.
    spBoard->FaceCamera({1, 9, 1}, kDir, kUp, kRight);
    EXPECT_EQ(spBoard->GetWorldRotate(), EnMatrix3::IDENTITY);
    EXPECT_EQ(spBoard->GetWorldTranslate(), EnVector3(1, 0, 1));
}

TEST(EnBillboardNode, RigidAndAlwaysFacingFollowTheCameraFrame) {
    EnPointer<EnCamera> spCamera = MakeCamera({0, 6, -10}, {0, 0, 0});
    const EnVector3 d = spCamera->GetWorldDirection();
    const EnVector3 u = spCamera->GetWorldUpVector();
    const EnVector3 r = spCamera->GetWorldRightVector();

    EnPointer<EnBillboardNode> spBoard = new EnBillboardNode;
    spBoard->SetMode(EnBillboardNode::RIGID_FACE_CAMERA);
    spBoard->Update(0.0f);
    spBoard->PreDraw(spCamera);
    ExpectVectorNear(r, spBoard->GetWorldRotate().GetColumn(0), "rigid x");
    ExpectVectorNear(u, spBoard->GetWorldRotate().GetColumn(1), "rigid y");
    ExpectVectorNear(d, spBoard->GetWorldRotate().GetColumn(2), "rigid z");

    // Under a turned parent the same world frame results.
    EnPointer<EnNode> spParent = new EnNode;
    EnMatrix3 kTurn;
    kTurn.MakeYRotation(0.8f);
    spParent->SetLocalRotate(kTurn);
    spParent->AddChild(spBoard);
    spParent->Update(0.0f);
    spBoard->PreDraw(spCamera);
    ExpectVectorNear(d, spBoard->GetWorldRotate().GetColumn(2), "rigid z under a parent");

    spBoard->SetMode(EnBillboardNode::ALWAYS_FACE_CAMERA);
    spBoard->PreDraw(spCamera);
    const EnMatrix3& kWorld = spBoard->GetWorldRotate();
    ExpectVectorNear(-d, kWorld.GetColumn(2), "always: +Z back at the viewer");
    // Its x axis stays level with the parent's horizontal plane.
    EXPECT_NEAR(kTurn.TransposeTimesVector(kWorld.GetColumn(0)).y, 0.0f, 1e-5f);
    EXPECT_NEAR(kWorld.GetColumn(0).Length(), 1.0f, 1e-5f);
}

TEST(EnBillboardNode, BoundHoldsTheSubtreeInAnyOrientation) {
    EnPointer<EnBillboardNode> spBoard = new EnBillboardNode;
    spBoard->SetLocalTranslate({0, 5, 0});
    auto* pLeaf = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    pLeaf->SetLocalTranslate({3, 0, 0});
    spBoard->AddChild(pLeaf);
    spBoard->Update(2.5f);
    EXPECT_EQ(spBoard->GetWorldBound().m_center, EnVector3(0, 5, 0));
    EXPECT_FLOAT_EQ(spBoard->GetWorldBound().m_fRadius, 4.0f);

    // The pre-draw turns the node, then brings the children along with the saved time.
    pLeaf->m_iUpdates = 0;
    spBoard->FaceCamera({10, 5, 0}, {-1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    spBoard->PreDraw(nullptr);
    EXPECT_EQ(pLeaf->m_iUpdates, 1);
    EXPECT_EQ(pLeaf->m_fLastUpdateTime, 2.5f);
}

TEST(EnBSPNode, CameraSideChoosesTheDrawingOrder) {
    EnPointer<EnBSPNode> spBSP = new EnBSPNode;
    spBSP->SetModelPlane(EnPlaneEquation({1, 0, 0}, 0.0f));
    auto* pFront = new TestLeaf(EnBoundSphere({1, 0, 0}, 1.0f));
    auto* pBack = new TestLeaf(EnBoundSphere({-1, 0, 0}, 1.0f));
    spBSP->AddChild(pFront);
    spBSP->AddChild(pBack);
    spBSP->Update(0.0f);

    struct Case {
        EnVector3 loc, dir;
        int side;
        const char* what;
    };
    const Case cases[] = {
        {{5, 0, 0}, {-1, 0, 0}, 1, "positive side"},
        {{-5, 0, 0}, {1, 0, 0}, 2, "negative side"},
        {{0, 3, 0}, {1, 0, 0}, 1, "on the plane, looking along the normal"},
        {{0, 3, 0}, {-1, 0, 0}, 2, "on the plane, looking against it"},
        {{0, 3, 0}, {0, 0, 1}, 0, "on the plane, looking along it"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(spBSP->WhichSide(c.loc, c.dir), c.side) << c.what;
        TestLeaf::DrawLog().clear();
        spBSP->DrawForSide(nullptr, c.side);
        const std::vector<const EnAVObject*> kFrontFirst{pFront, pBack};
        const std::vector<const EnAVObject*> kBackFirst{pBack, pFront};
        EXPECT_EQ(TestLeaf::DrawLog(), c.side == 2 ? kBackFirst : kFrontFirst) << c.what;
    }

    // Through a real camera: the far side first, the camera's side last.
    EnPointer<EnCamera> spCamera = MakeCamera({-20, 0, 0}, {0, 0, 0});
    TestLeaf::DrawLog().clear();
    spBSP->CullAndDraw(spCamera);
    EXPECT_EQ(TestLeaf::DrawLog(), (std::vector<const EnAVObject*>{pBack, pFront}));
}

TEST(EnBSPNode, WorldPlaneFollowsTheNodeAndBakingMovesTheModelPlane) {
    EnPointer<EnBSPNode> spBSP = new EnBSPNode;
    spBSP->SetModelPlane(EnPlaneEquation({1, 0, 0}, 2.0f));
    EnMatrix3 kQuarter;
    kQuarter.MakeZRotation(-EN_HALF_PI);  // turns +X onto +Y
    spBSP->SetLocalRotate(kQuarter);
    spBSP->SetLocalTranslate({0, 3, 0});
    spBSP->SetLocalScale(2.0f);
    spBSP->Update(0.0f);
    ExpectVectorNear({0, 1, 0}, spBSP->GetWorldPlane().m_normal, "world normal");
    EXPECT_NEAR(spBSP->GetWorldPlane().m_fConstant, 2.0f * 2.0f + 3.0f, 1e-5f);

    EnPointer<EnBSPNode> spBaked = new EnBSPNode;
    spBaked->SetModelPlane(EnPlaneEquation({1, 0, 0}, 2.0f));
    auto* pLeaf = new TestLeaf;
    spBaked->AddChild(pLeaf);
    spBaked->BakeTransform(EnMatrix3::IDENTITY, {5, 0, 0}, false);
    EXPECT_EQ(spBaked->GetModelPlane(), EnPlaneEquation({1, 0, 0}, 7.0f));
    EXPECT_EQ(pLeaf->m_kBakedTranslate, EnVector3(5, 0, 0));
    spBaked->BakeTransform(kQuarter, {0, 0, 0}, false);
    ExpectVectorNear({0, 1, 0}, spBaked->GetModelPlane().m_normal, "baked normal");
}

TEST(EnCollisionSwitch, OffHidesTheSubtreeFromCollisionAndPicking) {
    EnPointer<EnCollisionSwitch> spSwitch = new EnCollisionSwitch;
    EXPECT_TRUE(spSwitch->GetPropagate());
    auto* pLeaf = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    pLeaf->m_bCollides = true;
    spSwitch->AddChild(pLeaf);
    spSwitch->Update(0.0f);
    EnPointer<TestLeaf> spOther = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    spOther->Update(0.0f);
    EnCollisionQuery kThis{spSwitch, spSwitch, 0, 0};
    EnCollisionQuery kOther{spOther, spOther, 0, 0};
    EnRayQuery kRay;
    kRay.m_uiTestMode = 0;
    kRay.m_uiStopMode = 1;

    EXPECT_TRUE(spSwitch->TestCollision(0.1f, kThis, kOther));
    EXPECT_EQ(spSwitch->FindCollisions(0.1f, kThis, kOther), 1);
    EXPECT_TRUE(spSwitch->FindIntersections({5, 0, 0}, {-1, 0, 0}, kRay));

    spSwitch->SetPropagate(false);
    pLeaf->m_kQueries.clear();
    EXPECT_FALSE(spSwitch->TestCollision(0.1f, kThis, kOther));
    EXPECT_EQ(spSwitch->FindCollisions(0.1f, kThis, kOther), 0);
    EXPECT_FALSE(spSwitch->FindIntersections({5, 0, 0}, {-1, 0, 0}, kRay));
    EXPECT_TRUE(pLeaf->m_kQueries.empty());
    EXPECT_EQ(kRay.m_kHits.size(), 1u);
}

TEST(EnLODNode, PreDrawMeasuresFromTheCameraWithItsAdjustment) {
    EnPointer<EnLODNode> spLOD = new EnLODNode;
    spLOD->AddChild(new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f)));
    spLOD->AddChild(new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f)));
    spLOD->SetRange(0, 15, 0);
    spLOD->SetRange(15, 50, 1);
    spLOD->Update(0.0f);
    EnPointer<EnCamera> spCamera = MakeCamera({-10, 0, 0}, {0, 0, 0});
    spLOD->PreDraw(spCamera);
    EXPECT_EQ(spLOD->GetIndex(), 0);
    spCamera->SetLODAdjust(2.0f);
    spLOD->PreDraw(spCamera);
    EXPECT_EQ(spLOD->GetIndex(), 1);

    TestLeaf::DrawLog().clear();
    spLOD->CullAndDraw(spCamera);
    EXPECT_EQ(TestLeaf::DrawLog(), std::vector<const EnAVObject*>{spLOD->GetAt(1)});
}

TEST(EnBone, SkinTransformIsRelativeToTheRootBone) {
    EnPointer<EnNode> spScene = new EnNode;
    spScene->SetLocalTranslate({100, 0, 0});
    auto* pRoot = new EnBone;
    pRoot->SetLocalTranslate({0, 5, 0});
    pRoot->SetLocalScale(2.0f);
    auto* pChild = new EnBone;
    pChild->SetLocalTranslate({1, 0, 0});
    spScene->AddChild(pRoot);
    pRoot->AddChild(pChild);
    spScene->Update(0.0f);

    // A bone under a plain node is the root of its hierarchy: its skin transform is local.
    EXPECT_EQ(pRoot->GetSkinTranslate(), EnVector3(0, 5, 0));
    EXPECT_EQ(pRoot->GetSkinScale(), 2.0f);
    EXPECT_EQ(pChild->GetSkinTranslate(), EnVector3(2, 5, 0));
    EXPECT_EQ(pChild->GetSkinScale(), 2.0f);
    EXPECT_EQ(pChild->GetWorldTranslate(), EnVector3(102, 5, 0));

    EnPointer<EnBone> spCopy = EnDynamicCast(EnBone, pRoot->MakeClone());
    ASSERT_TRUE(spCopy);
    EXPECT_EQ(spCopy->GetSkinTranslate(), EnVector3(0, 5, 0));
    EXPECT_TRUE(spCopy->EqualsObject(pRoot));
    EXPECT_FALSE(pRoot->GetFirstExtraData());
}

TEST(NodeKinds, ViewerStringsNameTheirSettings) {
    struct Case {
        EnPointer<EnNode> node;
        std::vector<std::string> lines;
    };
    EnPointer<EnBillboardNode> spBoard = new EnBillboardNode;
    spBoard->SetMode(EnBillboardNode::RIGID_FACE_CAMERA);
    EnPointer<EnBSPNode> spBSP = new EnBSPNode;
    spBSP->SetModelPlane(EnPlaneEquation({0, 1, 0}, 2.0f));
    EnPointer<EnCollisionSwitch> spSwitch = new EnCollisionSwitch;
    EnPointer<EnLODNode> spLOD = new EnLODNode;
    spLOD->SetRange(1, 2, 0);
    const Case cases[] = {
        {spBoard.Get(), {"--- EnBillboardNode ---", "m_eMode = RIGID_FACE_CAMERA"}},
        {spBSP.Get(), {"--- EnBSPNode ---", "(0.000000,1.000000,0.000000), 2.000000"}},
        {spSwitch.Get(), {"--- EnCollisionSwitch ---", "m_bPropagate = true"}},
        {spLOD.Get(),
         {"--- EnSwitchNode ---", "m_iIndex = -1", "m_bUpdateOnlyActive = false",
          "--- EnLODNode ---", "m_bPositionInRange = false",
          "N=1.000000,WN=1.000000,F=2.000000,WF=2.000000, loc=(0.000000,0.000000,0.000000)"}},
    };
    for (const Case& c : cases) {
        EnTArray<char*> kStrings(8, 8);
        c.node->AppendMemberStrings(kStrings);
        std::vector<std::string> kLines;
        for (char* pc : kStrings) kLines.emplace_back(pc);
        EnFreeViewerStrings(kStrings);
        for (const std::string& k : c.lines)
            EXPECT_NE(std::find(kLines.begin(), kLines.end(), k), kLines.end())
                << c.node->GetClassName() << ": " << k;
    }
}
