#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <tuple>
#include <vector>

#include "engine/core/EnCollisionQuery.h"
#include "engine/core/EnRayHit.h"
#include "engine/core/EnRayQuery.h"
#include "engine/geometry/EnOBBLeaf.h"
#include "engine/geometry/EnOBBNode.h"
#include "engine/geometry/EnOBBRoot.h"
#include "engine/geometry/EnTriangleSweep.h"
#include "tests/engine/geometry/CollisionTestHelpers.h"

namespace {

std::unique_ptr<EnOBBRoot> TreeOf(const std::vector<Triangle>& kTriangles, int32_t iThreshold) {
    std::vector<EnVector3> kVertices;
    std::vector<uint16_t> kIndices;
    for (const Triangle& t : kTriangles)
        for (const EnVector3& p : t) {
            kIndices.push_back(uint16_t(kVertices.size()));
            kVertices.push_back(p);
        }
    return EnOBBRoot::Create(uint16_t(kTriangles.size()), kIndices.data(), kVertices.data(),
                             uint16_t(kVertices.size()), iThreshold);
}

void CollectLeaves(const EnOBBNode* pNode, std::vector<const EnOBBLeaf*>& kLeaves) {
    if (!pNode) return;
    if (pNode->IsLeaf()) {
        kLeaves.push_back(static_cast<const EnOBBLeaf*>(pNode));
        return;
    }
    CollectLeaves(pNode->GetFirstChild(), kLeaves);
    CollectLeaves(pNode->GetSecondChild(), kLeaves);
}

// The triangles a node stands for: its leaves' and those of the nodes below left whole.
void GatherTriangles(const EnOBBNode* pNode, std::vector<uint16_t>& kOut) {
    if (pNode->IsLeaf()) {
        kOut.push_back(static_cast<const EnOBBLeaf*>(pNode)->GetTriangle());
    } else if (!pNode->HasChildren()) {
        kOut.insert(kOut.end(), pNode->GetLooseTriangles(),
                    pNode->GetLooseTriangles() + pNode->GetLooseCount());
    } else {
        GatherTriangles(pNode->GetFirstChild(), kOut);
        GatherTriangles(pNode->GetSecondChild(), kOut);
    }
}

std::vector<uint16_t> TrianglesBelow(const EnOBBNode* pNode) {
    std::vector<uint16_t> kOut;
    GatherTriangles(pNode, kOut);
    std::sort(kOut.begin(), kOut.end());
    return kOut;
}

uint32_t LooseBelow(const EnOBBNode* pNode) {
    if (pNode->IsLeaf()) return 0;
    if (!pNode->HasChildren()) return pNode->GetLooseCount();
    return LooseBelow(pNode->GetFirstChild()) + LooseBelow(pNode->GetSecondChild());
}

int LeafDepthRange(const EnOBBNode* pNode, int iDepth, int& iMin, int& iMax) {
    if (pNode->IsLeaf()) {
        iMin = std::min(iMin, iDepth);
        iMax = std::max(iMax, iDepth);
        return 1;
    }
    return LeafDepthRange(pNode->GetFirstChild(), iDepth + 1, iMin, iMax) +
           LeafDepthRange(pNode->GetSecondChild(), iDepth + 1, iMin, iMax);
}

// Whether the point lies in the world box, with a tolerance.
bool BoxHolds(const EnOBBBox& kBox, const EnVector3& kPoint, float fTolerance) {
    const EnVector3 kDiff = kPoint - kBox.m_kWorldCenter;
    for (int k = 0; k < 3; k++)
        if (std::fabs(kDiff.Dot(kBox.m_akWorldAxis[k])) > kBox.m_afWorldExtent[k] + fTolerance)
            return false;
    return true;
}

std::vector<Triangle> RandomSoup(RandomSource& kRandom, int iCount, float fSpread, float fSize) {
    std::vector<Triangle> kOut;
    for (int i = 0; i < iCount; i++)
        kOut.push_back(RandomTriangle(kRandom, kRandom.Vector(fSpread), fSize));
    return kOut;
}

// Collision callback that keeps every record and answers as told.
struct Recorder {
    std::vector<EnCollisionRecord> kRecords;
    int32_t iAnswer = 0;
};

int32_t Record(EnCollisionRecord& kRecord) {
    auto* pRecorder = static_cast<Recorder*>(kRecord.m_pTopA->GetCollisionCallbackData());
    pRecorder->kRecords.push_back(kRecord);
    return pRecorder->iAnswer;
}

EnCollisionQuery Side(EnAVObject* pObject, int32_t iDepth, int32_t iThreshold) {
    EnCollisionQuery kQuery;
    kQuery.m_pTop = pObject;
    kQuery.m_pObject = pObject;
    kQuery.m_iTreeArgument = iDepth;
    kQuery.m_iMarker = iThreshold;
    return kQuery;
}

using ContactKey = std::tuple<float, float, float, float>;

ContactKey KeyOf(float fTime, const EnVector3& kPoint) {
    return {fTime, kPoint.x, kPoint.y, kPoint.z};
}

void Place(EnTriShape* pShape, const EnVector3& kTranslate, const EnMatrix3& kRotate, float fScale,
           const EnVector3& kVelocity) {
    pShape->SetLocalTranslate(kTranslate);
    pShape->SetLocalRotate(kRotate);
    pShape->SetLocalScale(fScale);
    pShape->SetLocalVelocity(kVelocity);
    pShape->Update(0.0f);
}

EnMatrix3 Rotation(float fAngle, const EnVector3& kAxis) {
    EnVector3 kUnit = kAxis;
    kUnit.Unitize();
    EnMatrix3 kRotate;
    kRotate.MakeRotation(fAngle, kUnit);
    return kRotate;
}

}  // namespace

