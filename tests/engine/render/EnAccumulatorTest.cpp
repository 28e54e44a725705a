#include <gtest/gtest.h>

#include <string>

#include "engine/core/EnCamera.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnSystem.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/render/EnAlphaAccumulator.h"
#include "engine/render/EnClusterAccumulator.h"
#include "tests/support/TempDir.h"

namespace {

TEST(EnAccumulator, ACollectionIsOpenedOnceAndClosedByEndCollect) {
    EnPointer<EnCamera> spFirst = new EnCamera;
    EnPointer<EnCamera> spSecond = new EnCamera;
    EnPointer<EnClusterAccumulator> spAccumulator = new EnClusterAccumulator;
    EXPECT_EQ(spAccumulator->GetCamera(), nullptr);
    spAccumulator->EndCollect();  // nothing to end
    EXPECT_EQ(spAccumulator->GetCamera(), nullptr);

    ASSERT_TRUE(spAccumulator->BeginCollect(spFirst));
    EXPECT_EQ(spAccumulator->GetSorter().GetCamera(), spFirst.Get());
    EXPECT_FALSE(spAccumulator->BeginCollect(spSecond));
    EXPECT_EQ(spAccumulator->GetCamera(), spFirst.Get());
    spAccumulator->EndCollect();
    EXPECT_EQ(spAccumulator->GetCamera(), nullptr);
    EXPECT_EQ(spAccumulator->GetSorter().GetCamera(), nullptr);
    EXPECT_EQ(spFirst->GetRefCount(), 1);
    EXPECT_TRUE(spAccumulator->BeginCollect(spSecond));
    spAccumulator->EndCollect();
}

TEST(EnAccumulator, NothingIsTakenOutsideACollection) {
    EnVector3* pVertex = new EnVector3[3]{{0, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    uint16_t* pTriangles = new uint16_t[3]{0, 1, 2};
    EnPointer<EnTriShape> spShape =
        new EnTriShape(3, pVertex, nullptr, nullptr, nullptr, 1, pTriangles);
    EnPointer<EnClusterAccumulator> spAccumulator = new EnClusterAccumulator;
    EXPECT_FALSE(spAccumulator->CollectObject(spShape));
    EXPECT_EQ(spAccumulator->GetQueuedCount(), 0u);

    // Inside one every object is taken, holding a reference until the collection ends.
    EnPointer<EnCamera> spCamera = new EnCamera;
    ASSERT_TRUE(spAccumulator->BeginCollect(spCamera));
    EXPECT_TRUE(spAccumulator->CollectObject(spShape));
    EXPECT_EQ(spAccumulator->GetQueuedCount(), 1u);
    EXPECT_EQ(spShape->GetRefCount(), 2);
    spAccumulator->EndCollect();  // no renderer: nothing is drawn, everything is given back
    EXPECT_EQ(spAccumulator->GetQueuedCount(), 0u);
    EXPECT_EQ(spShape->GetRefCount(), 1);

    // Destroying an accumulator mid-collection gives its records back too.
    ASSERT_TRUE(spAccumulator->BeginCollect(spCamera));
    EXPECT_TRUE(spAccumulator->CollectObject(spShape));
    spAccumulator = nullptr;
    EXPECT_EQ(spShape->GetRefCount(), 1);
}

TEST(EnAccumulator, ClonesStartEmptyAndKeepTheNoSortSwitch) {
    EnPointer<EnCamera> spCamera = new EnCamera;
    EnPointer<EnAlphaAccumulator> spAlpha = new EnAlphaAccumulator;
    EXPECT_TRUE(spAlpha->GetObserveNoSortHint());
    spAlpha->SetObserveNoSortHint(false);
    ASSERT_TRUE(spAlpha->BeginCollect(spCamera));
    EnPointer<EnObject> spCopy = spAlpha->MakeClone();
    EnAlphaAccumulator* pCopy = EnDynamicCast(EnAlphaAccumulator, spCopy.Get());
    ASSERT_NE(pCopy, nullptr);
    EXPECT_NE(pCopy, spAlpha.Get());
    EXPECT_FALSE(pCopy->GetObserveNoSortHint());
    EXPECT_EQ(pCopy->GetCamera(), nullptr);
    EXPECT_EQ(pCopy->GetQueuedCount(), 0u);
    spAlpha->EndCollect();

    EnPointer<EnClusterAccumulator> spCluster = new EnClusterAccumulator;
    EnPointer<EnObject> spClusterCopy = spCluster->MakeClone();
    EXPECT_TRUE(EnIsExactKindOf(EnClusterAccumulator, spClusterCopy.Get()));
}

TEST(EnAccumulator, SceneFilesCarryOnlyTheObject) {
    EXPECT_EQ(EnStream::FindLoader("EnAccumulator"), static_cast<EnCreateFunction>(&DoNothing));
    EXPECT_NE(EnStream::FindLoader("EnClusterAccumulator"), nullptr);
    EXPECT_NE(EnStream::FindLoader("EnAlphaAccumulator"), nullptr);

    TempDir kDir;
    const std::string kPath = kDir.File("accumulators.enf");
    {
        EnPointer<EnAlphaAccumulator> spAlpha = new EnAlphaAccumulator;
        spAlpha->SetObserveNoSortHint(false);  // not part of the file
        EnPointer<EnClusterAccumulator> spCluster = new EnClusterAccumulator;
        EnStream kStream;
        kStream.InsertObject(spAlpha);
        kStream.InsertObject(spCluster);
        ASSERT_TRUE(kStream.Save(kPath.c_str()));
    }
    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kPath.c_str())) << EnStream::GetLastErrorText();
    ASSERT_EQ(kStream.GetObjectCount(), 2u);
    EnAlphaAccumulator* pAlpha = EnDynamicCast(EnAlphaAccumulator, kStream.GetObjectAt(0));
    ASSERT_NE(pAlpha, nullptr);
    EXPECT_TRUE(pAlpha->GetObserveNoSortHint());
    EXPECT_TRUE(EnIsExactKindOf(EnClusterAccumulator, kStream.GetObjectAt(1)));
    EnPointer<EnAlphaAccumulator> spFresh = new EnAlphaAccumulator;
    EXPECT_TRUE(spFresh->EqualsObject(pAlpha));
    EXPECT_FALSE(kStream.GetObjectAt(0)->EqualsObject(kStream.GetObjectAt(1)));
}

}  // namespace
