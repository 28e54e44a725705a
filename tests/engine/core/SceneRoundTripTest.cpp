#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnBSPNode.h"
#include "engine/core/EnBillboardNode.h"
#include "engine/core/EnBone.h"
#include "engine/core/EnCollisionSwitch.h"
#include "engine/core/EnFltAnimationNode.h"
#include "engine/core/EnLODNode.h"
#include "engine/core/EnSortAdjustNode.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnStringExtraData.h"
#include "engine/core/EnSwitchNode.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/geometry/EnAmbientLight.h"
#include "tests/engine/core/SceneTestObjects.h"
#include "tests/support/TempDir.h"

namespace {

EnMatrix3 Turn(float fAngle) {
    EnMatrix3 k;
    k.MakeRotation(fAngle, EnVector3(0.6f, 0.0f, 0.8f));
    return k;
}

// A scene with every node kind, properties shared between objects, controllers on objects and
// properties, extra data, effects, empty child slots and unused flag bits.
EnPointer<EnNode> BuildScene() {
    EnPointer<EnNode> spRoot = new EnNode;
    spRoot->SetName("root");
    spRoot->AddExtraData(new EnStringExtraData("3 4"));
    spRoot->SetLocalTranslate({1.5f, -2.0f, 3.25f});
    spRoot->SetLocalRotate(Turn(0.3f));
    EnPointer<EnAlphaProperty> spAlpha = new EnAlphaProperty;
    EnPointer<EnZBufferProperty> spZ = new EnZBufferProperty;
    spRoot->AttachProperty(spAlpha);
    spRoot->AttachProperty(spZ);
    auto* pRootController = new TestController;
    pRootController->SetTarget(spRoot);
    pRootController->SetCycleType(EnTimeController::LOOP);
    (new TestController)->SetTarget(spAlpha);

    auto* pSwitch = new EnSwitchNode;
    pSwitch->SetName("switch");
    pSwitch->SetUpdateOnlyActive(true);
    pSwitch->AddChild(new TestLeaf(EnBoundSphere({1, 2, 3}, 4)));
    pSwitch->AddChild(new TestLeaf(EnBoundSphere({0, 0, 0}, 1)));
    pSwitch->SetIndex(1);
    spRoot->AddChild(pSwitch);

    auto* pLOD = new EnLODNode;
    pLOD->SetPositionInRange(true);
    pLOD->AddChild(new TestLeaf(EnBoundSphere({0, 0, 0}, 2)));
    pLOD->AddChild(new TestLeaf(EnBoundSphere({0, 0, 0}, 1)));
    pLOD->SetRange(0, 50, 0);
    pLOD->SetRange(50, 200, 1);
    pLOD->SetRangeCenter(1, {3, 4, 5});
    pLOD->GetAt(0)->AttachProperty(spZ);  // shared with the root
    spRoot->AddChild(pLOD);

    auto* pFlip = new EnFltAnimationNode;
    pFlip->SetPeriod(0.75);
    pFlip->SetBounce(true);
    pFlip->AddChild(new TestLeaf);
    pFlip->AddChild(new TestLeaf);
    spRoot->AddChild(pFlip);

    auto* pBoard = new EnBillboardNode;
    pBoard->SetMode(EnBillboardNode::ALWAYS_FACE_CAMERA);
    pBoard->AddChild(new TestLeaf(EnBoundSphere({0, 1, 0}, 0.5f)));
    spRoot->AddChild(pBoard);

    auto* pBSP = new EnBSPNode;
    pBSP->SetModelPlane(EnPlaneEquation({0, 0, 1}, -1.5f));
    pBSP->AddChild(new TestLeaf);
    pBSP->AddChild(new TestLeaf);
    spRoot->AddChild(pBSP);

    auto* pCollision = new EnCollisionSwitch;
    pCollision->SetPropagate(false);
    pCollision->SetPropagationMode(EnAVObject::USE_TRIANGLES);
    pCollision->AddChild(new TestLeaf);
    spRoot->AddChild(pCollision);

    auto* pSort = new EnSortAdjustNode;
    pSort->SetSortingMode(EnSortAdjustNode::SORTING_OFF);
    pSort->AddChild(new TestLeaf);
    spRoot->AddChild(pSort);

    auto* pBone = new EnBone;
    auto* pChildBone = new EnBone;
    pChildBone->SetLocalTranslate({0, 1, 0});
    pChildBone->SetLocalVelocity({0, 0, 9});
    pBone->AddChild(pChildBone);
    pBone->SetFlags(uint16_t(pBone->GetFlags() | 0x0400));  // a bit nothing reads
    spRoot->AddChild(pBone);

    auto* pEffect = new EnAmbientLight;
    pEffect->SetName("light");
    spRoot->AddChild(pEffect);
    spRoot->AttachEffect(pEffect);
    pLOD->AttachEffect(pEffect);

    spRoot->ReplaceChildAt(14, new TestLeaf(EnBoundSphere({9, 9, 9}, 9)));  // empty slots before it
    spRoot->Update(0.0f);
    return spRoot;
}

// The body of a scene file: everything after its four header lines.
std::string Body(const std::string& kFile) {
    size_t uiPos = 0;
    for (int i = 0; i < 4; i++) uiPos = kFile.find('\n', uiPos) + 1;
    return kFile.substr(uiPos);
}

}  // namespace