TEST(EnOBBTree, OneTriangleIsALeafAndTwoATopNodeOverTwoLeaves) {
    const Triangle t0 = {EnVector3(0, 0, 0), EnVector3(1, 0, 0), EnVector3(0, 1, 0)};
    const Triangle t1 = {EnVector3(5, 0, 0), EnVector3(6, 0, 0), EnVector3(5, 1, 0)};
    auto spOne = TreeOf({t0}, 1);
    ASSERT_TRUE(spOne);
    ASSERT_TRUE(spOne->GetTop()->IsLeaf());
    EXPECT_EQ(static_cast<EnOBBLeaf*>(spOne->GetTop())->GetTriangle(), 0);
    EXPECT_EQ(spOne->GetTop()->GetBox().m_afModelExtent[2], 0.0f) << "a leaf's box is flat";

    auto spTwo = TreeOf({t0, t1}, 1);
    ASSERT_TRUE(spTwo);
    const EnOBBNode* pTop = spTwo->GetTop();
    ASSERT_FALSE(pTop->IsLeaf());
    ASSERT_TRUE(pTop->HasChildren());
    EXPECT_TRUE(pTop->GetFirstChild()->IsLeaf());
    EXPECT_TRUE(pTop->GetSecondChild()->IsLeaf());
    EXPECT_EQ(TrianglesBelow(pTop), (std::vector<uint16_t>{0, 1}));
    EXPECT_EQ(pTop->GetUpdateStamp(), 0u);
}

TEST(EnOBBTree, TrianglesWithoutAreaOrWithBadIndicesAreLeftOut) {
    const std::vector<EnVector3> kVertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0},
                                              {5, 0, 0}, {6, 0, 0}, {5, 1, 0}};
    const std::vector<uint16_t> kIndices = {
        0, 0, 2,  // two equal points
        0, 1, 3,  // three points on a line
        0, 1, 2,  // a real triangle
        4, 5, 9,  // an index past the vertices
        4, 5, 6,  // a real triangle
    };
    auto spTree = EnOBBRoot::Create(5, kIndices.data(), kVertices.data(), 7, 1);
    ASSERT_TRUE(spTree);
    EXPECT_EQ(TrianglesBelow(spTree->GetTop()), (std::vector<uint16_t>{2, 4}));
    EXPECT_EQ(spTree->GetTriangleCount(), 5) << "triangle numbers stay the geometry's";

    // Nothing with an area: no tree at all.
    EXPECT_FALSE(EnOBBRoot::Create(2, kIndices.data(), kVertices.data(), 7, 1));
    EXPECT_FALSE(EnOBBRoot::Create(0, kIndices.data(), kVertices.data(), 7, 1));

    // A sliver too thin for a frame of its own gets an axis-aligned box that holds it.
    const Triangle kSliver = {EnVector3(0, 0, 0), EnVector3(1e-7f, 0, 0), EnVector3(0, 1, 0)};
    auto spSliver = TreeOf({kSliver}, 1);
    ASSERT_TRUE(spSliver);
    const EnOBBBox& kBox = spSliver->GetTop()->GetBox();
    for (int k = 0; k < 3; k++) {
        EXPECT_TRUE(std::isfinite(kBox.m_afModelExtent[k]));
        EXPECT_FLOAT_EQ(kBox.m_akModelAxis[k].Length(), 1.0f);
    }
    for (const EnVector3& p : kSliver) EXPECT_TRUE(BoxHolds(kBox, p, 1e-6f));
}

