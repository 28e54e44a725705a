#include "engine/core/EnTimeController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "tests/engine/core/SceneTestObjects.h"
#include "tests/support/TempDir.h"

TEST(EnTimeController, NewControllerIsAppTimeClampAndActive) {
    EnPointer<TestController> sp = new TestController;
    EXPECT_EQ(sp->GetFlags(), 12);
    EXPECT_EQ(sp->GetAnimType(), EnTimeController::APP_TIME);
    EXPECT_EQ(sp->GetCycleType(), EnTimeController::CLAMP);
    EXPECT_TRUE(sp->GetActive());
    EXPECT_EQ(sp->GetBeginKeyTime(), 3.4028235e38f);
    EXPECT_EQ(sp->GetEndKeyTime(), -3.4028235e38f);
}

TEST(EnTimeController, ScaleTimeMapsTheClockIntoTheKeyRange) {
    using C = EnTimeController;
    struct Case {
        C::AnimType anim;
        C::CycleType cycle;
        float lo, hi, frequency, phase;
        std::vector<std::pair<float, float>> times;  // application time -> key time, in order
        const char* what;
    };
    const Case cases[] = {
        {C::APP_TIME, C::LOOP, 0, 2, 1, 0, {{0.5f, 0.5f}, {2.5f, 0.5f}, {4.5f, 0.5f}}, "loop"},
        {C::APP_TIME,
         C::REVERSE,
         0,
         2,
         1,
         0,
         {{0.5f, 0.5f}, {2.5f, 1.5f}, {4.5f, 0.5f}},
         "reverse"},
        {C::APP_TIME, C::CLAMP, 0, 2, 1, 0, {{-1, 0}, {1, 1}, {3, 2}}, "clamp"},
        {C::APP_INIT, C::CLAMP, 0, 10, 1, 0, {{10, 0}, {11, 1}}, "init starts at the first call"},
        {C::APP_TIME, C::LOOP, 0, 2, 2, 0.5f, {{0.5f, 1.5f}, {1.0f, 0.5f}}, "frequency and phase"},
        {C::APP_TIME, C::LOOP, 0, 2, 1, 0, {{-0.5f, 0}}, "negative time wraps below, clamped"},
        // With a low key time L, LOOP maps k to fmod(k, span) + L, so k = L maps to 2L here.
        {C::APP_TIME, C::LOOP, 1, 4, 1, 0, {{1, 2}, {3.5f, 1.5f}}, "low key time other than 0"},
        {C::APP_TIME, C::LOOP, 3, 3, 1, 0, {{7, 3}}, "empty span"},
    };
    for (const Case& c : cases) {
        EnPointer<TestController> sp = new TestController;
        sp->SetAnimType(c.anim);
        sp->SetCycleType(c.cycle);
        sp->SetBeginKeyTime(c.lo);
        sp->SetEndKeyTime(c.hi);
        sp->SetFrequency(c.frequency);
        sp->SetPhase(c.phase);
        for (auto [t, k] : c.times) {
            EXPECT_FLOAT_EQ(sp->ScaleTime(t), k) << c.what << " at " << t;
            EXPECT_EQ(sp->GetLastTime(), t);
        }
    }
}

TEST(EnTimeController, StartAtFixesTheStartOfAnInitController) {
    EnPointer<TestController> sp = new TestController;
    sp->SetAnimType(EnTimeController::APP_INIT);
    sp->SetBeginKeyTime(0);
    sp->SetEndKeyTime(10);
    sp->StartAt(5);
    EXPECT_FLOAT_EQ(sp->ScaleTime(7), 2);
    sp->Stop();
    EXPECT_FALSE(sp->GetActive());
    EXPECT_EQ(sp->GetStartTime(), EnTimeController::UNSET_TIME);
    sp->Start();
    EXPECT_TRUE(sp->GetActive());
    EXPECT_FLOAT_EQ(sp->ScaleTime(20), 0);  // restarted at the next call
}

TEST(EnTimeController, SetTargetMovesTheControllerBetweenChains) {
    EnPointer<TestLeaf> spOld = new TestLeaf;
    EnPointer<TestLeaf> spNew = new TestLeaf;
    auto* pOther = new TestController;
    pOther->SetTarget(spOld);
    auto* pMoving = new TestController;
    pMoving->SetTarget(spOld);
    EXPECT_EQ(spOld->GetFirstController(), pMoving);
    EXPECT_EQ(pMoving->GetNext(), pOther);

    pMoving->SetTarget(spOld);  // the same target: nothing changes
    EXPECT_EQ(spOld->GetFirstController(), pMoving);
    EXPECT_EQ(EnTimeController::GetChainLength(spOld->GetFirstController()), 2u);

    auto* pResident = new TestController;
    pResident->SetTarget(spNew);
    pMoving->SetTarget(spNew);
    EXPECT_EQ(spOld->GetFirstController(), pOther);
    EXPECT_EQ(EnTimeController::GetChainLength(spOld->GetFirstController()), 1u);
    EXPECT_EQ(spNew->GetFirstController(), pMoving);
    EXPECT_EQ(pMoving->GetNext(), pResident);
    EXPECT_EQ(pMoving->GetTarget(), spNew.Get());
    EXPECT_EQ(pMoving->GetRefCount(), 1);

    pMoving->SetTarget(nullptr);  // its last reference went with the chain; it is gone
    EXPECT_EQ(spNew->GetFirstController(), pResident);
}

