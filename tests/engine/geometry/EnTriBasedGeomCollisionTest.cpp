#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/core/EnCollisionQuery.h"
#include "engine/core/EnCollisionVolume.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnRayQuery.h"
#include "engine/geometry/EnOBBNode.h"
#include "engine/geometry/EnOBBRoot.h"
#include "engine/geometry/EnTriStrip.h"
#include "engine/geometry/EnTriStrips.h"
#include "engine/geometry/EnTriStripsData.h"
#include "engine/geometry/EnTriangleSweep.h"
#include "engine/geometry/EnTriangles.h"
#include "engine/geometry/EnTrianglesData.h"
#include "engine/geometry/TrianglePair.h"
#include "tests/engine/geometry/CollisionTestHelpers.h"

namespace {

struct Recorder {
    std::vector<EnCollisionRecord> kRecords;
    int32_t iAnswer = 0;
};

int32_t Record(EnCollisionRecord& kRecord) {
    auto* pRecorder = static_cast<Recorder*>(kRecord.m_pTopA->GetCollisionCallbackData());
    pRecorder->kRecords.push_back(kRecord);
    return pRecorder->iAnswer;
}

EnCollisionQuery Side(EnAVObject* pObject, int32_t iDepth = -1, int32_t iThreshold = 1) {
    EnCollisionQuery kQuery;
    kQuery.m_pTop = pObject;
    kQuery.m_pObject = pObject;
    kQuery.m_iTreeArgument = iDepth;
    kQuery.m_iMarker = iThreshold;
    return kQuery;
}

void Place(EnAVObject* pObject, const EnVector3& kTranslate, const EnVector3& kVelocity) {
    pObject->SetLocalTranslate(kTranslate);
    pObject->SetLocalVelocity(kVelocity);
    pObject->Update(0.0f);
}

// Mode 3 is no collision mode at all.
void SetMode(EnAVObject* pObject, int iMode) {
    pObject->SetFlags(uint16_t((pObject->GetFlags() & ~EnAVObject::PROPAGATE_MASK) | (iMode << 1)));
}

// A triangle in the plane x = 0 and one crossing it at the origin: they intersect.
const Triangle kWall = {EnVector3(0, -1, -1), EnVector3(0, 2, -1), EnVector3(0, -1, 2)};
const Triangle kSpear = {EnVector3(-1, 0.2f, 0.2f), EnVector3(1, 0.2f, 0.2f),
                         EnVector3(0, 0.3f, -0.5f)};
// A pair whose bounds overlap but whose triangles do not: two sides of a large square.
const Triangle kLower = {EnVector3(0, 0, 0), EnVector3(4, 0, 0), EnVector3(0, 4, 0)};
const Triangle kUpper = {EnVector3(4, 4, 0.5f), EnVector3(4, 1, 0.5f), EnVector3(1, 4, 0.5f)};
// In the wall's plane but above where the spear crosses it, within reach of its bound.
const Triangle kHigh = {EnVector3(0, 0.6f, 0.6f), EnVector3(0, 3, 0.6f), EnVector3(0, 0.6f, 3)};

// A volume kind of the tests' own, so that the triangle-against-volume paths can be followed.
class TestVolume : public EnCollisionVolume {
public:
    void SaveToStream(EnStream&) const override {}
    int32_t GetType() const override { return 0; }
    void UpdateWorld(const EnCollisionVolume&, const EnMatrix3&, const EnVector3&, float) override {
        ms_iUpdates++;
    }
    std::unique_ptr<EnCollisionVolume> CreateWorldCopy() const override {
        return std::make_unique<TestVolume>();
    }
    bool DiffersFrom(const EnCollisionVolume&) const override { return false; }