TEST(EnOBBTree, CoincidentCentroidsAreSplitAtTheMiddle) {
    // Eight triangles turned about one common centroid: no axis separates them, so every
    // range is halved and the leaves all lie three levels down.
    std::vector<Triangle> kTriangles;
    for (int i = 0; i < 8; i++) {
        const EnMatrix3 kTurn = Rotation(0.4f * float(i), EnVector3(0.3f, 1, 0.2f));
        kTriangles.push_back({kTurn * EnVector3(1, 0, 0), kTurn * EnVector3(-0.5f, 0.8f, 0),
                              kTurn * EnVector3(-0.5f, -0.8f, 0)});
    }
    auto spTree = TreeOf(kTriangles, 1);
    ASSERT_TRUE(spTree);
    int iMin = 99, iMax = -1;
    EXPECT_EQ(LeafDepthRange(spTree->GetTop(), 0, iMin, iMax), 8);
    EXPECT_EQ(iMin, 3);
    EXPECT_EQ(iMax, 3);
}

TEST(EnOBBTree, ACentroidOnTheSplitGoesToTheFirstSideUpToTheMiddle) {
    // Two triangles mirrored through the origin and a small one centred on it: the box centre
    // is the origin, on which the small one's centroid lies exactly.
    const Triangle kLeft = {EnVector3(-6, 0, 0), EnVector3(-4, 1, 0), EnVector3(-5, -1, 0)};
    const Triangle kRight = {EnVector3(6, 0, 0), EnVector3(4, -1, 0), EnVector3(5, 1, 0)};
    const Triangle kMiddle = {EnVector3(0.1f, 0, 0), EnVector3(-0.05f, 0.05f, 0),
                              EnVector3(-0.05f, -0.05f, 0)};
    // At the middle position of the range it joins the first side...
    auto spTree = TreeOf({kLeft, kMiddle, kRight}, 1);
    ASSERT_TRUE(spTree);
    const EnOBBNode* pTop = spTree->GetTop();
    ASSERT_TRUE(pTop->HasChildren());
    ASSERT_FALSE(pTop->GetFirstChild()->IsLeaf());
    EXPECT_TRUE(pTop->GetSecondChild()->IsLeaf());
    std::vector<uint16_t> kFirst = TrianglesBelow(pTop->GetFirstChild());
    EXPECT_TRUE(std::count(kFirst.begin(), kFirst.end(), 1));
    // ...after it, the second.
    spTree = TreeOf({kLeft, kRight, kMiddle}, 1);
    ASSERT_TRUE(spTree);
    pTop = spTree->GetTop();
    ASSERT_TRUE(pTop->HasChildren());
    EXPECT_TRUE(pTop->GetFirstChild()->IsLeaf());
    ASSERT_FALSE(pTop->GetSecondChild()->IsLeaf());
    std::vector<uint16_t> kSecond = TrianglesBelow(pTop->GetSecondChild());
    EXPECT_TRUE(std::count(kSecond.begin(), kSecond.end(), 2));
}

TEST(EnOBBTree, LopsidedSplitsCannotBuildAnArbitrarilyDeepTree) {
    // Each triangle twice as far out and twice as large as the one before: every centroid
    // split peels off the outermost triangle alone, so the tree would be as deep as the mesh
    // is long; past a fixed depth ranges are halved at their median instead.
    std::vector<Triangle> kTriangles;
    for (int k = 0; k < 64; k++) {
        const float x = std::ldexp(1e-6f, k), d = 0.1f * x;
        kTriangles.push_back({EnVector3(x, 0, 0), EnVector3(x + d, 0, 0), EnVector3(x, d, 0)});
    }
    auto spTree = TreeOf(kTriangles, 1);
    ASSERT_TRUE(spTree);
    int iMin = 999, iMax = -1;
    EXPECT_EQ(LeafDepthRange(spTree->GetTop(), 0, iMin, iMax), 64);
    EXPECT_GT(iMax, 40) << "the splits are lopsided";
    EXPECT_LE(iMax, 48 + 5);
}

