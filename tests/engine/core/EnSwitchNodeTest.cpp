#include "engine/core/EnSwitchNode.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/core/EnFltAnimationNode.h"
#include "engine/core/EnLODNode.h"
#include "engine/core/EnStream.h"
#include "tests/engine/core/SceneTestObjects.h"
#include "tests/support/TempDir.h"

namespace {

// Fills a node with leaves whose model bounds sit at the given centres (radius 1).
std::vector<TestLeaf*> AddLeaves(EnNode& kNode, const std::vector<EnVector3>& kCentres) {
    std::vector<TestLeaf*> kLeaves;
    for (const EnVector3& kCentre : kCentres) {
        auto* pLeaf = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
        pLeaf->SetLocalTranslate(kCentre);
        kNode.AddChild(pLeaf);
        kLeaves.push_back(pLeaf);
    }
    return kLeaves;
}

}  // namespace

TEST(EnSwitchNode, DrawsOnlyTheActiveChildWhileTheBoundCoversAll) {
    EnPointer<EnSwitchNode> spSwitch = new EnSwitchNode;
    spSwitch->SetLocalTranslate({0, 10, 0});
    spSwitch->SetLocalScale(2.0f);
    std::vector<TestLeaf*> kLeaves = AddLeaves(*spSwitch, {{5, 0, 0}, {-5, 0, 0}});
    spSwitch->Update(0.0f);

    EXPECT_EQ(spSwitch->GetModelBound().m_center, EnVector3(0, 0, 0));
    EXPECT_EQ(spSwitch->GetModelBound().m_fRadius, 6.0f);
    EXPECT_EQ(spSwitch->GetWorldBound().m_center, EnVector3(0, 10, 0));
    EXPECT_EQ(spSwitch->GetWorldBound().m_fRadius, 12.0f);

    TestLeaf::DrawLog().clear();
    spSwitch->CullAndDraw(nullptr);
    EXPECT_TRUE(TestLeaf::DrawLog().empty());  // index -1 shows nothing
    EXPECT_FALSE(spSwitch->GetActiveChild());

    spSwitch->SetIndex(1);
    spSwitch->CullAndDraw(nullptr);
    EXPECT_EQ(TestLeaf::DrawLog(), std::vector<const EnAVObject*>{kLeaves[1]});
    EXPECT_EQ(spSwitch->GetActiveChild().Get(), kLeaves[1]);
    spSwitch->SetIndex(2);
    EXPECT_FALSE(spSwitch->GetActiveChild());

    // Moving a child updates the bound through the upward pass.
    kLeaves[0]->SetLocalTranslate({15, 0, 0});
    kLeaves[0]->Update(0.0f);
    EXPECT_EQ(spSwitch->GetModelBound().m_fRadius, 11.0f);
}

TEST(EnSwitchNode, OnlyTheActiveChildIsUpdatedOncePerGeneration) {
    EnPointer<EnSwitchNode> spSwitch = new EnSwitchNode;
    spSwitch->SetUpdateOnlyActive(true);
    std::vector<TestLeaf*> kLeaves = AddLeaves(*spSwitch, {{1, 0, 0}, {2, 0, 0}});

    spSwitch->Update(1.0f);  // no active child: nothing happens
    EXPECT_EQ(kLeaves[0]->m_iUpdates, 0);

    spSwitch->SetIndex(0);
    spSwitch->Update(1.5f);
    EXPECT_EQ(kLeaves[0]->m_iUpdates, 0);  // late, at the pre-draw
    spSwitch->PreDraw(nullptr);
    EXPECT_EQ(kLeaves[0]->m_iUpdates, 1);
    EXPECT_EQ(kLeaves[0]->m_fLastUpdateTime, 1.5f);
    spSwitch->PreDraw(nullptr);
    EXPECT_EQ(kLeaves[0]->m_iUpdates, 1);

    spSwitch->SetIndex(1);
    spSwitch->PreDraw(nullptr);
    EXPECT_EQ(kLeaves[1]->m_iUpdates, 1);
    EXPECT_EQ(kLeaves[1]->m_fLastUpdateTime, 1.5f);

    spSwitch->Update(2.0f);
    spSwitch->PreDraw(nullptr);
    EXPECT_EQ(kLeaves[1]->m_iUpdates, 2);
    EXPECT_EQ(kLeaves[0]->m_iUpdates, 1);

    // A child added later has never been updated by the node.
    auto* pNew = new TestLeaf;
    spSwitch->AddChild(pNew);
    EXPECT_EQ(spSwitch->GetUpdateStamp(), 1u);
    EXPECT_EQ(spSwitch->GetChildStamp(2), 0u);
    spSwitch->SetIndex(2);
    spSwitch->PreDraw(nullptr);
    EXPECT_EQ(pNew->m_iUpdates, 1);
}