    static inline int ms_iUpdates = 0;
    static inline int ms_iTriangleTests = 0;
    static inline int ms_iAnswerAt = 0;  // the call that answers true (1-based; 0: none)
};

struct VolumeKind {
    VolumeKind() {
        TestVolume::ms_iUpdates = TestVolume::ms_iTriangleTests = TestVolume::ms_iAnswerAt = 0;
        EnCollisionVolume::SetTriangleHook(
            [](uint32_t, const EnVector3*) -> EnCollisionVolume* { return new TestVolume; });
        EnCollisionVolume::SetTriangleTest(
            0, [](float, EnCollisionVolume&, const EnVector3&, const EnVector3&, const EnVector3&,
                  const EnVector3&, const EnVector3&) {
                return ++TestVolume::ms_iTriangleTests == TestVolume::ms_iAnswerAt;
            });
        EnCollisionVolume::SetTriangleSearch(
            0, [](float, EnCollisionVolume&, const EnVector3&, const EnVector3& kP0,
                  const EnVector3&, const EnVector3&, const EnVector3&, float& fTime,
                  EnVector3& kPoint, bool, EnVector3& kVolumeNormal, EnVector3& kTriangleNormal) {
                fTime = 0.25f;
                kPoint = kP0;
                kVolumeNormal = EnVector3(1, 0, 0);
                kTriangleNormal = EnVector3(0, 1, 0);
                return true;
            });
    }
    ~VolumeKind() { EnCollisionVolume::ClearTables(); }
};

}  // namespace

TEST(EnTriBasedGeomCollision, NoOtherObjectAndNoModeMeetNothing) {
    EnPointer<EnTriShape> spA = MakeSoup({kWall});
    EnPointer<EnTriShape> spB = MakeSoup({kSpear});
    Place(spA, EnVector3(0, 0, 0), EnVector3(0, 0, 0));
    Place(spB, EnVector3(0, 0, 0), EnVector3(0, 0, 0));
    EnCollisionQuery kNobody;
    EXPECT_FALSE(spA->TestCollision(0.1f, Side(spA), kNobody));
    EXPECT_EQ(spA->FindCollisions(0.1f, Side(spA), kNobody), 0);

    for (int iMine : {0, 1, 2, 3}) {
        SetMode(spA, iMine);
        SetMode(spB, 3);
        EXPECT_FALSE(spA->TestCollision(0.1f, Side(spA), Side(spB))) << "mine " << iMine;
        EXPECT_EQ(spA->FindCollisions(0.1f, Side(spA), Side(spB)), 0) << "mine " << iMine;
        SetMode(spA, 3);
        SetMode(spB, iMine);
        EXPECT_FALSE(spA->TestCollision(0.1f, Side(spA), Side(spB))) << "theirs " << iMine;
        EXPECT_EQ(spA->FindCollisions(0.1f, Side(spA), Side(spB)), 0) << "theirs " << iMine;
    }
}

TEST(EnTriBasedGeomCollision, ModesDecideHowFarTheTestGoes) {
    // Bounds that meet around triangles that do not, with no volume kind installed.
    EnPointer<EnTriShape> spA = MakeSoup({kLower});
    EnPointer<EnTriShape> spB = MakeSoup({kUpper});
    Place(spA, EnVector3(0, 0, 0), EnVector3(0, 0, 0));
    Place(spB, EnVector3(0, 0, 0), EnVector3(0, 0, 0));
    struct Case {
        int iMine, iTheirs;
        bool bContact;
        const char* pcWhy;
    };
    const Case kCases[] = {
        {0, 0, true, "the bounds decide"},
        {0, 1, false, "their triangles need my volume"},
        {0, 2, true, "no volume can be made: the bounds decide"},
        {1, 0, false, "my triangles need their volume"},
        {1, 1, false, "every triangle pair"},
        {1, 2, false, "my triangles need their volume"},
        {2, 0, true, "no volume can be made: the bounds decide"},
        {2, 1, false, "their triangles need my volume"},
        {2, 2, false, "the trees down to the triangles' boxes"},
    };
    for (const Case& c : kCases) {
        SetMode(spA, c.iMine);
        SetMode(spB, c.iTheirs);
        EXPECT_EQ(spA->TestCollision(0.1f, Side(spA), Side(spB)), c.bContact)
            << c.iMine << " against " << c.iTheirs << ": " << c.pcWhy;
        Recorder kRecorder;
        kRecorder.iAnswer = 1;
        spA->SetCollisionCallback(&Record, &kRecorder);
        EXPECT_EQ(spA->FindCollisions(0.1f, Side(spA), Side(spB)), c.bContact ? 1 : 0)
            << c.iMine << " against " << c.iTheirs;
        EXPECT_EQ(kRecorder.kRecords.size(), c.bContact ? 1u : 0u);
    }

    // Bounds apart: nothing in any mode.
    Place(spB, EnVector3(20, 0, 0), EnVector3(0, 0, 0));
    for (int iMine : {0, 1, 2})
        for (int iTheirs : {0, 1, 2}) {
            SetMode(spA, iMine);
            SetMode(spB, iTheirs);
            EXPECT_FALSE(spA->TestCollision(0.1f, Side(spA), Side(spB)));
        }
}

