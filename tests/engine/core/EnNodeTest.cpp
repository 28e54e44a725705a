#include "engine/core/EnNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnRayQuery.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnStringExtraData.h"
#include "engine/geometry/EnAmbientLight.h"
#include "tests/engine/core/SceneTestObjects.h"
#include "tests/support/AssertCapture.h"
#include "tests/support/TempDir.h"

namespace {

std::vector<EnAVObject*> Children(const EnNode& kNode) {
    std::vector<EnAVObject*> k;
    for (uint32_t i = 0; i < kNode.GetArrayCount(); i++) k.push_back(kNode.GetAt(i));
    return k;
}

std::vector<EnCollisionRecord>& g_kRecords() {
    static std::vector<EnCollisionRecord> s_kRecords;
    return s_kRecords;
}

std::vector<EnDynamicEffect*> Effects(const EnNode& kNode) {
    std::vector<EnDynamicEffect*> k;
    const auto& kList = kNode.GetEffectList();
    for (EnTListIterator pos = kList.GetHeadPos(); pos;) k.push_back(kList.GetNext(pos));
    return k;
}

}  // namespace

TEST(EnNode, AddingAChildOfAnotherNodeMovesIt) {
    EnPointer<EnNode> spOld = new EnNode;
    EnPointer<EnNode> spNew = new EnNode;
    auto* pChild = new TestLeaf;
    spOld->AddChild(pChild);
    spNew->AddChild(pChild);
    EXPECT_EQ(pChild->GetParent(), spNew.Get());
    EXPECT_EQ(spOld->GetAt(0), nullptr);
    EXPECT_EQ(spOld->GetChildCount(), 0u);
    EXPECT_EQ(spNew->GetAt(0), pChild);
    EXPECT_EQ(pChild->GetRefCount(), 1);
}

TEST(EnNode, AddingOwnChildAgainStoresItAnew) {
    EnPointer<EnNode> spNode = new EnNode;
    auto* pA = new TestLeaf;
    auto* pB = new TestLeaf;
    auto* pC = new TestLeaf;
    spNode->AddChild(pA);
    spNode->AddChild(pB);
    spNode->AddChild(pC);

    spNode->AddChild(pA);  // leaves slot 0, goes to the end
    EXPECT_EQ(Children(*spNode), (std::vector<EnAVObject*>{nullptr, pB, pC, pA}));
    spNode->AddChild(pB, true);  // leaves slot 1; the first free slot is 0
    EXPECT_EQ(Children(*spNode), (std::vector<EnAVObject*>{pB, nullptr, pC, pA}));
    spNode->AddChild(pA, true);  // leaving the last slot shrinks the array; slot 1 is free
    EXPECT_EQ(Children(*spNode), (std::vector<EnAVObject*>{pB, pA, pC}));
    for (EnAVObject* p : {pA, pB, pC}) {
        EXPECT_EQ(p->GetParent(), spNode.Get());
        EXPECT_EQ(p->GetRefCount(), 1);
    }
}

TEST(EnNode, RemovalLeavesHolesThatFirstFreeAddFills) {
    EnPointer<EnNode> spNode = new EnNode;
    EnPointer<TestLeaf> spA = new TestLeaf, spB = new TestLeaf, spC = new TestLeaf;
    spNode->AddChild(spA);
    spNode->AddChild(spB);
    spNode->AddChild(spC);

    EXPECT_EQ(spNode->RemoveChildAt(1), spB.Get());
    EXPECT_EQ(spNode->GetArrayCount(), 3u);
    EXPECT_EQ(spB->GetParent(), nullptr);
    EXPECT_EQ(spNode->RemoveChildAt(2), spC.Get());
    EXPECT_EQ(spNode->GetArrayCount(), 2u);        // only the last slot shrinks the array
    EXPECT_EQ(spNode->RemoveChildAt(1), nullptr);  // an empty slot
    EXPECT_EQ(spNode->RemoveChildAt(7), nullptr);
    EXPECT_EQ(spNode->RemoveChild(spC), nullptr);  // not a child any more

    spNode->AddChild(spC, true);
    EXPECT_EQ(spNode->GetAt(1), spC.Get());
    EXPECT_EQ(spB->GetRefCount(), 1);  // only the test holds it now
}