TEST(EnSwitchNode, CollisionWithOnlyTheActiveChildGoesToTheOtherSide) {
    EnPointer<EnSwitchNode> spSwitch = new EnSwitchNode;
    std::vector<TestLeaf*> kLeaves = AddLeaves(*spSwitch, {{0, 0, 0}, {0, 0, 0}});
    EnPointer<TestLeaf> spOther = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    spOther->m_bCollides = true;
    spSwitch->Update(0.0f);
    spOther->Update(0.0f);
    EnCollisionQuery kThis{spSwitch, spSwitch, 3, 0};
    EnCollisionQuery kOther{spOther, spOther, 0, 0};

    spSwitch->SetUpdateOnlyActive(true);
    EXPECT_FALSE(spSwitch->TestCollision(0.1f, kThis, kOther));  // no active child
    EXPECT_TRUE(spOther->m_kQueries.empty());

    spSwitch->SetIndex(1);
    EXPECT_TRUE(spSwitch->TestCollision(0.1f, kThis, kOther));
    EXPECT_EQ(spSwitch->FindCollisions(0.1f, kThis, kOther), 1);
    ASSERT_EQ(spOther->m_kOtherQueries.size(), 2u);
    EXPECT_EQ(spOther->m_kOtherQueries[0].m_pObject, kLeaves[1]);
    EXPECT_EQ(spOther->m_kOtherQueries[0].m_pTop, spSwitch.Get());
    EXPECT_EQ(spOther->m_kOtherQueries[0].m_iTreeArgument, 3);
    EXPECT_EQ(spOther->m_kOtherQueries[0].m_iMarker, -1);
    EXPECT_TRUE(kLeaves[0]->m_kQueries.empty());
}