TEST(EnTriBasedGeomCollision, TrianglePairsAndTreesReportTheFirstContact) {
    // The spear flies through the wall during the step.
    EnPointer<EnTriShape> spWall = MakeSoup({kWall});
    EnPointer<EnTriShape> spSpear = MakeSoup({kSpear});
    const EnVector3 kWallVelocity(0, 0, 0), kSpearVelocity(8, 0, 0);
    Place(spWall, EnVector3(0, 0, 0), kWallVelocity);
    Place(spSpear, EnVector3(-3, 0, 0), kSpearVelocity);

    for (int iMode : {1, 2}) {
        SetMode(spWall, iMode);
        SetMode(spSpear, iMode);
        EXPECT_TRUE(spWall->TestCollision(0.5f, Side(spWall), Side(spSpear))) << "mode " << iMode;
        EXPECT_FALSE(spWall->TestCollision(0.2f, Side(spWall), Side(spSpear)))
            << "mode " << iMode << ": too short a step";
        Recorder kRecorder;
        spWall->SetCollisionCallback(&Record, &kRecorder);
        EXPECT_EQ(spWall->FindCollisions(0.5f, Side(spWall), Side(spSpear)), 0);
        ASSERT_EQ(kRecorder.kRecords.size(), 1u) << "mode " << iMode;
        const EnCollisionRecord& r = kRecorder.kRecords[0];
        EXPECT_EQ(r.m_pObjectA, spWall.Get());
        EXPECT_EQ(r.m_pObjectB, spSpear.Get());
        EXPECT_EQ(r.m_pTopB, spSpear.Get());

        // The same answer as the routine of the mode, on the same world points.
        EnVector3 *a0, *a1, *a2, *b0, *b1, *b2;
        spWall->GetTriangleWorldPoints(0, a0, a1, a2);
        spSpear->GetTriangleWorldPoints(0, b0, b1, b2);
        float fTime;
        EnVector3 kPoint, kNormalA, kNormalB;
        if (iMode == 1) {
            TrianglePair kPair(a0, a1, a2, &kWallVelocity, b0, b1, b2, &kSpearVelocity);
            ASSERT_TRUE(kPair.Find(0.5f, fTime, kPoint, true, kNormalA, kNormalB));
            EXPECT_TRUE(NearVector(r.m_kNormalA, kNormalA, 0.0f));
            EXPECT_TRUE(NearVector(r.m_kNormalB, kNormalB, 0.0f));
        } else {
            ASSERT_TRUE(FindSweptTriangleContact(0.5f, kWallVelocity, *a0, *a1, *a2, kSpearVelocity,
                                                 *b0, *b1, *b2, fTime, kPoint));
            EXPECT_NEAR(std::fabs(r.m_kNormalA.x), 1.0f, 1e-6f) << "the wall's flat box";
        }
        EXPECT_EQ(r.m_fTime, fTime);
        EXPECT_TRUE(NearVector(r.m_kPoint, kPoint, 0.0f));
        EXPECT_NEAR(r.m_fTime, 0.25f, 1e-5f) << "the spear's tip reaches the wall";
        EXPECT_NEAR(r.m_kPoint.x, 0.0f, 1e-5f);
    }
}