TEST(EnTimeController, AControllerHeldElsewhereForgetsItsDyingTarget) {
    EnPointer<TestController> spHeld = new TestController;
    EnPointer<TestController> spSecond = new TestController;
    {
        EnPointer<TestLeaf> spTarget = new TestLeaf;
        spSecond->SetTarget(spTarget);
        spHeld->SetTarget(spTarget);
        ASSERT_EQ(spHeld->GetTarget(), spTarget.Get());
    }
    EXPECT_EQ(spHeld->GetTarget(), nullptr);
    EXPECT_EQ(spSecond->GetTarget(), nullptr);
    EXPECT_EQ(spHeld->GetNext(), spSecond.Get()) << "the chain itself is left as it was";
    spHeld->SetTarget(nullptr);  // must not touch the freed target
}

TEST(EnTimeController, UpdatesRunInChainOrderAndAnimationsStartDownTheTree) {
    EnPointer<EnNode> spRoot = new EnNode;
    auto* pLeaf = new TestLeaf;
    spRoot->AddChild(pLeaf);
    auto* pFirst = new TestController;
    pFirst->SetTarget(pLeaf);
    EnPointer<EnAlphaProperty> spAlpha = new EnAlphaProperty;
    auto* pOnProperty = new TestController;
    pOnProperty->SetTarget(spAlpha);
    pLeaf->AttachProperty(spAlpha);

    EnTimeController::StopAnimations(spRoot);
    EXPECT_FALSE(pFirst->GetActive());
    EXPECT_FALSE(pOnProperty->GetActive());
    EnTimeController::StartAnimations(spRoot, 4.0f);
    EXPECT_TRUE(pFirst->GetActive());
    EXPECT_EQ(pFirst->GetStartTime(), 4.0f);
    EXPECT_EQ(pOnProperty->GetStartTime(), 4.0f);

    spRoot->Update(6.0f);
    EXPECT_EQ(pFirst->m_kTimes, std::vector<float>{6.0f});
    EXPECT_EQ(pOnProperty->m_kTimes, std::vector<float>{6.0f});

    // The object's pre-draw hands the call to its controllers.
    pLeaf->PreDraw(nullptr);
    EXPECT_EQ(pFirst->m_iPreDraws, 1);
}

TEST(EnTimeController, CloneOfAControllerAloneSharesItsTarget) {
    EnPointer<TestLeaf> spTarget = new TestLeaf;
    auto* pController = new TestController;
    pController->SetTarget(spTarget);
    pController->SetFrequency(2.0f);

    const uint32_t uiLive = EnObject::GetLiveObjectCount();
    {
        EnPointer<TestController> spCopy = EnDynamicCast(TestController, pController->MakeClone());
        ASSERT_TRUE(spCopy);
        EXPECT_EQ(spCopy->GetTarget(), spTarget.Get());
        EXPECT_EQ(spCopy->GetFrequency(), 2.0f);
        EXPECT_TRUE(spCopy->EqualsObject(pController));
        // The copy is not part of the target's chain.
        EXPECT_EQ(EnTimeController::GetChainLength(spTarget->GetFirstController()), 1u);
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);  // nothing was made and left behind
}

TEST(EnTimeController, ChainsAndTargetsSurviveSaveAndLoad) {
    TempDir kDir;
    EnPointer<TestLeaf> spLeaf = new TestLeaf;
    auto* pSecond = new TestController;
    pSecond->SetTarget(spLeaf);
    pSecond->SetCycleType(EnTimeController::REVERSE);
    auto* pFirst = new TestController;
    pFirst->SetTarget(spLeaf);
    pFirst->SetAnimType(EnTimeController::APP_INIT);
    pFirst->SetPhase(0.25f);
    pFirst->SetBeginKeyTime(1);
    pFirst->SetEndKeyTime(3);
    pFirst->SetFlags(uint16_t(pFirst->GetFlags() | 0x8000));  // an unused bit travels along

    ASSERT_NE(SaveScene(kDir.File("c.enf"), {spLeaf}), "");
    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kDir.File("c.enf").c_str()));
    auto* pLoaded = EnDynamicCast(TestLeaf, kStream.GetObjectAt(0));
    ASSERT_TRUE(pLoaded);
    auto* pLoadedFirst = EnDynamicCast(TestController, pLoaded->GetFirstController());
    ASSERT_TRUE(pLoadedFirst);
    EXPECT_EQ(pLoadedFirst->GetTarget(), pLoaded);
    EXPECT_EQ(pLoadedFirst->GetFlags(), pFirst->GetFlags());
    EXPECT_EQ(EnTimeController::GetChainLength(pLoadedFirst), 2u);
    EXPECT_EQ(pLoadedFirst->GetNext()->GetTarget(), pLoaded);
    EXPECT_TRUE(pLoaded->EqualsObject(spLeaf));

    // Equality ignores the active bit, start and last times, but not the cycle type.
    pLoadedFirst->Stop();
    pLoadedFirst->ScaleTime(9);
    EXPECT_TRUE(pLoadedFirst->EqualsObject(pFirst));
    pLoadedFirst->SetCycleType(EnTimeController::LOOP);
    EXPECT_FALSE(pLoadedFirst->EqualsObject(pFirst));
}

TEST(EnTimeController, ViewerStringsNameTheTimeBaseAndCycle) {
    EnPointer<TestController> sp = new TestController;
    sp->SetCycleType(EnTimeController::REVERSE);
    EnTArray<char*> kStrings(8, 8);
    sp->AppendMemberStrings(kStrings);
    std::vector<std::string> kLines;
    for (char* pc : kStrings) kLines.emplace_back(pc);
    EnFreeViewerStrings(kStrings);
    auto Has = [&](const std::string& k) {
        return std::find(kLines.begin(), kLines.end(), k) != kLines.end();
    };
    EXPECT_TRUE(Has("--- EnTimeController ---"));
    EXPECT_TRUE(Has("anim type = APP_TIME"));
    EXPECT_TRUE(Has("cycle type = REVERSE"));
    EXPECT_TRUE(Has("m_fFrequency = 1.000000e+00"));
}