TEST(EnLODNode, ChoosesTheChildWhoseRangeHoldsTheDistance) {
    struct Case {
        float distance, adjust;
        int32_t index;
        const char* what;
    };
    const Case cases[] = {
        {5, 1, 0, "inside the first range"},
        {10, 1, 1, "at a near distance: that range"},
        {20, 1, 2, "at the far distance of range 1: the next"},
        {30, 1, -1, "past every range"},
        {10, 2, 2, "an adjustment of 2 is twice as far"},
        {25, 0.5f, 1, "an adjustment below 1 is nearer"},
    };
    EnPointer<EnLODNode> spLOD = new EnLODNode;
    AddLeaves(*spLOD, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    spLOD->SetRange(0, 10, 0);
    spLOD->SetRange(10, 20, 1);
    spLOD->SetRange(20, 30, 2);
    spLOD->Update(0.0f);
    for (const Case& c : cases) {
        spLOD->SelectLevel(nullptr, {c.distance, 0, 0}, c.adjust);
        EXPECT_EQ(spLOD->GetIndex(), c.index) << c.what;
    }
}

TEST(EnLODNode, DistancesFollowTheWorldScaleAndChildZero) {
    EnPointer<EnLODNode> spLOD = new EnLODNode;
    std::vector<TestLeaf*> kLeaves = AddLeaves(*spLOD, {{3, 0, 0}, {0, 0, 0}});
    spLOD->SetRange(0, 10, 0);
    spLOD->SetRange(10, 20, 1);
    spLOD->SetLocalScale(2.0f);
    spLOD->Update(0.0f);
    EXPECT_EQ(spLOD->GetRange(1)->m_fWorldNear, 20.0f);
    // Child 0's bound centre is at (6, 0, 0) in the world: a camera at 25 is 19 away.
    spLOD->SelectLevel(nullptr, {25, 0, 0}, 1);
    EXPECT_EQ(spLOD->GetIndex(), 0);
    spLOD->SelectLevel(nullptr, {27, 0, 0}, 1);
    EXPECT_EQ(spLOD->GetIndex(), 1);
}

TEST(EnLODNode, RangesWithTheirOwnCentres) {
    EnPointer<EnLODNode> spLOD = new EnLODNode;
    AddLeaves(*spLOD, {{0, 0, 0}, {0, 0, 0}});
    spLOD->SetPositionInRange(true);
    spLOD->SetRange(0, 5, 0);
    spLOD->SetRange(0, 5, 1);
    spLOD->SetRangeCenter(0, {-10, 0, 0});
    spLOD->SetRangeCenter(1, {10, 0, 0});
    spLOD->SetLocalTranslate({0, 100, 0});
    spLOD->Update(0.0f);
    EXPECT_EQ(spLOD->GetRange(1)->m_kWorldLoc, EnVector3(10, 100, 0));
    spLOD->SelectLevel(nullptr, {-9, 100, 0}, 1);
    EXPECT_EQ(spLOD->GetIndex(), 0);
    spLOD->SelectLevel(nullptr, {9, 100, 0}, 1);
    EXPECT_EQ(spLOD->GetIndex(), 1);
    spLOD->SelectLevel(nullptr, {0, 100, 0}, 1);
    EXPECT_EQ(spLOD->GetIndex(), -1);
}

TEST(EnLODNode, ChildrenWithoutARangeAreNeverChosen) {
    EnPointer<EnLODNode> spLOD = new EnLODNode;
    std::vector<TestLeaf*> kLeaves = AddLeaves(*spLOD, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    spLOD->SetRange(0, 10, 0);
    spLOD->SetRange(0, 100, 2);  // index 1 has no range
    spLOD->Update(0.0f);
    spLOD->SelectLevel(nullptr, {50, 0, 0}, 1);
    EXPECT_EQ(spLOD->GetIndex(), 2);

    EnPointer<EnLODNode> spShort = new EnLODNode;
    AddLeaves(*spShort, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    spShort->SetRange(0, 10, 0);
    spShort->SetRange(10, 20, 1);
    spShort->Update(0.0f);
    spShort->SelectLevel(nullptr, {25, 0, 0}, 1);
    EXPECT_EQ(spShort->GetIndex(), -1);

    // Collision tests offer only the children that have a range.
    EnPointer<TestLeaf> spOther = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    spOther->Update(0.0f);
    EnCollisionQuery kThis{spShort, spShort, 0, 5};
    EnCollisionQuery kOther{spOther, spOther, 0, 0};
    EXPECT_FALSE(spShort->TestCollision(0.1f, kThis, kOther));
    ASSERT_EQ(spOther->m_kOtherQueries.size(), 2u);
    EXPECT_EQ(spOther->m_kOtherQueries[1].m_pObject, spShort->GetAt(1));
    EXPECT_EQ(spOther->m_kOtherQueries[1].m_iMarker, 0);
}

TEST(EnLODNode, AChildWithoutARangeLoadsBackEqual) {
    // The file has no way to say "no range": the gap is written as an empty range, which,
    // like a missing one, holds no distance.
    EnPointer<EnLODNode> spLOD = new EnLODNode;
    AddLeaves(*spLOD, {{0, 0, 0}, {0, 0, 0}});
    spLOD->SetRange(5, 10, 1);
    TempDir kDir;
    ASSERT_FALSE(SaveScene(kDir.File("lod.enf"), {spLOD}).empty());
    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kDir.File("lod.enf").c_str()));
    auto* pLoaded = EnDynamicCast(EnLODNode, kStream.GetObjectAt(0));
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_TRUE(pLoaded->EqualsObject(spLOD));
    EXPECT_TRUE(spLOD->EqualsObject(pLoaded));

    EnPointer<EnLODNode> spOther = new EnLODNode;
    AddLeaves(*spOther, {{0, 0, 0}, {0, 0, 0}});
    spOther->SetRange(0, 1, 0);
    spOther->SetRange(5, 10, 1);
    EXPECT_FALSE(spOther->EqualsObject(spLOD));
    EXPECT_FALSE(spLOD->EqualsObject(spOther));
}

TEST(EnLODNode, OverlappingRangesLeaveTheLastMatchAndPreDrawEachMatch) {
    EnPointer<EnLODNode> spLOD = new EnLODNode;
    std::vector<TestLeaf*> kLeaves = AddLeaves(*spLOD, {{0, 0, 0}, {0, 0, 0}});
    spLOD->SetUpdateOnlyActive(true);
    spLOD->SetRange(0, 20, 0);
    spLOD->SetRange(10, 30, 1);
    auto* pController = new TestController;
    pController->SetTarget(spLOD);
    spLOD->SetIndex(0);
    spLOD->Update(1.0f);

    spLOD->SelectLevel(nullptr, {50, 0, 0}, 1);  // no match: no pre-draw at all
    EXPECT_EQ(spLOD->GetIndex(), -1);
    EXPECT_EQ(pController->m_iPreDraws, 0);

    spLOD->SelectLevel(nullptr, {15, 0, 0}, 1);
    EXPECT_EQ(spLOD->GetIndex(), 1);
    EXPECT_EQ(pController->m_iPreDraws, 2);
    EXPECT_EQ(kLeaves[0]->m_iUpdates, 1);  // both matches were brought up to date
    EXPECT_EQ(kLeaves[1]->m_iUpdates, 1);
}

TEST(EnFltAnimationNode, PicksTheChildForTheTimeWithinThePeriod) {
    struct Case {
        double period;
        bool bounce;
        double time;
        int32_t index;
    };
    const Case cases[] = {
        {1.0, false, 0.3, 1}, {1.0, false, -0.3, 2}, {1.0, false, 0.0, 0},   {1.0, false, 0.999, 3},
        {1.0, false, 2.6, 2}, {1.0, true, 0.3, 2},   {1.0, true, 0.75, 2},   {1.0, true, 0.5, 3},
        {2.0, false, 1.0, 2}, {0.0, false, 0.3, -1}, {-1.0, false, 0.3, -1},
    };
    for (const Case& c : cases) {
        EnPointer<EnFltAnimationNode> spFlip = new EnFltAnimationNode;
        AddLeaves(*spFlip, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
        spFlip->SetPeriod(c.period);
        spFlip->SetBounce(c.bounce);
        spFlip->SelectIndex(c.time);
        EXPECT_EQ(spFlip->GetIndex(), c.index)
            << "period " << c.period << (c.bounce ? " bounce" : "") << " at " << c.time;
    }
}

TEST(EnFltAnimationNode, DrawsTheFrameOfTheSavedTimeOnly) {
    EnPointer<EnFltAnimationNode> spFlip = new EnFltAnimationNode;
    std::vector<TestLeaf*> kLeaves =
        AddLeaves(*spFlip, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    spFlip->Update(0.6f);
    TestLeaf::DrawLog().clear();
    spFlip->CullAndDraw(nullptr);
    EXPECT_EQ(TestLeaf::DrawLog(), std::vector<const EnAVObject*>{kLeaves[2]});
    EXPECT_EQ(spFlip->GetIndex(), -1);

    EnPointer<EnFltAnimationNode> spEmpty = new EnFltAnimationNode;
    spEmpty->Update(0.6f);
    spEmpty->CullAndDraw(nullptr);
    EXPECT_EQ(spEmpty->GetIndex(), -1);
}