TEST(EnTriBasedGeomCollision, StripSetsHaveNoTreeSoTreeModeMeetsNothing) {
    // The wall as a strip set, with the spear flying through it during the step.
    EnPointer<EnTriStrips> spWall = new EnTriStrips(new EnTriStripsData(
        3, NewArray<EnVector3>({kWall[0], kWall[1], kWall[2]}), nullptr, nullptr, nullptr, 1, 1,
        NewArray<uint16_t>({3}), NewArray<uint16_t>({0, 1, 2})));
    EnPointer<EnTriShape> spSpear = MakeSoup({kSpear});
    Place(spWall, EnVector3(0, 0, 0), EnVector3(0, 0, 0));
    Place(spSpear, EnVector3(-3, 0, 0), EnVector3(8, 0, 0));
    struct Case {
        int iMode;
        bool bContact;
    };
    for (const Case& c : {Case{1, true}, Case{2, false}}) {
        SetMode(spWall, c.iMode);
        SetMode(spSpear, c.iMode);
        EXPECT_EQ(spWall->TestCollision(0.5f, Side(spWall), Side(spSpear)), c.bContact)
            << "mode " << c.iMode;
        EXPECT_EQ(spSpear->TestCollision(0.5f, Side(spSpear), Side(spWall)), c.bContact)
            << "mode " << c.iMode;
        Recorder kRecorder;
        spWall->SetCollisionCallback(&Record, &kRecorder);
        spWall->FindCollisions(0.5f, Side(spWall), Side(spSpear));
        EXPECT_EQ(kRecorder.kRecords.size(), c.bContact ? 1u : 0u) << "mode " << c.iMode;
    }
    EXPECT_EQ(spWall->GetOBBRoot(), nullptr);
}

TEST(EnTriBasedGeomCollision, EveryTriangleKindWithAListBuildsTheSameTree) {
    // The same two triangles as a list, a strip and loose triangles.
    const std::vector<EnVector3> kStrip = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0.5f}};
    EnPointer<EnTriShape> spShape = MakeShape(kStrip, {0, 1, 2, 1, 3, 2});
    EnPointer<EnTriStrip> spTriStrip =
        new EnTriStrip(NewArray(kStrip), nullptr, nullptr, nullptr, 2);
    EnPointer<EnTriangles> spLoose = new EnTriangles(new EnTrianglesData(
        6, NewArray<EnVector3>({kStrip[0], kStrip[1], kStrip[2], kStrip[1], kStrip[3], kStrip[2]}),
        nullptr, nullptr, nullptr, 2));
    EnPointer<EnTriShape> spProbe =
        MakeSoup({{EnVector3(0.8f, 0.8f, -1), EnVector3(0.8f, 0.8f, 1), EnVector3(0.9f, 0.7f, 0)}});
    Place(spProbe, EnVector3(0, 0, 0), EnVector3(0, 0, 0));
    std::vector<EnCollisionRecord> kFirst;
    for (EnTriBasedGeom* pGeom : {static_cast<EnTriBasedGeom*>(spShape.Get()),
                                  static_cast<EnTriBasedGeom*>(spTriStrip.Get()),
                                  static_cast<EnTriBasedGeom*>(spLoose.Get())}) {
        Place(pGeom, EnVector3(0, 0, 0), EnVector3(0, 0, 0));
        Recorder kRecorder;
        pGeom->SetCollisionCallback(&Record, &kRecorder);
        EXPECT_EQ(pGeom->FindCollisions(0.1f, Side(pGeom), Side(spProbe)), 0);
        ASSERT_TRUE(pGeom->GetOBBRoot()) << pGeom->GetClassName();
        EXPECT_EQ(pGeom->GetOBBRoot()->GetTriangleCount(), 2);
        ASSERT_EQ(kRecorder.kRecords.size(), 1u) << "the probe pierces the second triangle";
        if (kFirst.empty()) kFirst = kRecorder.kRecords;
        EXPECT_EQ(kRecorder.kRecords[0].m_fTime, kFirst[0].m_fTime);
        EXPECT_TRUE(NearVector(kRecorder.kRecords[0].m_kPoint, kFirst[0].m_kPoint, 0.0f));
    }
}