TEST(EnOBBTree, ThresholdLeavesSmallRangesWhole) {
    RandomSource kRandom(31);
    const std::vector<Triangle> kThree = RandomSoup(kRandom, 3, 3.0f, 0.5f);
    auto spWhole = TreeOf(kThree, 3);
    ASSERT_TRUE(spWhole);
    EXPECT_FALSE(spWhole->GetTop()->IsLeaf());
    EXPECT_FALSE(spWhole->GetTop()->HasChildren()) << "a range of three spans 2 < 3";
    EXPECT_EQ(spWhole->GetTop()->GetLooseCount(), 3u);
    auto spSplit = TreeOf(kThree, 2);
    EXPECT_TRUE(spSplit->GetTop()->HasChildren());

    // Any threshold of one or less splits down to one triangle per leaf.
    for (int32_t iThreshold : {1, 0, -1}) {
        auto spTree = TreeOf(RandomSoup(kRandom, 40, 3.0f, 0.5f), iThreshold);
        std::vector<const EnOBBLeaf*> kLeaves;
        CollectLeaves(spTree->GetTop(), kLeaves);
        EXPECT_EQ(kLeaves.size(), 40u) << "threshold " << iThreshold;
    }
}

TEST(EnOBBTree, EveryBoxHoldsItsTrianglesInTheWorld) {
    RandomSource kRandom(2718);
    for (int32_t iThreshold : {1, 4}) {
        const std::vector<Triangle> kSoup = RandomSoup(kRandom, 300, 5.0f, 0.8f);
        auto spTree = TreeOf(kSoup, iThreshold);
        ASSERT_TRUE(spTree);
        const EnMatrix3 kRotate = Rotation(0.7f, EnVector3(1, 2, 3));
        const EnVector3 kTranslate(100, -20, 7);
        const float fScale = 2.5f;
        spTree->SetWorldTransform(kRotate, kTranslate, fScale);

        std::vector<const EnOBBNode*> kStack = {spTree->GetTop()};
        int iBoxes = 0;
        while (!kStack.empty()) {
            const EnOBBNode* pNode = kStack.back();
            kStack.pop_back();
            const_cast<EnOBBNode*>(pNode)->Refresh();
            ASSERT_EQ(pNode->GetUpdateStamp(), spTree->GetChangeCounter());
            for (uint16_t t : TrianglesBelow(pNode))
                for (const EnVector3& p : kSoup[t])
                    ASSERT_TRUE(
                        BoxHolds(pNode->GetBox(), kRotate * (p * fScale) + kTranslate, 2e-4f))
                        << kRandom.Seed() << " triangle " << t;
            iBoxes++;
            if (pNode->HasChildren()) {
                kStack.push_back(pNode->GetFirstChild());
                kStack.push_back(pNode->GetSecondChild());
            }
        }
        EXPECT_GT(iBoxes, 300 / iThreshold);
    }
}

TEST(EnOBBTree, AnUnchangedTransformRecomputesNothing) {
    RandomSource kRandom(5);
    auto spTree = TreeOf(RandomSoup(kRandom, 10, 2.0f, 0.5f), 1);
    EXPECT_EQ(spTree->GetChangeCounter(), 0u);
    EXPECT_FALSE(spTree->IsDirty());
    const EnMatrix3 kRotate = Rotation(0.3f, EnVector3(0, 0, 1));
    spTree->SetWorldTransform(kRotate, EnVector3(1, 2, 3), 1.0f);
    EXPECT_EQ(spTree->GetChangeCounter(), 1u);
    EXPECT_TRUE(spTree->IsDirty());
    spTree->SetWorldTransform(kRotate, EnVector3(1, 2, 3), 1.0f);
    EXPECT_EQ(spTree->GetChangeCounter(), 1u) << "the same transform twice";
    spTree->SetWorldTransform(kRotate, EnVector3(1, 2, 3), 1.5f);
    EXPECT_EQ(spTree->GetChangeCounter(), 2u);
    spTree->SetWorldTransform(EnMatrix3::IDENTITY, EnVector3(1, 2, 3), 1.5f);
    EXPECT_EQ(spTree->GetChangeCounter(), 3u);
}