TEST(EnNode, ReplaceChildAtGrowsTheArrayAndSavesTheHoles) {
    TempDir kDir;
    EnPointer<EnNode> spNode = new EnNode;
    spNode->AddChild(new TestLeaf);
    spNode->AddChild(new TestLeaf);
    auto* pFar = new TestLeaf;
    EXPECT_EQ(spNode->ReplaceChildAt(5, pFar), nullptr);
    EXPECT_EQ(spNode->GetArrayCount(), 6u);
    for (uint32_t i = 2; i < 5; i++) EXPECT_EQ(spNode->GetAt(i), nullptr);
    EXPECT_EQ(pFar->GetParent(), spNode.Get());

    EnPointer<TestLeaf> spOther = new TestLeaf;
    EnPointer<EnAVObject> spOld = spNode->ReplaceChildAt(5, spOther);
    EXPECT_EQ(spOld.Get(), pFar);
    EXPECT_EQ(pFar->GetParent(), nullptr);

    std::string kBytes = SaveScene(kDir.File("r.enf"), {spNode});
    ASSERT_NE(kBytes, "");
    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kDir.File("r.enf").c_str()));
    auto* pLoaded = EnDynamicCast(EnNode, kStream.GetObjectAt(0));
    ASSERT_TRUE(pLoaded);
    EXPECT_EQ(pLoaded->GetArrayCount(), 6u);
    EXPECT_EQ(pLoaded->GetChildCount(), 3u);
    EXPECT_TRUE(pLoaded->EqualsObject(spNode));

    // Empty slots at the end of the array survive a round trip as well.
    spNode->RemoveChildAt(5);
    EXPECT_EQ(spNode->GetArrayCount(), 5u);
    ASSERT_NE(SaveScene(kDir.File("t.enf"), {spNode}), "");
    EnStream kAgain;
    ASSERT_TRUE(kAgain.Load(kDir.File("t.enf").c_str()));
    auto* pTrailing = EnDynamicCast(EnNode, kAgain.GetObjectAt(0));
    ASSERT_TRUE(pTrailing);
    EXPECT_EQ(pTrailing->GetArrayCount(), 5u);
    EXPECT_TRUE(pTrailing->EqualsObject(spNode));
}

TEST(EnNode, NodeWithoutVisualChildrenKeepsItsBoundAndDrawsNothing) {
    EnPointer<EnNode> spNode = new EnNode;
    auto* pLeaf = new TestLeaf(EnBoundSphere({3, 0, 0}, 1.0f));
    spNode->AddChild(pLeaf);
    spNode->Update(0.0f);
    EXPECT_TRUE(spNode->IsVisualObject());
    EXPECT_EQ(spNode->GetWorldBound().m_center, EnVector3(3, 0, 0));

    pLeaf->m_bVisual = false;
    pLeaf->SetLocalTranslate({50, 0, 0});
    spNode->Update(0.0f);
    EXPECT_FALSE(spNode->IsVisualObject());
    EXPECT_EQ(spNode->GetWorldBound().m_center, EnVector3(3, 0, 0));

    TestLeaf::DrawLog().clear();
    spNode->Draw(nullptr);
    EXPECT_TRUE(TestLeaf::DrawLog().empty());

    EnPointer<EnNode> spEmpty = new EnNode;
    spEmpty->Update(0.0f);
    EXPECT_FALSE(spEmpty->IsVisualObject());
}

TEST(EnNode, FindsObjectsByNameDepthFirst) {
    EnPointer<EnNode> spRoot = new EnNode;
    auto* pBranch = new EnNode;
    auto* pDeep = new TestLeaf;
    auto* pLate = new TestLeaf;
    spRoot->AddChild(pBranch);
    spRoot->AddChild(pLate);
    pBranch->AddChild(pDeep);
    spRoot->SetName("root");
    pDeep->SetName("wheel");
    pLate->SetName("wheel");
    EXPECT_EQ(spRoot->FindObjectByName("wheel"), pDeep);
    EXPECT_EQ(spRoot->FindObjectByName("root"), spRoot.Get());
    EXPECT_EQ(spRoot->FindObjectByName("Wheel"), nullptr);  // byte for byte
    EXPECT_EQ(spRoot->FindObjectByName(nullptr), nullptr);
}