TEST(SceneRoundTrip, EveryNodeKindSavesLoadsAndSavesByteIdentically) {
    TempDir kDir;
    EnPointer<EnNode> spScene = BuildScene();
    const std::string kFirst = SaveScene(kDir.File("first.enf"), {spScene});
    ASSERT_NE(kFirst, "");

    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kDir.File("first.enf").c_str()));
    ASSERT_EQ(kStream.GetObjectCount(), 1u);
    EnObject* pLoaded = kStream.GetObjectAt(0);
    EXPECT_TRUE(pLoaded->EqualsObject(spScene));
    EXPECT_TRUE(spScene->EqualsObject(pLoaded));

    const std::string kSecond = SaveScene(kDir.File("second.enf"), {pLoaded});
    EXPECT_TRUE(kSecond == kFirst) << "the second save differs from the first";

    // A clone that keeps the names writes the same file too.
    EnObject::SetCloneNameMode(1);
    EnPointer<EnObject> spClone = spScene->MakeClone();
    EnObject::SetCloneNameMode(0);
    EXPECT_TRUE(SaveScene(kDir.File("clone.enf"), {spClone}) == kFirst);
}

TEST(SceneRoundTrip, CompareAfterLoadFindsEveryObjectEqual) {
    TempDir kDir;
    EnPointer<EnNode> spScene = BuildScene();
    EnStream kStream;
    kStream.SetCompareAfterLoad(true);
    kStream.InsertObject(spScene);
    ASSERT_TRUE(kStream.Save(kDir.File("s.enf").c_str()));
    ASSERT_TRUE(kStream.Load(kDir.File("s.enf").c_str()));
    EXPECT_TRUE(kStream.GetCompareResult());
}