TEST(EnTriBasedGeomCollision, TreesFollowTheirDataAndWorldVertices) {
    EnPointer<EnTriShape> spA = MakeSoup({kWall, kLower});
    EnPointer<EnTriShape> spB = MakeSoup({kSpear});
    Place(spA, EnVector3(0, 0, 0), EnVector3(0, 0, 0));
    Place(spB, EnVector3(0, 0, 0), EnVector3(0, 0, 0));
    ASSERT_TRUE(spA->TestCollision(0.1f, Side(spA), Side(spB)));
    EnOBBRoot* pTree = spA->GetOBBRoot();
    ASSERT_TRUE(pTree);
    const EnVector3 *p0, *p1, *p2;
    EXPECT_TRUE(pTree->GetWorldTriangle(0, p0, p1, p2));
    EXPECT_EQ(p0, spA->GetWorldVertices());

    // Without world vertices the tree reads none, and the next query brings them back.
    spA->DestroyWorldVertices();
    EXPECT_FALSE(pTree->GetWorldTriangle(0, p0, p1, p2));
    EXPECT_TRUE(spA->TestCollision(0.1f, Side(spA), Side(spB)));
    EXPECT_EQ(spA->GetOBBRoot(), pTree) << "the tree is kept";
    ASSERT_TRUE(pTree->GetWorldTriangle(0, p0, p1, p2));
    EXPECT_EQ(p0, spA->GetWorldVertices());

    // A clone builds its own tree; new data drops the tree built over the old.
    EnPointer<EnTriShape> spCopy = static_cast<EnTriShape*>(spA->MakeClone());
    ASSERT_TRUE(spCopy->GetOBBRoot());
    EXPECT_NE(spCopy->GetOBBRoot(), pTree);
    EXPECT_EQ(spCopy->GetOBBRoot()->GetTriangleCount(), 2);
    spA->SetGeometryData(MakeSoup({kHigh})->GetGeometryData());
    EXPECT_EQ(spA->GetOBBRoot(), nullptr);
    Place(spA, EnVector3(0, 0, 0), EnVector3(0, 0, 0));
    EXPECT_FALSE(spA->TestCollision(0.1f, Side(spA), Side(spB))) << "the new triangle is far";
    ASSERT_TRUE(spA->GetOBBRoot());
    EXPECT_EQ(spA->GetOBBRoot()->GetTriangleCount(), 1);

    // An object whose triangles have no area gets no tree and meets nothing through trees.
    EnPointer<EnTriShape> spFlat = MakeShape({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {0, 1, 2, 0, 0, 1});
    Place(spFlat, EnVector3(0, 0.2f, 0.2f), EnVector3(0, 0, 0));
    EXPECT_FALSE(spFlat->TestCollision(0.1f, Side(spFlat), Side(spB)));
    EXPECT_EQ(spFlat->GetOBBRoot(), nullptr);
    EnRayQuery kQuery;
    kQuery.m_bUseOBBTrees = true;
    EXPECT_FALSE(spFlat->FindIntersections(EnVector3(0, 0.2f, 5), EnVector3(0, 0, -1), kQuery));
}

TEST(EnTriBasedGeomCollision, NodesDecideWhenTheirBitsAreSet) {
    EnPointer<EnTriShape> spWall = MakeSoup({kWall});
    EnPointer<EnTriShape> spSpear = MakeSoup({kSpear});
    EnPointer<EnTriShape> spFar = MakeSoup({kUpper});
    EnPointer<EnNode> spNode = new EnNode;
    spNode->AddChild(spFar);
    spNode->AddChild(spSpear);
    spNode->Update(0.0f);
    Place(spWall, EnVector3(0, 0, 0), EnVector3(0, 0, 0));

    // The node searches its children (USE_OBBS by default), each against the wall's tree.
    EXPECT_TRUE(spWall->TestCollision(0.1f, Side(spWall), Side(spNode)));
    Recorder kRecorder;
    spWall->SetCollisionCallback(&Record, &kRecorder);
    spWall->FindCollisions(0.1f, Side(spWall), Side(spNode));
    ASSERT_EQ(kRecorder.kRecords.size(), 1u);
    // The node's child found the contact: the wall's callback sees itself as the top object
    // of side A, while the objects in contact keep the finder's order.
    EXPECT_EQ(kRecorder.kRecords[0].m_pTopA, spWall.Get());
    EXPECT_EQ(kRecorder.kRecords[0].m_pTopB, spNode.Get());
    EXPECT_EQ(kRecorder.kRecords[0].m_pObjectA, spSpear.Get());

    // With the node's bits clear: the bounds alone for NONE, the node's volume for triangles.
    SetMode(spNode, 0);
    SetMode(spWall, 0);
    EXPECT_TRUE(spWall->TestCollision(0.1f, Side(spWall), Side(spNode)));
    SetMode(spWall, 1);
    EXPECT_FALSE(spWall->TestCollision(0.1f, Side(spWall), Side(spNode)));
    SetMode(spWall, 2);
    EXPECT_TRUE(spWall->TestCollision(0.1f, Side(spWall), Side(spNode)));
    SetMode(spWall, 3);
    EXPECT_FALSE(spWall->TestCollision(0.1f, Side(spWall), Side(spNode)));
}

TEST(EnTriBasedGeomCollision, TrianglesMeetAVolumeOneByOne) {
    VolumeKind kKind;
    EnPointer<EnTriShape> spA = MakeSoup({kWall, kLower, kSpear});
    EnPointer<EnTriShape> spB = MakeSoup({kUpper});
    Place(spA, EnVector3(0, 0, 0), EnVector3(0, 0, 0));
    Place(spB, EnVector3(0, 0, 0), EnVector3(0, 0, 0));
    SetMode(spA, 1);
    SetMode(spB, 2);
    TestVolume::ms_iAnswerAt = 2;
    EXPECT_TRUE(spA->TestCollision(0.1f, Side(spA), Side(spB)));
    EXPECT_TRUE(spB->GetCollisionVolume()) << "their volume was made from their triangles";
    EXPECT_EQ(TestVolume::ms_iTriangleTests, 2) << "until the first triangle that meets it";
    EXPECT_GT(TestVolume::ms_iUpdates, 0) << "the world volume follows the object";

    Recorder kRecorder;
    spA->SetCollisionCallback(&Record, &kRecorder);
    EXPECT_EQ(spA->FindCollisions(0.1f, Side(spA), Side(spB)), 0);
    ASSERT_EQ(kRecorder.kRecords.size(), 1u);
    const EnCollisionRecord& r = kRecorder.kRecords[0];
    EXPECT_EQ(r.m_fTime, 0.25f);
    EXPECT_TRUE(NearVector(r.m_kNormalA, EnVector3(0, 1, 0), 0.0f)) << "the triangle's side";
    EXPECT_TRUE(NearVector(r.m_kNormalB, EnVector3(1, 0, 0), 0.0f)) << "the volume's side";

    // Seen from the volume's side the normals change places.
    kRecorder.kRecords.clear();
    spB->SetCollisionCallback(&Record, &kRecorder);
    spA->SetCollisionCallback(nullptr);
    EXPECT_EQ(spB->FindCollisions(0.1f, Side(spB), Side(spA)), 0);
    ASSERT_EQ(kRecorder.kRecords.size(), 1u);
    EXPECT_TRUE(NearVector(kRecorder.kRecords[0].m_kNormalA, EnVector3(1, 0, 0), 0.0f));
    EXPECT_TRUE(NearVector(kRecorder.kRecords[0].m_kNormalB, EnVector3(0, 1, 0), 0.0f));
}