TEST(EnNode, BakeTransformThroughIdentityNodePassesItOn) {
    EnPointer<EnNode> spNode = new EnNode;
    auto* pLeaf = new TestLeaf;
    spNode->AddChild(pLeaf);
    EnMatrix3 kRotate;
    kRotate.MakeZRotation(0.5f);
    const EnVector3 kTranslate{1, 2, 3};
    spNode->BakeTransform(kRotate, kTranslate, true);
    EXPECT_EQ(pLeaf->m_kBakedRotate, kRotate);
    EXPECT_EQ(pLeaf->m_kBakedTranslate, kTranslate);

    // Through a translated, scaled node the motion is seen in the node's frame.
    spNode->SetLocalTranslate({10, 0, 0});
    spNode->SetLocalScale(2.0f);
    spNode->BakeTransform(EnMatrix3::IDENTITY, kTranslate, true);
    EXPECT_EQ(pLeaf->m_kBakedTranslate, EnVector3(0.5f, 1, 1.5f));
}

TEST(EnNode, CyclesAreRefusedByAddChildAndByTheLoader) {
    AssertCapture kAsserts;
    EnPointer<EnNode> spRoot = new EnNode;
    auto* pChild = new EnNode;
    spRoot->AddChild(pChild);
    pChild->AddChild(spRoot);
    pChild->AddChild(pChild);
    EXPECT_EQ(pChild->GetArrayCount(), 0u);
    EXPECT_EQ(spRoot->GetParent(), nullptr);
    EXPECT_EQ(kAsserts.Count(), 2u);

    TempDir kDir;
    struct Case {
        const char* what;
        SceneBytes bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"two nodes, each the other's child",
                     std::move(SceneBytes().TopLevel().Node(1, {2}).Node(2, {1}).End())});
    cases.push_back(
        {"a node that is its own child", std::move(SceneBytes().TopLevel().Node(1, {1}).End())});
    cases.push_back(
        {"a cycle of three",
         std::move(SceneBytes().TopLevel().Node(1, {2}).Node(2, {3}).Node(3, {1}).End())});
    for (const Case& c : cases) {
        EnStream kStream;
        EXPECT_FALSE(kStream.Load(kDir.Write("cycle.enf", c.bytes.Bytes()).c_str())) << c.what;
        EXPECT_EQ(EnStream::GetLastErrorCode(), EnStream::ERROR_BAD_RECORD) << c.what;
    }

    // A child link to something that is no scene object fails the load as well.
    SceneBytes kWrongClass;
    kWrongClass.TopLevel().Node(1, {2}).String("EnStringExtraData").U32(2).U32(0).U32(0).U32(0);
    kWrongClass.End();
    EnStream kStream;
    EXPECT_FALSE(kStream.Load(kDir.Write("wrong.enf", kWrongClass.Bytes()).c_str()));
    EXPECT_EQ(EnStream::GetLastErrorCode(), EnStream::ERROR_WRONG_LINK_CLASS);
}

TEST(EnNode, ChildCountsBeyondTheFileAreRefused) {
    TempDir kDir;
    SceneBytes kBytes;
    kBytes.TopLevel().AVObjectPart("EnNode", 1).U32(0x40000000).U32(0);
    kBytes.End();
    EnStream kStream;
    EXPECT_FALSE(kStream.Load(kDir.Write("count.enf", kBytes.Bytes()).c_str()));
    EXPECT_EQ(EnStream::GetLastErrorCode(), EnStream::ERROR_TRUNCATED);
}