TEST(SceneRoundTrip, OlderFilesHaveNoSortAccumulatorField) {
    TempDir kDir;
    // Two sort-adjust nodes, the second a child of the first: the child's record must start
    // where the old layout ends.
    SceneBytes kOld("3.0");
    kOld.TopLevel().AVObjectPart("EnSortAdjustNode", 1).U32(1).U32(2).U32(0).I32(1);
    kOld.AVObjectPart("EnSortAdjustNode", 2).U32(0).U32(0).I32(2);
    kOld.End();

    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kDir.Write("old.enf", kOld.Bytes()).c_str()));
    auto* pOuter = EnDynamicCast(EnSortAdjustNode, kStream.GetObjectAt(0));
    ASSERT_TRUE(pOuter);
    EXPECT_STREQ(kStream.GetFileVersion(), "3.00");
    EXPECT_EQ(pOuter->GetSortingMode(), EnSortAdjustNode::SORTING_OFF);
    EXPECT_EQ(pOuter->GetAccumulator(), nullptr);
    auto* pInner = EnDynamicCast(EnSortAdjustNode, pOuter->GetAt(0));
    ASSERT_TRUE(pInner);
    EXPECT_EQ(pInner->GetSortingMode(), EnSortAdjustNode::SORTING_SUBSORT);

    // Saved again, it is a current file: the field is there, with no accumulator.
    SceneBytes kCurrent("3.1");
    kCurrent.TopLevel().AVObjectPart("EnSortAdjustNode", 1).U32(1).U32(2).U32(0).I32(1).U32(0);
    kCurrent.AVObjectPart("EnSortAdjustNode", 2).U32(0).U32(0).I32(2).U32(0);
    kCurrent.End();
    const std::string kSaved = SaveScene(kDir.File("new.enf"), {pOuter});
    EXPECT_EQ(Body(kSaved), Body(kCurrent.Bytes()));

    // The current layout loads from a current file the same way.
    EnStream kAgain;
    ASSERT_TRUE(kAgain.Load(kDir.File("new.enf").c_str()));
    EXPECT_TRUE(kAgain.GetObjectAt(0)->EqualsObject(pOuter));
}

TEST(SceneRoundTrip, EveryTruncationOfASceneFailsCleanly) {
    TempDir kDir;
    EnPointer<EnNode> spScene = BuildScene();
    const std::string kFile = SaveScene(kDir.File("whole.enf"), {spScene});
    ASSERT_NE(kFile, "");
    const std::string kPath = kDir.File("cut.enf");
    for (size_t uiKeep = 0; uiKeep < kFile.size(); uiKeep++) {
        EnStream kStream;
        EXPECT_FALSE(kStream.Load(kDir.Write("cut.enf", kFile.substr(0, uiKeep)).c_str()))
            << "cut after " << uiKeep << " of " << kFile.size() << " bytes";
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(SceneRoundTrip, BadCountsInNodeKindsAreRefused) {
    TempDir kDir;
    struct Case {
        const char* what;
        SceneBytes bytes;
        uint32_t error;
    };
    std::vector<Case> cases;
    {
        SceneBytes k;
        k.TopLevel().AVObjectPart("EnLODNode", 1).U32(0).U32(0).I32(-1).I32(-3).End();
        cases.push_back({"negative range count", std::move(k), EnStream::ERROR_BAD_RECORD});
    }
    {
        SceneBytes k;
        k.TopLevel().AVObjectPart("EnLODNode", 1).U32(0).U32(0).I32(-1).I32(100000).End();
        cases.push_back({"range count past the end", std::move(k), EnStream::ERROR_TRUNCATED});
    }
    {
        SceneBytes k;
        k.TopLevel().AVObjectPart("EnNode", 1).U32(0).U32(0x20000000).End();
        cases.push_back({"effect count past the end", std::move(k), EnStream::ERROR_TRUNCATED});
    }
    {
        SceneBytes k;
        k.TopLevel().String("EnNode").U32(1).U32(0).U32(0).U32(0).U16(0);
        k.F32(0).F32(0).F32(0);
        for (int i = 0; i < 9; i++) k.F32(0);
        k.F32(1).F32(0).F32(0).F32(0).U32(0x7FFFFFFF).End();
        cases.push_back({"property count past the end", std::move(k), EnStream::ERROR_TRUNCATED});
    }
    for (const Case& c : cases) {
        EnStream kStream;
        EXPECT_FALSE(kStream.Load(kDir.Write("bad.enf", c.bytes.Bytes()).c_str())) << c.what;
        EXPECT_EQ(EnStream::GetLastErrorCode(), c.error) << c.what;
    }
}