TEST(EnOBBTree, TopBoxesOfStillTreesMeetAtTheMiddleOfTheirCentres) {
    RandomSource kRandom(77);
    EnPointer<EnTriShape> spA = MakeSoup(RandomSoup(kRandom, 20, 1.0f, 0.5f));
    EnPointer<EnTriShape> spB = MakeSoup(RandomSoup(kRandom, 20, 1.0f, 0.5f));
    Place(spA, EnVector3(0, 0, 0), EnMatrix3::IDENTITY, 1.0f, EnVector3(0, 0, 0));
    Place(spB, EnVector3(0.5f, 0, 0), EnMatrix3::IDENTITY, 1.0f, EnVector3(0, 0, 0));
    Recorder kRecorder;
    spA->SetCollisionCallback(&Record, &kRecorder);

    EXPECT_TRUE(spA->TestCollision(0.1f, Side(spA, 0, 1), Side(spB, 0, 1)));
    EXPECT_EQ(spA->FindCollisions(0.1f, Side(spA, 0, 1), Side(spB, 0, 1)), 0)
        << "the callback did not ask to stop";
    ASSERT_EQ(kRecorder.kRecords.size(), 1u);
    const EnCollisionRecord& kRecord = kRecorder.kRecords[0];
    EXPECT_EQ(kRecord.m_pTopA, spA.Get());
    EXPECT_EQ(kRecord.m_pObjectB, spB.Get());
    EXPECT_EQ(kRecord.m_fTime, 0.0f);
    const EnVector3 kMiddle = (spA->GetOBBRoot()->GetTop()->GetBox().m_kWorldCenter +
                               spB->GetOBBRoot()->GetTop()->GetBox().m_kWorldCenter) *
                              0.5f;
    EXPECT_TRUE(NearVector(kRecord.m_kPoint, kMiddle, 0.0f));
}

// Two random meshes passing through each other: the tree search at full depth reports exactly
// the contacts the triangle routine finds over every pair of triangles, and the yes/no test
// agrees with both the pairs and the leaf boxes.
TEST(EnOBBTree, FindsTheSameContactsAsEveryTrianglePair) {
    for (uint32_t uiSeed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        RandomSource kRandom(uiSeed);
        EnPointer<EnTriShape> spA = MakeSoup(RandomSoup(kRandom, 150, 2.0f, 0.4f));
        EnPointer<EnTriShape> spB = MakeSoup(RandomSoup(kRandom, 150, 2.0f, 0.4f));
        const float fStep = kRandom.Float(0.05f, 0.5f);
        const EnVector3 kVelocityA = kRandom.Vector(2.0f);
        const EnVector3 kVelocityB = kRandom.Vector(2.0f);
        Place(spA, kRandom.Vector(1.0f), Rotation(kRandom.Float(0, 3), kRandom.Vector(1)),
              kRandom.Float(0.5f, 2.0f), kVelocityA);
        Place(spB, kRandom.Vector(1.0f), Rotation(kRandom.Float(0, 3), kRandom.Vector(1)),
              kRandom.Float(0.5f, 2.0f), kVelocityB);
        Recorder kRecorder;
        spA->SetCollisionCallback(&Record, &kRecorder);
        const int32_t iThreshold = int32_t(kRandom.Int(0, 1));

        EXPECT_EQ(spA->FindCollisions(fStep, Side(spA, -1, iThreshold), Side(spB, -1, 1)), 0);
        const bool bTest = spA->TestCollision(fStep, Side(spA, -1, iThreshold), Side(spB, -1, 1));

        std::vector<ContactKey> kTree, kPairs;
        for (const EnCollisionRecord& r : kRecorder.kRecords) {
            EXPECT_EQ(r.m_pObjectA, spA.Get());
            EXPECT_EQ(r.m_pObjectB, spB.Get());
            kTree.push_back(KeyOf(r.m_fTime, r.m_kPoint));
        }
        for (uint16_t i = 0; i < 150; i++) {
            EnVector3 *a0, *a1, *a2;
            spA->GetTriangleWorldPoints(i, a0, a1, a2);
            ASSERT_TRUE(a0) << "the query made the world vertices";
            for (uint16_t j = 0; j < 150; j++) {
                EnVector3 *b0, *b1, *b2;
                spB->GetTriangleWorldPoints(j, b0, b1, b2);
                float fTime;
                EnVector3 kPoint;
                if (FindSweptTriangleContact(fStep, kVelocityA, *a0, *a1, *a2, kVelocityB, *b0, *b1,
                                             *b2, fTime, kPoint))
                    kPairs.push_back(KeyOf(fTime, kPoint));
            }
        }
        std::sort(kTree.begin(), kTree.end());
        std::sort(kPairs.begin(), kPairs.end());
        EXPECT_EQ(kTree, kPairs) << kRandom.Seed() << ": " << kTree.size() << " from the tree, "
                                 << kPairs.size() << " from every pair";
        EXPECT_FALSE(kPairs.empty()) << kRandom.Seed() << ": the meshes should meet";

        // Yes/no: any triangle contact means yes; yes means some pair of leaf boxes overlaps.
        if (!kPairs.empty()) {
            EXPECT_TRUE(bTest) << kRandom.Seed();
        }
        std::vector<const EnOBBLeaf*> kLeavesA, kLeavesB;
        CollectLeaves(spA->GetOBBRoot()->GetTop(), kLeavesA);
        CollectLeaves(spB->GetOBBRoot()->GetTop(), kLeavesB);
        bool bLeafOverlap = false;
        for (const EnOBBLeaf* pA : kLeavesA) {
            const_cast<EnOBBLeaf*>(pA)->Refresh();
            for (const EnOBBLeaf* pB : kLeavesB) {
                const_cast<EnOBBLeaf*>(pB)->Refresh();
                bLeafOverlap |= pA->GetBox().SweptOverlap(pB->GetBox());
            }
        }
        if (bTest) {
            EXPECT_TRUE(bLeafOverlap) << kRandom.Seed();
        }
    }
}