TEST(EnNode, EffectsKeepTheirOrderThroughSaveAndLoad) {
    TempDir kDir;
    EnPointer<EnNode> spRoot = new EnNode;
    auto* pA = new EnAmbientLight;
    auto* pB = new EnAmbientLight;
    pA->SetName("A");
    pB->SetName("B");
    spRoot->AddChild(pA);
    spRoot->AddChild(pB);
    spRoot->AttachEffect(pB);
    pA->AttachAffectedNode(spRoot);  // either side makes the link
    spRoot->AttachEffect(pA);        // already there: nothing changes
    EXPECT_EQ(Effects(*spRoot), (std::vector<EnDynamicEffect*>{pA, pB}));
    EXPECT_EQ(pA->GetAffectedNodeCount(), 1u);
    EXPECT_TRUE(pA->AffectsNode(spRoot));

    ASSERT_NE(SaveScene(kDir.File("e.enf"), {spRoot}), "");
    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kDir.File("e.enf").c_str()));
    auto* pLoaded = EnDynamicCast(EnNode, kStream.GetObjectAt(0));
    ASSERT_TRUE(pLoaded);
    std::vector<EnDynamicEffect*> kLoaded = Effects(*pLoaded);
    ASSERT_EQ(kLoaded.size(), 2u);
    EXPECT_STREQ(kLoaded[0]->GetName(), "A");
    EXPECT_STREQ(kLoaded[1]->GetName(), "B");
    EXPECT_EQ(kLoaded[0]->GetAffectedNodeCount(), 1u);
    EXPECT_TRUE(kLoaded[0]->AffectsNode(pLoaded));
    EXPECT_TRUE(pLoaded->EqualsObject(spRoot));

    spRoot->DetachEffect(pA);
    EXPECT_EQ(pA->GetAffectedNodeCount(), 0u);
    EXPECT_EQ(Effects(*spRoot), std::vector<EnDynamicEffect*>{pB});
    spRoot->DetachAllEffects();
    EXPECT_EQ(pB->GetAffectedNodeCount(), 0u);
    EXPECT_FALSE(spRoot->HasEffects());
}

TEST(EnNode, EffectsReachEveryObjectBelowTheirNodes) {
    EnPointer<EnNode> spRoot = new EnNode;
    auto* pMiddle = new EnNode;
    auto* pBare = new EnNode;
    auto* pDeep = new TestLeaf;
    auto* pNear = new TestLeaf;
    auto* pBareLeaf = new TestLeaf;
    spRoot->AddChild(pMiddle);
    spRoot->AddChild(pNear);
    spRoot->AddChild(pBare);
    pMiddle->AddChild(pDeep);
    pBare->AddChild(pBareLeaf);
    EnPointer<EnAmbientLight> spOuter = new EnAmbientLight;
    EnPointer<EnAmbientLight> spInner = new EnAmbientLight;
    spRoot->AttachEffect(spOuter);
    pMiddle->AttachEffect(spInner);

    spRoot->UpdateEffects();
    ASSERT_TRUE(pDeep->GetEffectState() && pNear->GetEffectState());
    EXPECT_EQ(pDeep->GetEffectState()->GetLights(),
              (std::vector<EnLight*>{spOuter.Get(), spInner.Get()}));
    EXPECT_EQ(pNear->GetEffectState()->GetLights(), std::vector<EnLight*>{spOuter.Get()});
    // A node without effects hands its incoming state on.
    EXPECT_EQ(pBareLeaf->GetEffectState(), pNear->GetEffectState());
    EXPECT_EQ(EnDynamicEffectState::GetSharedState(), nullptr);

    // Starting below the root gathers the ancestors' effects first.
    pDeep->m_spEffectState = nullptr;
    pDeep->UpdateEffects();
    ASSERT_TRUE(pDeep->GetEffectState());
    EXPECT_EQ(pDeep->GetEffectState()->GetLights().size(), 2u);
    EXPECT_EQ(pDeep->GetEffectState()->GetRefCount(), 1);  // only the leaf holds it

    // Without any effect on the way down, objects get no state at all.
    EnPointer<EnNode> spPlain = new EnNode;
    auto* pPlainLeaf = new TestLeaf;
    spPlain->AddChild(pPlainLeaf);
    spPlain->UpdateEffects();
    EXPECT_EQ(pPlainLeaf->GetEffectState(), nullptr);
}

TEST(EnNode, DestroyingANodeOrAnEffectUndoesTheLink) {
    EnPointer<EnAmbientLight> spEffect = new EnAmbientLight;
    {
        EnPointer<EnNode> spNode = new EnNode;
        spNode->AttachEffect(spEffect);
        EXPECT_EQ(spEffect->GetAffectedNodeCount(), 1u);
    }
    EXPECT_EQ(spEffect->GetAffectedNodeCount(), 0u);

    EnPointer<EnNode> spNode = new EnNode;
    spNode->AttachEffect(spEffect);
    spEffect = nullptr;
    EXPECT_FALSE(spNode->HasEffects());
}

