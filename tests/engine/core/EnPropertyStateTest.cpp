#include "engine/core/EnPropertyState.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnFogProperty.h"
#include "engine/core/EnMaterialProperty.h"
#include "engine/core/EnStencilProperty.h"
#include "engine/core/EnZBufferProperty.h"
#include "tests/support/AssertCapture.h"

namespace {

// The types whose classes live in this library; the two texture types join them wherever the
// geometry library is linked.
constexpr int32_t kCoreTypes[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 14};

TEST(EnPropertyState, ANewStateHoldsTheDefaultOfEverySlot) {
    std::vector<int32_t> kCountsBefore;
    for (int32_t iType : kCoreTypes)
        kCountsBefore.push_back(EnProperty::GetDefault(iType)->GetRefCount());
    {
        EnPointer<EnPropertyState> spState(new EnPropertyState);
        EnPointer<EnPropertyState> spSecond(new EnPropertyState);
        for (size_t i = 0; i < std::size(kCoreTypes); i++) {
            const int32_t iType = kCoreTypes[i];
            EnProperty* pSlot = spState->GetProperty(iType);
            ASSERT_NE(pSlot, nullptr) << iType;
            EXPECT_EQ(pSlot, EnProperty::GetDefault(iType));
            EXPECT_EQ(pSlot->GetPropertyType(), iType);
            EXPECT_EQ(pSlot->GetRefCount(), kCountsBefore[i] + 2) << "one reference per state";
        }
        EXPECT_EQ(spState->GetAlpha(), GetDefaultAlphaProperty().Get());
        EXPECT_EQ(spState->GetStencil(), GetDefaultStencilProperty().Get());
    }
    for (size_t i = 0; i < std::size(kCoreTypes); i++)
        EXPECT_EQ(EnProperty::GetDefault(kCoreTypes[i])->GetRefCount(), kCountsBefore[i]);
}

TEST(EnPropertyState, CopiesShareTheSlotsAndLeaveTheOriginalAlone) {
    EnPointer<EnPropertyState> spState(new EnPropertyState);
    EnPointer<EnAlphaProperty> spAlpha(new EnAlphaProperty);
    spState->SetProperty(spAlpha);
    EXPECT_EQ(spAlpha->GetRefCount(), 2);
    const uint32_t uiLive = EnPropertyState::GetLiveCount();
    {
        EnPointer<EnPropertyState> spCopy(new EnPropertyState(*spState));
        EXPECT_EQ(EnPropertyState::GetLiveCount(), uiLive + 1);
        EXPECT_EQ(spCopy->GetRefCount(), 1);
        for (int32_t i = 0; i < EnProperty::MAX_TYPES; i++)
            EXPECT_EQ(spCopy->GetProperty(i), spState->GetProperty(i)) << i;
        EXPECT_EQ(spAlpha->GetRefCount(), 3);
        spCopy->SetProperty(new EnFogProperty);
        EXPECT_EQ(spState->GetFog(), GetDefaultFogProperty().Get());
    }
    EXPECT_EQ(EnPropertyState::GetLiveCount(), uiLive);
    EXPECT_EQ(spAlpha->GetRefCount(), 2);
    EXPECT_EQ(spState->GetAlpha(), spAlpha.Get());

    spState->FillWithDefaults();
    EXPECT_EQ(spState->GetAlpha(), GetDefaultAlphaProperty().Get());
    EXPECT_EQ(spAlpha->GetRefCount(), 1);
}

TEST(EnPropertyState, MergingOverridesByTypeAndKeepsDefaultsElsewhere) {
    // Root, middle and leaf each store their properties into a copy of the state above them,
    // the way the property pass merges down the tree.
    EnPointer<EnAlphaProperty> spRootAlpha(new EnAlphaProperty);
    EnPointer<EnFogProperty> spRootFog(new EnFogProperty);
    EnPointer<EnAlphaProperty> spLeafAlpha(new EnAlphaProperty);
    EnPointer<EnZBufferProperty> spMiddleZ(new EnZBufferProperty);

    EnPointer<EnPropertyState> spRoot(new EnPropertyState);
    spRoot->SetProperty(spRootAlpha);
    spRoot->SetProperty(spRootFog);
    EnPointer<EnPropertyState> spMiddle(new EnPropertyState(*spRoot));
    spMiddle->SetProperty(spMiddleZ);
    EnPointer<EnPropertyState> spLeaf(new EnPropertyState(*spMiddle));
    spLeaf->SetProperty(spLeafAlpha);
    spLeaf->SetProperty(nullptr);  // ignored

    EXPECT_EQ(spLeaf->GetAlpha(), spLeafAlpha.Get());
    EXPECT_EQ(spLeaf->GetFog(), spRootFog.Get());
    EXPECT_EQ(spLeaf->GetZBuffer(), spMiddleZ.Get());
    EXPECT_EQ(spLeaf->GetMaterial(), GetDefaultMaterialProperty().Get());
    EXPECT_EQ(spMiddle->GetAlpha(), spRootAlpha.Get());
    EXPECT_EQ(spRoot->GetZBuffer(), GetDefaultZBufferProperty().Get());
    for (int32_t iType : kCoreTypes) {
        ASSERT_NE(spLeaf->GetProperty(iType), nullptr);
        EXPECT_EQ(spLeaf->GetProperty(iType)->GetPropertyType(), iType);
    }
    EXPECT_EQ(spLeaf->GetProperty(-1), nullptr);
    EXPECT_EQ(spLeaf->GetProperty(EnProperty::MAX_TYPES), nullptr);
}

TEST(EnPropertyState, FetchingAChangedMaterialRaisesItsRevisionOnce) {
    EnPointer<EnMaterialProperty> spMaterial(new EnMaterialProperty);
    EnPointer<EnPropertyState> spState(new EnPropertyState);
    spState->SetProperty(spMaterial);
    ASSERT_TRUE(spMaterial->GetChanged());
    const uint32_t uiRevision = spMaterial->GetRevision();

    EXPECT_EQ(spState->GetMaterialProperty(), spMaterial.Get());
    EXPECT_FALSE(spMaterial->GetChanged());
    EXPECT_EQ(spMaterial->GetRevision(), uiRevision + 1);
    spState->GetMaterialProperty();
    EXPECT_EQ(spMaterial->GetRevision(), uiRevision + 1);

    // Changing a value marks it again; the plain getter never touches the revision.
    spMaterial->SetAlpha(0.5f);
    spState->GetMaterial();
    EXPECT_EQ(spMaterial->GetRevision(), uiRevision + 1);
    spState->GetMaterialProperty();
    EXPECT_EQ(spMaterial->GetRevision(), uiRevision + 2);
}

TEST(EnPropertyState, ReleasingBelowZeroIsReportedAndDestroysNothing) {
    AssertCapture kAsserts;
    // Nobody holds this state: a release takes its count below zero, which only the report
    // may answer (the state is not heap-allocated, so a destruction would show at once).
    EnPropertyState kState;
    EXPECT_EQ(kState.ReleaseReference(), -1);
    EXPECT_TRUE(kAsserts.Saw("iRefCount >= 0"));
    EXPECT_EQ(kState.GetAlpha(), GetDefaultAlphaProperty().Get());
}

TEST(EnPropertyState, TheLastReleaseDestroysTheState) {
    AssertCapture kAsserts;
    const uint32_t uiLive = EnPropertyState::GetLiveCount();
    auto* pState = new EnPropertyState;
    pState->AddReference();
    pState->AddReference();
    EXPECT_EQ(pState->ReleaseReference(), 1);
    EXPECT_EQ(EnPropertyState::GetLiveCount(), uiLive + 1);
    EXPECT_EQ(pState->ReleaseReference(), 0);
    EXPECT_EQ(EnPropertyState::GetLiveCount(), uiLive);
    EXPECT_EQ(kAsserts.Count(), 0u);
}

}  // namespace