TEST(EnOBBTree, SearchStopsWhenACallbackAsks) {
    RandomSource kRandom(99);
    EnPointer<EnTriShape> spA = MakeSoup(RandomSoup(kRandom, 60, 1.0f, 0.5f));
    EnPointer<EnTriShape> spB = MakeSoup(RandomSoup(kRandom, 60, 1.0f, 0.5f));
    Place(spA, EnVector3(0, 0, 0), EnMatrix3::IDENTITY, 1.0f, EnVector3(0, 0, 0));
    Place(spB, EnVector3(0.2f, 0, 0), EnMatrix3::IDENTITY, 1.0f, EnVector3(0, 0, 0));
    Recorder kRecorder;
    spA->SetCollisionCallback(&Record, &kRecorder);
    EXPECT_EQ(spA->FindCollisions(0.1f, Side(spA, -1, 1), Side(spB, -1, 1)), 0);
    ASSERT_GT(kRecorder.kRecords.size(), 1u);
    kRecorder.kRecords.clear();
    kRecorder.iAnswer = 1;
    EXPECT_EQ(spA->FindCollisions(0.1f, Side(spA, -1, 1), Side(spB, -1, 1)), 1);
    EXPECT_EQ(kRecorder.kRecords.size(), 1u);
}

// Two one-triangle trees (each a single leaf): the triangles are tested only when both
// depths are negative; with any other depth the overlapping leaf boxes are the contact, and
// the yes/no test never looks past the boxes.
TEST(EnOBBTree, LeavesTestTrianglesOnlyWhenBothDepthsAreNegative) {
    const Triangle kPlate = {EnVector3(0, 0, 0), EnVector3(0, 2, 0), EnVector3(0, 0, 2)};
    // Pierces the plate.
    const Triangle kCrossing = {EnVector3(-1, 0.5f, 0.5f), EnVector3(1, 0.5f, 0.5f),
                                EnVector3(0, 0.6f, -0.5f)};
    // In the plate's plane and inside its box, beyond its long edge.
    const Triangle kBeside = {EnVector3(0, 1.8f, 1.8f), EnVector3(0, 1.2f, 1.8f),
                              EnVector3(0, 1.8f, 1.2f)};
    struct Case {
        const char* pcWhat;
        const Triangle* pOther;
        int32_t iDepthA, iDepthB;
        size_t uiRecords;
        bool bBoxContact;
    };
    const Case kCases[] = {
        {"crossing, both to the leaves", &kCrossing, -1, -1, 1, false},
        {"crossing, B held at its top box", &kCrossing, -1, 0, 1, true},
        {"crossing, A held at its top box", &kCrossing, 0, -1, 1, true},
        {"boxes only, both to the leaves", &kBeside, -1, -1, 0, false},
        {"boxes only, a positive depth", &kBeside, -1, 3, 1, true},
    };
    for (const Case& c : kCases) {
        EnPointer<EnTriShape> spA = MakeSoup({kPlate});
        EnPointer<EnTriShape> spB = MakeSoup({*c.pOther});
        Place(spA, EnVector3(0, 0, 0), EnMatrix3::IDENTITY, 1.0f, EnVector3(0, 0, 0));
        Place(spB, EnVector3(0, 0, 0), EnMatrix3::IDENTITY, 1.0f, EnVector3(0, 0, 0));
        Recorder kRecorder;
        spA->SetCollisionCallback(&Record, &kRecorder);
        EXPECT_TRUE(spA->TestCollision(0.1f, Side(spA, c.iDepthA, 1), Side(spB, c.iDepthB, 1)))
            << c.pcWhat;
        EXPECT_EQ(spA->FindCollisions(0.1f, Side(spA, c.iDepthA, 1), Side(spB, c.iDepthB, 1)), 0)
            << c.pcWhat;
        ASSERT_TRUE(spA->GetOBBRoot()->GetTop()->IsLeaf());
        ASSERT_TRUE(spB->GetOBBRoot()->GetTop()->IsLeaf());
        ASSERT_EQ(kRecorder.kRecords.size(), c.uiRecords) << c.pcWhat;
        if (c.uiRecords == 0) continue;
        const EnCollisionRecord& r = kRecorder.kRecords[0];
        EXPECT_EQ(r.m_fTime, 0.0f) << c.pcWhat;
        const EnVector3 kMiddle = (spA->GetOBBRoot()->GetTop()->GetBox().m_kWorldCenter +
                                   spB->GetOBBRoot()->GetTop()->GetBox().m_kWorldCenter) *
                                  0.5f;
        if (c.bBoxContact) {
            EXPECT_TRUE(NearVector(r.m_kPoint, kMiddle, 0.0f)) << c.pcWhat;
        } else {
            EXPECT_NEAR(r.m_kPoint.x, 0.0f, 1e-6f) << c.pcWhat << ": on the plate";
            EXPECT_FALSE(NearVector(r.m_kPoint, kMiddle, 1e-3f)) << c.pcWhat;
        }
    }
}