TEST(EnNode, CloneSharesEffectsOutsideTheSubtreeAndCopiesThoseInside) {
    EnPointer<EnNode> spWorld = new EnNode;
    auto* pOutside = new EnAmbientLight;
    spWorld->AddChild(pOutside);
    auto* pSubtree = new EnNode;
    spWorld->AddChild(pSubtree);
    auto* pInside = new EnAmbientLight;
    pSubtree->AddChild(pInside);
    pSubtree->AttachEffect(pOutside);
    pSubtree->AttachEffect(pInside);

    EnPointer<EnNode> spCopy = EnDynamicCast(EnNode, pSubtree->MakeClone());
    ASSERT_TRUE(spCopy);
    std::vector<EnDynamicEffect*> kEffects = Effects(*spCopy);
    ASSERT_EQ(kEffects.size(), 2u);
    EXPECT_EQ(kEffects[0], spCopy->GetAt(0));  // the copy of the inside effect, same order
    EXPECT_EQ(kEffects[1], pOutside);          // shared: it now affects both nodes
    EXPECT_EQ(pOutside->GetAffectedNodeCount(), 2u);
    EXPECT_FALSE(pInside->GetFirstExtraData());  // no clone marks are left behind
    EXPECT_FALSE(pOutside->GetFirstExtraData());
}

TEST(EnNode, CloneIsEqualButIndependent) {
    EnPointer<EnNode> spRoot = new EnNode;
    spRoot->SetName("root");
    spRoot->AddExtraData(new EnStringExtraData("12 13"));
    EnPointer<EnAlphaProperty> spAlpha = new EnAlphaProperty;
    spRoot->AttachProperty(spAlpha);
    auto* pBranch = new EnNode;
    pBranch->SetLocalTranslate({1, 2, 3});
    spRoot->AddChild(pBranch);
    spRoot->ReplaceChildAt(3, new TestLeaf(EnBoundSphere({0, 1, 0}, 2.0f)));
    auto* pLeaf = new TestLeaf(EnBoundSphere({1, 0, 0}, 1.0f));
    pBranch->AddChild(pLeaf);
    auto* pController = new TestController;
    pController->SetTarget(pLeaf);
    pController->SetBeginKeyTime(0.0f);
    pController->SetEndKeyTime(4.0f);

    const uint32_t uiLiveBefore = EnObject::GetLiveObjectCount();
    EnObject::SetCloneNameMode(1);
    EnPointer<EnNode> spCopy = EnDynamicCast(EnNode, spRoot->MakeClone());
    EnObject::SetCloneNameMode(0);
    ASSERT_TRUE(spCopy);
    EXPECT_TRUE(spCopy->EqualsObject(spRoot));
    EXPECT_TRUE(spRoot->EqualsObject(spCopy));
    EXPECT_EQ(spCopy->GetArrayCount(), 4u);

    // Nothing of the original is in the copy except the shared properties.
    auto* pBranchCopy = EnDynamicCast(EnNode, spCopy->GetAt(0));
    ASSERT_TRUE(pBranchCopy);
    EXPECT_NE(pBranchCopy, pBranch);
    auto* pLeafCopy = EnDynamicCast(TestLeaf, pBranchCopy->GetAt(0));
    ASSERT_TRUE(pLeafCopy);
    EXPECT_EQ(pLeafCopy->GetParent(), pBranchCopy);
    EXPECT_EQ(spCopy->GetProperty(EnProperty::ALPHA), spAlpha.Get());
    EXPECT_NE(spCopy->GetFirstExtraData(), spRoot->GetFirstExtraData());
    auto* pControllerCopy = EnDynamicCast(TestController, pLeafCopy->GetFirstController());
    ASSERT_TRUE(pControllerCopy);
    EXPECT_NE(pControllerCopy, pController);
    EXPECT_EQ(pControllerCopy->GetTarget(), pLeafCopy);
    EXPECT_EQ(pController->GetTarget(), pLeaf);

    // No clone marks stay on the original.
    EXPECT_TRUE(EnIsExactKindOf(EnStringExtraData, spRoot->GetFirstExtraData()));
    EXPECT_EQ(EnExtraData::GetChainLength(spRoot->GetFirstExtraData()), 1u);
    EXPECT_FALSE(pLeaf->GetFirstExtraData());

    // Changing the copy leaves the original alone, and the two are then unequal.
    pBranchCopy->SetLocalTranslate({9, 9, 9});
    EXPECT_EQ(pBranch->GetLocalTranslate(), EnVector3(1, 2, 3));
    EXPECT_FALSE(spCopy->EqualsObject(spRoot));
    pBranchCopy->SetLocalTranslate({1, 2, 3});
    pBranchCopy->AddChild(new TestLeaf);
    EXPECT_EQ(pBranch->GetArrayCount(), 1u);
    EXPECT_FALSE(spCopy->EqualsObject(spRoot));

    spCopy = nullptr;
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLiveBefore);
}

TEST(EnNode, CollisionDescendsWhereTheModeAsks) {
    EnPointer<EnNode> spA = new EnNode;
    auto* pLeaf1 = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    auto* pLeaf2 = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    spA->AddChild(pLeaf1);
    spA->AddChild(pLeaf2);
    EnPointer<TestLeaf> spB = new TestLeaf(EnBoundSphere({1, 0, 0}, 1.0f));
    spB->SetPropagationMode(EnAVObject::NONE);
    spA->Update(0.0f);
    spB->Update(0.0f);
    EnCollisionQuery kA{spA, spA, 7, 0};
    EnCollisionQuery kB{spB, spB, 0, 0};

    // USE_OBBS: the children are asked, each as the object under test.
    pLeaf2->m_bCollides = true;
    EXPECT_TRUE(spA->TestCollision(0.1f, kA, kB));
    ASSERT_EQ(pLeaf1->m_kQueries.size(), 1u);
    EXPECT_EQ(pLeaf1->m_kQueries[0].m_pObject, pLeaf1);
    EXPECT_EQ(pLeaf1->m_kQueries[0].m_pTop, spA.Get());
    EXPECT_EQ(pLeaf1->m_kQueries[0].m_iTreeArgument, 7);
    pLeaf2->m_bCollides = false;
    EXPECT_FALSE(spA->TestCollision(0.1f, kA, kB));

    // Both NONE: the bounds meeting is the answer, and the search reports it.
    spA->SetPropagationMode(EnAVObject::NONE);
    EXPECT_TRUE(spA->TestCollision(0.1f, kA, kB));
    g_kRecords().clear();
    spA->SetCollisionCallback([](EnCollisionRecord& k) -> int32_t {
        g_kRecords().push_back(k);
        return 1;
    });
    EXPECT_EQ(spA->FindCollisions(0.1f, kA, kB), 1);
    ASSERT_EQ(g_kRecords().size(), 1u);
    EXPECT_EQ(g_kRecords()[0].m_pObjectA, spA.Get());
    EXPECT_EQ(g_kRecords()[0].m_pObjectB, spB.Get());

    // Bounds apart: nothing further is asked.
    spB->SetLocalTranslate({10, 0, 0});
    spB->Update(0.0f);
    EXPECT_FALSE(spA->TestCollision(0.1f, kA, kB));
    EXPECT_EQ(spA->FindCollisions(0.1f, kA, kB), 0);
}

TEST(EnNode, RayQueriesReportNodesOrSearchChildren) {
    EnPointer<EnNode> spRoot = new EnNode;
    auto* pLeaf = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    spRoot->AddChild(pLeaf);
    spRoot->Update(0.0f);

    EnRayQuery kNodes;
    kNodes.m_uiTestMode = 0;
    kNodes.m_uiStopMode = 1;
    EXPECT_TRUE(spRoot->FindIntersections({5, 0, 0}, {-1, 0, 0}, kNodes));
    ASSERT_EQ(kNodes.m_kHits.size(), 1u);
    EXPECT_EQ(kNodes.m_pLastHit->m_spObject.Get(), spRoot.Get());
    EXPECT_FALSE(spRoot->FindIntersections({5, 0, 0}, {1, 0, 0}, kNodes));

    spRoot->SetAppCulled(true);
    EXPECT_FALSE(spRoot->FindIntersections({5, 0, 0}, {-1, 0, 0}, kNodes));
    kNodes.m_bObserveAppCulled = false;
    EXPECT_TRUE(spRoot->FindIntersections({5, 0, 0}, {-1, 0, 0}, kNodes));
    EXPECT_EQ(kNodes.m_kHits.size(), 2u);
}