TEST(EnOBBTree, FindsTheSameRayPicksAsTheTriangleSearch) {
    RandomSource kRandom(1234);
    EnPointer<EnTriShape> spShape = MakeSoup(RandomSoup(kRandom, 400, 3.0f, 0.6f));
    int iHits = 0;
    for (bool bTransformed : {false, true}) {
        if (bTransformed)
            Place(spShape, EnVector3(3, -2, 1), Rotation(1.1f, EnVector3(1, 1, 0)), 1.7f,
                  EnVector3(0, 0, 0));
        else
            Place(spShape, EnVector3(0, 0, 0), EnMatrix3::IDENTITY, 1.0f, EnVector3(0, 0, 0));
        for (int iRay = 0; iRay < 200; iRay++) {
            const EnVector3 kOrigin = kRandom.Vector(8.0f);
            const EnVector3 kDir = spShape->GetWorldTranslate() + kRandom.Vector(2.0f) - kOrigin;
            EnRayQuery kTree, kPlain;
            kTree.m_bUseOBBTrees = true;
            kTree.m_bWantNormal = kPlain.m_bWantNormal = true;
            const bool bTree = spShape->FindIntersections(kOrigin, kDir, kTree);
            const bool bPlain = spShape->FindIntersections(kOrigin, kDir, kPlain);

            auto Picks = [](const EnRayQuery& kQuery) {
                std::vector<std::tuple<uint16_t, float, float, float, float>> kOut;
                for (const auto& spHit : kQuery.m_kHits)
                    kOut.emplace_back(spHit->m_usTriangle, spHit->m_fDistance, spHit->m_kPoint.x,
                                      spHit->m_kPoint.y, spHit->m_kPoint.z);
                std::sort(kOut.begin(), kOut.end());
                return kOut;
            };
            const auto kTreePicks = Picks(kTree), kPlainPicks = Picks(kPlain);
            iHits += int(kPlainPicks.size());
            if (!bTransformed) {
                // Untransformed, both searches meet exactly the same numbers.
                EXPECT_EQ(bTree, bPlain) << kRandom.Seed() << " ray " << iRay;
                EXPECT_EQ(kTreePicks, kPlainPicks) << kRandom.Seed() << " ray " << iRay;
                continue;
            }
            // Transformed, one searches in the world and one in model space: the same
            // triangles at the same distances, but for rays grazing an edge.
            std::vector<uint16_t> kTreeTriangles, kPlainTriangles;
            for (const auto& k : kTreePicks) kTreeTriangles.push_back(std::get<0>(k));
            for (const auto& k : kPlainPicks) kPlainTriangles.push_back(std::get<0>(k));
            EXPECT_EQ(kTreeTriangles, kPlainTriangles) << kRandom.Seed() << " ray " << iRay;
            if (kTreeTriangles != kPlainTriangles) continue;
            for (size_t i = 0; i < kTreePicks.size(); i++) {
                EXPECT_NEAR(std::get<1>(kTreePicks[i]), std::get<1>(kPlainPicks[i]), 1e-4f);
                const EnVector3 kTreePoint(std::get<2>(kTreePicks[i]), std::get<3>(kTreePicks[i]),
                                           std::get<4>(kTreePicks[i]));
                const EnVector3 kPlainPoint(std::get<2>(kPlainPicks[i]),
                                            std::get<3>(kPlainPicks[i]),
                                            std::get<4>(kPlainPicks[i]));
                EXPECT_TRUE(NearVector(kTreePoint, kPlainPoint, 1e-3f));
            }
            for (const auto& spHit : kTree.m_kHits) {
                EXPECT_EQ(spHit->m_spObject.Get(), spShape.Get());
                EXPECT_NEAR(spHit->m_kNormal.Length(), 1.0f, 1e-5f);
            }
        }
    }
    EXPECT_GT(iHits, 200) << "the rays should hit";
}

TEST(EnOBBTree, RayReportsEveryTriangleItMeetsInTreeOrder) {
    // A row of walls across the x axis, pierced by one ray along it.
    std::vector<Triangle> kWalls;
    for (int i = 0; i < 9; i++) {
        const float x = float(i);
        kWalls.push_back({EnVector3(x, -1, -1), EnVector3(x, 2, -1), EnVector3(x, -1, 2)});
    }
    EnPointer<EnTriShape> spShape = MakeSoup(kWalls);
    Place(spShape, EnVector3(0, 0, 0), EnMatrix3::IDENTITY, 1.0f, EnVector3(0, 0, 0));
    EnRayQuery kQuery;
    kQuery.m_bUseOBBTrees = true;
    kQuery.m_uiStopMode = kQuery.m_uiSortMode = 1;  // the tree search visits every box anyway
    ASSERT_TRUE(spShape->FindIntersections(EnVector3(-5, 0, 0), EnVector3(1, 0, 0), kQuery));

    std::vector<const EnOBBLeaf*> kLeaves;
    CollectLeaves(spShape->GetOBBRoot()->GetTop(), kLeaves);
    std::vector<uint16_t> kTreeOrder, kHitOrder;
    for (const EnOBBLeaf* pLeaf : kLeaves) kTreeOrder.push_back(pLeaf->GetTriangle());
    for (const auto& spHit : kQuery.m_kHits) kHitOrder.push_back(spHit->m_usTriangle);
    EXPECT_EQ(kHitOrder, kTreeOrder);
    EXPECT_EQ(kQuery.m_pLastHit, kQuery.m_kHits.back().get());
}

TEST(EnOBBTree, RayReachesTheTrianglesOfNodesLeftWhole) {
    RandomSource kRandom(42);
    const std::vector<Triangle> kSoup = RandomSoup(kRandom, 50, 2.0f, 0.6f);
    EnPointer<EnTriShape> spShape = MakeSoup(kSoup);
    Place(spShape, EnVector3(0, 0, 0), EnMatrix3::IDENTITY, 1.0f, EnVector3(0, 0, 0));
    // A collision query built the tree coarse; the ray search uses it as it is.
    spShape->CreateCollisionTree(8);
    ASSERT_TRUE(spShape->GetOBBRoot());
    ASSERT_GT(LooseBelow(spShape->GetOBBRoot()->GetTop()), 0u);
    EXPECT_EQ(TrianglesBelow(spShape->GetOBBRoot()->GetTop()).size(), 50u);
    int iHits = 0;
    for (int iRay = 0; iRay < 100; iRay++) {
        const EnVector3 kOrigin = kRandom.Vector(6.0f);
        const EnVector3 kDir = kRandom.Vector(1.0f) - kOrigin;
        EnRayQuery kTree, kPlain;
        kTree.m_bUseOBBTrees = true;
        spShape->FindIntersections(kOrigin, kDir, kTree);
        spShape->FindIntersections(kOrigin, kDir, kPlain);
        std::vector<uint16_t> a, b;
        for (const auto& h : kTree.m_kHits) a.push_back(h->m_usTriangle);
        for (const auto& h : kPlain.m_kHits) b.push_back(h->m_usTriangle);
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(a, b) << kRandom.Seed() << " ray " << iRay;
        iHits += int(b.size());
    }
    EXPECT_GT(iHits, 20);
}
