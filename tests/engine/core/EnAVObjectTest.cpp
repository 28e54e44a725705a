#include "engine/core/EnAVObject.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/core/EnZBufferProperty.h"
#include "tests/engine/core/SceneTestObjects.h"
#include "tests/support/AssertCapture.h"
#include "tests/support/TempDir.h"

namespace {

EnMatrix3 Rotation(float fAngle, EnVector3 kAxis) {
    kAxis.Unitize();
    EnMatrix3 kRotate;
    kRotate.MakeRotation(fAngle, kAxis);
    return kRotate;
}

// A 4x4 affine transform in double precision, composed independently of the engine's code.
struct Affine {
    std::array<std::array<double, 4>, 4> m{};

    static Affine From(const EnMatrix3& kRotate, const EnVector3& kTranslate, float fScale) {
        Affine a;
        for (int r = 0; r < 3; r++) {
            for (int c = 0; c < 3; c++) a.m[r][c] = double(fScale) * kRotate.m_aafEntry[r][c];
            a.m[r][3] = (&kTranslate.x)[r];
        }
        a.m[3][3] = 1.0;
        return a;
    }
    Affine operator*(const Affine& b) const {
        Affine p;
        for (int r = 0; r < 4; r++)
            for (int c = 0; c < 4; c++)
                for (int k = 0; k < 4; k++) p.m[r][c] += m[r][k] * b.m[k][c];
        return p;
    }
    std::array<double, 3> Point(const EnVector3& v) const {
        std::array<double, 3> out{};
        for (int r = 0; r < 3; r++)
            out[r] = m[r][0] * v.x + m[r][1] * v.y + m[r][2] * v.z + m[r][3];
        return out;
    }
    double Scale() const {
        return std::sqrt(m[0][0] * m[0][0] + m[1][0] * m[1][0] + m[2][0] * m[2][0]);
    }
};

struct Sphere {
    std::array<double, 3> c{};
    double r = 0.0;
};

// The engine's merge rule, in double precision.
Sphere MergeSpheres(const Sphere& a, const Sphere& b) {
    std::array<double, 3> d{a.c[0] - b.c[0], a.c[1] - b.c[1], a.c[2] - b.c[2]};
    double L2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    double dr = b.r - a.r;
    if (dr >= 0 && dr * dr >= L2) return b;
    if (dr < 0 && dr * dr >= L2) return a;
    double L = std::sqrt(L2);
    Sphere out;
    out.c = a.c;
    if (L > 1e-6)
        for (int i = 0; i < 3; i++) out.c[i] = b.c[i] + d[i] * ((L - dr) / (2 * L));
    out.r = (a.r + b.r + L) * 0.5;
    return out;
}

struct Expected {
    Affine world;
    std::array<double, 3> velocity{};
    Sphere bound;
    bool bVisual = false;
};

// Builds a random tree under pNode and fills the independent expectations of every object.
class RandomTree {
public:
    explicit RandomTree(uint32_t uiSeed) : m_kRandom(uiSeed) {}

    float Uniform(float fLo, float fHi) {
        return std::uniform_real_distribution<float>(fLo, fHi)(m_kRandom);
    }

    void SetRandomLocal(EnAVObject* pObject) {
        pObject->SetLocalRotate(Rotation(Uniform(-3.0f, 3.0f),
                                         {Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1) + 0.01f}));
        pObject->SetLocalTranslate({Uniform(-10, 10), Uniform(-10, 10), Uniform(-10, 10)});
        pObject->SetLocalScale(Uniform(0.5f, 2.0f));
        pObject->SetLocalVelocity({Uniform(-5, 5), Uniform(-5, 5), Uniform(-5, 5)});
    }

    EnNode* Build(int iDepth) {
        EnNode* pNode = new EnNode;
        SetRandomLocal(pNode);
        int iChildren = std::uniform_int_distribution<int>(1, 4)(m_kRandom);
        for (int i = 0; i < iChildren; i++) {
            if (iDepth > 0 && Uniform(0, 1) < 0.5f) {
                pNode->AddChild(Build(iDepth - 1));
            } else {
                auto* pLeaf = new TestLeaf(EnBoundSphere(
                    {Uniform(-3, 3), Uniform(-3, 3), Uniform(-3, 3)}, Uniform(0.1f, 4.0f)));
                pLeaf->m_bVisual = Uniform(0, 1) < 0.85f;
                SetRandomLocal(pLeaf);
                pNode->AddChild(pLeaf);
            }
        }
        return pNode;
    }

private:
    std::mt19937 m_kRandom;
};

Expected Compute(const EnAVObject* pObject, const Expected* pParent) {
    Expected e;
    Affine kLocal = Affine::From(pObject->GetLocalRotate(), pObject->GetLocalTranslate(),
                                 pObject->GetLocalScale());
    const EnVector3& v = pObject->GetLocalVelocity();
    if (pParent) {
        e.world = pParent->world * kLocal;
        double s = pParent->world.Scale();
        for (int r = 0; r < 3; r++)
            e.velocity[r] = (pParent->world.m[r][0] * v.x + pParent->world.m[r][1] * v.y +
                             pParent->world.m[r][2] * v.z) /
                                s +
                            pParent->velocity[r];
    } else {
        e.world = kLocal;
        e.velocity = {v.x, v.y, v.z};
    }
    return e;
}

void ExpectNear(double dExpected, float fActual, const char* pcWhat) {
    EXPECT_NEAR(dExpected, double(fActual), 1e-3 * (1.0 + std::fabs(dExpected))) << pcWhat;
}

// Walks the tree, checks every object against the independent composition and answers the
// object's expected bound.
Expected Check(const EnAVObject* pObject, const Expected* pParent, const Sphere* pPrevBound) {
    Expected e = Compute(pObject, pParent);
    const double s = e.world.Scale();
    ExpectNear(s, pObject->GetWorldScale(), "world scale");
    for (int r = 0; r < 3; r++) {
        ExpectNear(e.world.m[r][3], (&pObject->GetWorldTranslate().x)[r], "world translate");
        ExpectNear(e.velocity[r], (&pObject->GetWorldVelocity().x)[r], "world velocity");
        for (int c = 0; c < 3; c++)
            ExpectNear(e.world.m[r][c] / s, pObject->GetWorldRotate().m_aafEntry[r][c],
                       "world rotate");
    }

    if (auto* pLeaf = EnDynamicCast(TestLeaf, pObject)) {
        e.bVisual = pLeaf->m_bVisual;
        e.bound.c = e.world.Point(pLeaf->m_modelBound.m_center);
        e.bound.r = s * pLeaf->m_modelBound.m_fRadius;
    } else if (auto* pNode = EnDynamicCast(EnNode, pObject)) {
        bool bAny = false;
        std::vector<Sphere> kLeaves;
        for (uint32_t i = 0; i < pNode->GetArrayCount(); i++) {
            const EnAVObject* pChild = pNode->GetAt(i);
            if (!pChild) continue;
            Expected kChild = Check(pChild, &e, nullptr);
            if (!kChild.bVisual) continue;
            e.bound = bAny ? MergeSpheres(e.bound, kChild.bound) : kChild.bound;
            bAny = true;
        }
        e.bVisual = bAny;
        EXPECT_EQ(bAny, pNode->IsVisualObject());
        if (!bAny && pPrevBound) e.bound = *pPrevBound;
    }
    if (e.bVisual) {
        const EnBoundSphere& kBound = pObject->GetWorldBound();
        ExpectNear(e.bound.r, kBound.m_fRadius, "bound radius");
        for (int i = 0; i < 3; i++)
            ExpectNear(e.bound.c[i], (&kBound.m_center.x)[i], "bound centre");
    }
    return e;
}

}  // namespace

TEST(EnAVObject, RootWorldTransformIsItsLocalTransform) {
    EnPointer<TestLeaf> spLeaf = new TestLeaf(EnBoundSphere({1, 2, 3}, 2.0f));
    spLeaf->SetLocalRotate(Rotation(0.7f, {0, 0, 1}));
    spLeaf->SetLocalTranslate({4, 5, 6});
    spLeaf->SetLocalScale(3.0f);
    spLeaf->SetLocalVelocity({1, -1, 2});
    spLeaf->Update(0.0f);
    EXPECT_EQ(spLeaf->GetWorldRotate(), spLeaf->GetLocalRotate());
    EXPECT_EQ(spLeaf->GetWorldTranslate(), EnVector3(4, 5, 6));
    EXPECT_EQ(spLeaf->GetWorldScale(), 3.0f);
    EXPECT_EQ(spLeaf->GetWorldVelocity(), EnVector3(1, -1, 2));
}

TEST(EnAVObject, ParentScaleDoesNotStretchVelocity) {
    EnPointer<EnNode> spParent = new EnNode;
    spParent->SetLocalScale(2.0f);
    spParent->SetLocalVelocity({0, 3, 0});
    auto* pChild = new TestLeaf;
    pChild->SetLocalVelocity({1, 0, 0});
    pChild->SetLocalTranslate({1, 0, 0});
    spParent->AddChild(pChild);
    spParent->Update(0.0f);
    EXPECT_EQ(pChild->GetWorldVelocity(), EnVector3(1, 3, 0));
    EXPECT_EQ(pChild->GetWorldTranslate(), EnVector3(2, 0, 0));  // translation is scaled
}

TEST(EnAVObject, RandomTreesMatchIndependentComposition) {
    for (uint32_t uiSeed = 1; uiSeed <= 40; uiSeed++) {
        SCOPED_TRACE("seed " + std::to_string(uiSeed));
        RandomTree kTree(uiSeed);
        EnPointer<EnNode> spRoot = kTree.Build(4);
        spRoot->Update(0.0f);
        Check(spRoot, nullptr, nullptr);
        if (::testing::Test::HasFailure()) return;  // one seed's report is enough
    }
}

TEST(EnAVObject, UpdateOfASubtreeCarriesItsBoundToTheAncestors) {
    EnPointer<EnNode> spRoot = new EnNode;
    auto* pMiddle = new EnNode;
    auto* pLeaf = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    spRoot->AddChild(pMiddle);
    pMiddle->AddChild(pLeaf);
    spRoot->Update(0.0f);
    EXPECT_EQ(spRoot->GetWorldBound().m_center, EnVector3(0, 0, 0));

    pLeaf->SetLocalTranslate({10, 0, 0});
    pLeaf->Update(0.0f);
    EXPECT_EQ(pMiddle->GetWorldBound().m_center, EnVector3(10, 0, 0));
    EXPECT_EQ(spRoot->GetWorldBound().m_center, EnVector3(10, 0, 0));
}

TEST(EnAVObject, RayAgainstWorldBound) {
    struct Case {
        EnVector3 origin, dir;
        bool hit;
        const char* what;
    };
    const Case cases[] = {
        {{0.5f, 0, 0}, {1, 0, 0}, true, "origin inside, pointing out"},
        {{0.5f, 0, 0}, {-1, 0, 0}, true, "origin inside, pointing in"},
        {{1, 0, 0}, {1, 0, 0}, true, "origin on the sphere"},
        {{5, 0, 0}, {1, 0, 0}, false, "outside, pointing away"},
        {{5, 0, 0}, {0, 1, 0}, false, "outside, perpendicular"},
        {{5, 0, 0}, {-1, 0, 0}, true, "outside, straight at it"},
        {{5, 0.99f, 0}, {-1, 0, 0}, true, "grazing inside the radius"},
        {{5, 1.01f, 0}, {-1, 0, 0}, false, "passing just outside"},
        {{5, 0, 0}, {-1, 0.2f, 0}, true, "slanted, passes through"},
        {{5, 0, 0}, {-1, 0.3f, 0}, false, "slanted, passes by"},
    };
    EnPointer<TestLeaf> spLeaf = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    spLeaf->Update(0.0f);
    for (const Case& c : cases)
        EXPECT_EQ(spLeaf->RayIntersectsBound(c.origin, c.dir), c.hit) << c.what;
}

TEST(EnAVObject, FirstAttachedPropertyOfATypeWins) {
    EnPointer<EnNode> spRoot = new EnNode;
    auto* pLeaf = new TestLeaf;
    spRoot->AddChild(pLeaf);
    EnPointer<EnAlphaProperty> spFirst = new EnAlphaProperty;
    EnPointer<EnAlphaProperty> spSecond = new EnAlphaProperty;
    spRoot->AttachProperty(spFirst);
    spRoot->AttachProperty(spSecond);
    EXPECT_EQ(spRoot->GetProperty(EnProperty::ALPHA), spSecond.Get());  // the list's head

    spRoot->UpdateProperties();
    ASSERT_TRUE(pLeaf->GetPropertyState());
    EXPECT_EQ(pLeaf->GetPropertyState()->GetProperty(EnProperty::ALPHA), spFirst.Get());

    EnPointer<EnPropertyState> spState = spRoot->MergePropertyState(nullptr, true);
    EXPECT_EQ(spState->GetProperty(EnProperty::ALPHA), spFirst.Get());
}

TEST(EnAVObject, PropertiesMergeDownTheTreeOverDefaults) {
    // root(alpha A, zbuffer Z) -> middle(alpha B) -> leaf 1; root -> leaf 2
    EnPointer<EnNode> spRoot = new EnNode;
    auto* pMiddle = new EnNode;
    auto* pLeaf1 = new TestLeaf;
    auto* pLeaf2 = new TestLeaf;
    spRoot->AddChild(pMiddle);
    pMiddle->AddChild(pLeaf1);
    spRoot->AddChild(pLeaf2);
    EnPointer<EnAlphaProperty> spA = new EnAlphaProperty;
    EnPointer<EnAlphaProperty> spB = new EnAlphaProperty;
    EnPointer<EnZBufferProperty> spZ = new EnZBufferProperty;
    spRoot->AttachProperty(spA);
    spRoot->AttachProperty(spZ);
    pMiddle->AttachProperty(spB);

    spRoot->UpdateProperties();
    EnPropertyState* pState1 = pLeaf1->GetPropertyState();
    EnPropertyState* pState2 = pLeaf2->GetPropertyState();
    ASSERT_TRUE(pState1 && pState2);
    EXPECT_EQ(pState1->GetProperty(EnProperty::ALPHA), spB.Get());  // nearer wins
    EXPECT_EQ(pState2->GetProperty(EnProperty::ALPHA), spA.Get());
    EXPECT_EQ(pState1->GetProperty(EnProperty::ZBUFFER), spZ.Get());  // inherited
    for (int32_t iType = 0; iType < EnProperty::MAX_TYPES; iType++) {
        if (iType == EnProperty::ALPHA || iType == EnProperty::ZBUFFER) continue;
        EXPECT_EQ(pState1->GetProperty(iType), EnProperty::GetDefault(iType)) << iType;
    }

    // Starting the pass below the root still sees the ancestors' properties.
    pLeaf1->UpdateProperties();
    EXPECT_EQ(pLeaf1->GetPropertyState()->GetProperty(EnProperty::ALPHA), spB.Get());
    EXPECT_EQ(pLeaf1->GetPropertyState()->GetProperty(EnProperty::ZBUFFER), spZ.Get());

    // A node without properties hands its incoming state on unchanged.
    auto* pBare = new EnNode;
    auto* pLeaf3 = new TestLeaf;
    spRoot->AddChild(pBare);
    pBare->AddChild(pLeaf3);
    spRoot->UpdateProperties();
    EXPECT_EQ(pLeaf3->GetPropertyState(), pLeaf2->GetPropertyState());
}

TEST(EnAVObject, ControlledPropertiesRunTheirControllers) {
    EnPointer<TestLeaf> spLeaf = new TestLeaf;
    EnPointer<EnAlphaProperty> spPlain = new EnAlphaProperty;
    EnPointer<EnAlphaProperty> spAnimated = new EnAlphaProperty;
    auto* pController = new TestController;
    pController->SetTarget(spAnimated);

    spLeaf->AttachProperty(spPlain);
    EXPECT_EQ(spLeaf->GetControlledProperties(), 0);
    spLeaf->Update(1.0f);
    EXPECT_TRUE(pController->m_kTimes.empty());

    spLeaf->AttachProperty(spAnimated);
    EXPECT_EQ(spLeaf->GetControlledProperties(), 1);
    spLeaf->Update(2.0f);
    EXPECT_EQ(pController->m_kTimes, std::vector<float>{2.0f});

    EXPECT_TRUE(spLeaf->DetachProperty(spAnimated));
    EXPECT_EQ(spLeaf->GetControlledProperties(), 0);
    EXPECT_FALSE(spLeaf->DetachProperty(spAnimated));
}

TEST(EnAVObject, ControlledCountNeverExceedsThePropertyCount) {
    AssertCapture kAsserts;
    EnPointer<TestLeaf> spLeaf = new TestLeaf;
    spLeaf->IncrementControlledProperties();
    EXPECT_TRUE(kAsserts.Saw("m_iControlledProperties <= (int) m_propertyList.ItemsInList()"));
    EXPECT_EQ(spLeaf->GetControlledProperties(), 0);
}

TEST(EnAVObject, PropertyTypeOutsideTheTableFindsNothing) {
    EnPointer<TestLeaf> spLeaf = new TestLeaf;
    spLeaf->AttachProperty(new EnAlphaProperty);
    EXPECT_FALSE(spLeaf->GetProperty(-1));
    EXPECT_FALSE(spLeaf->GetProperty(EnProperty::MAX_TYPES));
    EXPECT_TRUE(spLeaf->GetProperty(EnProperty::ALPHA));
}

TEST(EnAVObject, LocalScaleMustBePositive) {
    AssertCapture kAsserts;
    EnPointer<TestLeaf> spLeaf = new TestLeaf;
    spLeaf->SetLocalScale(0.0f);
    spLeaf->SetLocalScale(-2.0f);
    EXPECT_EQ(kAsserts.Count(), 2u);
    EXPECT_TRUE(kAsserts.Saw("fScale > 0.0f"));
    EXPECT_EQ(spLeaf->GetLocalScale(), 1.0f);
}

TEST(EnAVObject, ViewerStringsOfANewObject) {
    EnPointer<TestLeaf> spLeaf = new TestLeaf;
    spLeaf->AttachProperty(new EnAlphaProperty);
    EnTArray<char*> kStrings(8, 8);
    spLeaf->AppendMemberStrings(kStrings);
    std::vector<std::string> kLines;
    for (char* pc : kStrings) kLines.emplace_back(pc);
    EnFreeViewerStrings(kStrings);

    auto Find = [&](const std::string& k) {
        for (size_t i = 0; i < kLines.size(); i++)
            if (kLines[i] == k) return int(i);
        return -1;
    };
    EXPECT_LT(Find("--- EnObject ---"), Find("--- EnObjectNET ---"));
    EXPECT_LT(Find("--- EnObjectNET ---"), Find("--- EnAVObject ---"));
    EXPECT_GE(Find("m_bAppCulled = false"), 0);
    EXPECT_GE(Find("m_ePropagate = USE_OBBS"), 0);
    EXPECT_GE(Find("m_localTranslate = (0.000000,0.000000,0.000000)"), 0);
    EXPECT_GE(Find("m_fLocalScale = 1.000000e+00"), 0);
    EXPECT_EQ(kLines.back().rfind("EnAlphaProperty = ", 0), 0u);
}

TEST(EnAVObject, MovingBoundsCollideWithinTheTimeStep) {
    EnPointer<TestLeaf> spA = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    EnPointer<TestLeaf> spB = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    spB->SetLocalTranslate({5, 0, 0});
    spA->SetLocalVelocity({2, 0, 0});
    spA->Update(0.0f);
    spB->Update(0.0f);
    EXPECT_FALSE(spA->TestBoundCollision(1.0f, spB));  // 3 apart after one unit: not yet
    EXPECT_TRUE(spA->TestBoundCollision(2.0f, spB));
    EXPECT_FALSE(spA->TestBoundCollision(2.0f, nullptr));

    EnCollisionRecord kRecord;
    ASSERT_TRUE(spA->FindBoundCollisions(2.0f, spB, kRecord));
    EXPECT_NEAR(kRecord.m_fTime, 1.5f, 1e-5f);
    EXPECT_NEAR(kRecord.m_kPoint.x, 4.0f, 1e-5f);
    EXPECT_NEAR(kRecord.m_kNormalA.x, 1.0f, 1e-5f);
    EXPECT_NEAR(kRecord.m_kNormalB.x, -1.0f, 1e-5f);
}

namespace {
std::vector<EnCollisionRecord> g_kCallbackRecords;
int32_t RecordingCallback(EnCollisionRecord& kRecord) {
    g_kCallbackRecords.push_back(kRecord);
    return 0;
}
int32_t AcceptingCallback(EnCollisionRecord& kRecord) {
    g_kCallbackRecords.push_back(kRecord);
    return 1;
}
}  // namespace

TEST(EnAVObject, CollisionCallbacksSeeTheContactFromTheirOwnSide) {
    EnPointer<TestLeaf> spA = new TestLeaf;
    EnPointer<TestLeaf> spB = new TestLeaf;
    EnPointer<TestLeaf> spTestedA = new TestLeaf;
    EnCollisionRecord kRecord;
    kRecord.m_pTopA = spA;
    kRecord.m_pTopB = spB;
    kRecord.m_pObjectA = spTestedA;
    kRecord.m_kNormalA = {1, 0, 0};
    kRecord.m_kNormalB = {-1, 0, 0};

    g_kCallbackRecords.clear();
    EXPECT_FALSE(EnAVObject::CallCollisionCallbacks(kRecord));  // nobody listens
    EXPECT_TRUE(g_kCallbackRecords.empty());

    spA->SetCollisionCallback(RecordingCallback);
    spB->SetCollisionCallback(AcceptingCallback);
    EXPECT_TRUE(EnAVObject::CallCollisionCallbacks(kRecord));
    ASSERT_EQ(g_kCallbackRecords.size(), 2u);
    EXPECT_EQ(g_kCallbackRecords[0].m_pTopA, spA.Get());
    EXPECT_EQ(g_kCallbackRecords[1].m_pTopA, spB.Get());
    EXPECT_EQ(g_kCallbackRecords[1].m_pTopB, spA.Get());
    EXPECT_EQ(g_kCallbackRecords[1].m_pObjectA, spTestedA.Get());  // tested objects stay
    EXPECT_EQ(g_kCallbackRecords[1].m_kNormalA, EnVector3(-1, 0, 0));

    spB->SetCollisionCallback(RecordingCallback);
    EXPECT_FALSE(EnAVObject::CallCollisionCallbacks(kRecord));
}

namespace {

// A volume kind for the tests: a sphere of its own, type id given at construction.
class TestVolume : public EnCollisionVolume {
public:
    explicit TestVolume(int32_t iType, float fRadius = 1.0f) : m_iType(iType), m_fRadius(fRadius) {}
    void SaveToStream(EnStream& kStream) const override { kStream.WriteF32(m_fRadius); }
    int32_t GetType() const override { return m_iType; }
    void UpdateWorld(const EnCollisionVolume& kModel, const EnMatrix3&, const EnVector3& kTranslate,
                     float fScale) override {
        m_fRadius = static_cast<const TestVolume&>(kModel).m_fRadius * fScale;
        m_kCenter = kTranslate;
        m_iUpdates++;
    }
    std::unique_ptr<EnCollisionVolume> CreateWorldCopy() const override {
        return std::make_unique<TestVolume>(m_iType, m_fRadius);
    }
    bool DiffersFrom(const EnCollisionVolume& kOther) const override {
        const auto& o = static_cast<const TestVolume&>(kOther);
        return o.m_iType != m_iType || o.m_fRadius != m_fRadius;
    }
    static EnCollisionVolume* Create(EnStream& kStream) {
        float fRadius = 0;
        kStream.ReadF32(fRadius);
        return new TestVolume(0, fRadius);
    }

    int32_t m_iType;
    float m_fRadius;
    EnVector3 m_kCenter{0, 0, 0};
    int m_iUpdates = 0;
};

std::vector<std::pair<int32_t, int32_t>> g_kVolumeCalls;

bool RecordPair(float, EnCollisionVolume& a, const EnVector3&, EnCollisionVolume& b,
                const EnVector3&) {
    g_kVolumeCalls.emplace_back(a.GetType(), b.GetType());
    return true;
}

struct VolumeTablesGuard {
    ~VolumeTablesGuard() { EnCollisionVolume::ClearTables(); }
};

}  // namespace

TEST(EnAVObject, VolumeTestsUseTheExchangedCellWhenOnlyThatIsFilled) {
    VolumeTablesGuard kGuard;
    TestVolume kA(0), kB(2);
    const EnVector3 kZero{0, 0, 0};
    g_kVolumeCalls.clear();
    EXPECT_FALSE(TestCollisionVolumes(1.0f, kA, kZero, kB, kZero));  // tables empty

    EnCollisionVolume::SetPairTest(2, 0, RecordPair);
    EXPECT_TRUE(TestCollisionVolumes(1.0f, kA, kZero, kB, kZero));
    ASSERT_EQ(g_kVolumeCalls.size(), 1u);
    EXPECT_EQ(g_kVolumeCalls[0], std::make_pair(2, 0));

    EnCollisionVolume::SetPairTest(7, 0, RecordPair);  // out of range: ignored
    TestVolume kOdd(6);
    EXPECT_FALSE(TestCollisionVolumes(1.0f, kOdd, kZero, kA, kZero));
}

TEST(EnAVObject, ObjectsWithVolumesCollideThroughTheTables) {
    VolumeTablesGuard kGuard;
    EnPointer<TestLeaf> spA = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    EnPointer<TestLeaf> spB = new TestLeaf(EnBoundSphere({0, 0, 0}, 1.0f));
    spB->SetLocalTranslate({100, 0, 0});  // bounds far apart
    spA->SetCollisionVolume(std::make_unique<TestVolume>(1));
    spA->Update(0.0f);
    spB->Update(0.0f);

    // Without a way to make a volume from B's bound, the bounds decide.
    EXPECT_FALSE(spA->TestBoundCollision(1.0f, spB));
    EnCollisionVolume::SetSphereHook([](float fRadius, const EnBoundSphere&) -> EnCollisionVolume* {
        return new TestVolume(3, fRadius);
    });
    EnCollisionVolume::SetPairTest(1, 3, RecordPair);
    g_kVolumeCalls.clear();
    EXPECT_TRUE(spA->TestBoundCollision(1.0f, spB));
    EXPECT_EQ(g_kVolumeCalls, (std::vector<std::pair<int32_t, int32_t>>{{1, 3}}));
    auto* pWorld = static_cast<TestVolume*>(spA->GetWorldCollisionVolume());
    EXPECT_EQ(pWorld->m_iUpdates, 2);  // refreshed before each of the two tests
}

TEST(EnAVObject, CollisionVolumeTravelsWithTheRecordWhenItsKindIsKnown) {
    VolumeTablesGuard kGuard;
    TempDir kDir;
    EnPointer<TestLeaf> spLeaf = new TestLeaf;
    spLeaf->SetCollisionVolume(std::make_unique<TestVolume>(0, 2.5f));

    // Without the kind the rest of the record cannot be found: the load is refused.
    const std::string kSaved = SaveScene(kDir.File("v.enf"), {spLeaf});
    ASSERT_NE(kSaved, "");
    {
        EnStream kStream;
        EXPECT_FALSE(kStream.Load(kDir.File("v.enf").c_str()));
        EXPECT_EQ(EnStream::GetLastErrorCode(), EnStream::ERROR_BAD_RECORD);
    }
    EnCollisionVolume::SetCreator(0, TestVolume::Create);
    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kDir.File("v.enf").c_str()));
    auto* pLoaded = EnDynamicCast(TestLeaf, kStream.GetObjectAt(0));
    ASSERT_TRUE(pLoaded && pLoaded->GetCollisionVolume() && pLoaded->GetWorldCollisionVolume());
    EXPECT_TRUE(pLoaded->EqualsObject(spLeaf));
    EXPECT_TRUE(SaveScene(kDir.File("again.enf"), {pLoaded}) == kSaved);
    pLoaded->SetCollisionVolume(std::make_unique<TestVolume>(0, 3.0f));
    EXPECT_FALSE(pLoaded->EqualsObject(spLeaf));
    pLoaded->SetCollisionVolume(nullptr);
    EXPECT_FALSE(pLoaded->EqualsObject(spLeaf));
    EXPECT_FALSE(pLoaded->GetWorldCollisionVolume());
}

TEST(EnAVObject, LoadingRestoresThePropertyListOrder) {
    TempDir kDir;
    EnPointer<TestLeaf> spLeaf = new TestLeaf;
    EnPointer<EnAlphaProperty> spA = new EnAlphaProperty;
    EnPointer<EnZBufferProperty> spZ = new EnZBufferProperty;
    EnPointer<EnAlphaProperty> spC = new EnAlphaProperty;
    spA->SetName("a");
    spZ->SetName("z");
    spC->SetName("c");
    spLeaf->AttachProperty(spA);
    spLeaf->AttachProperty(spZ);
    spLeaf->AttachProperty(spC);
    ASSERT_NE(SaveScene(kDir.File("p.enf"), {spLeaf}), "");

    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kDir.File("p.enf").c_str()));
    auto* pLoaded = EnDynamicCast(TestLeaf, kStream.GetObjectAt(0));
    ASSERT_TRUE(pLoaded);
    std::vector<std::string> kNames;
    const auto& kList = pLoaded->GetPropertyList();
    for (EnTListIterator pos = kList.GetHeadPos(); pos;)
        kNames.emplace_back(kList.GetNext(pos)->GetName());
    EXPECT_EQ(kNames, (std::vector<std::string>{"c", "z", "a"}));
    EXPECT_TRUE(pLoaded->EqualsObject(spLeaf));
}

TEST(EnAVObject, LoadedControlledPropertiesAreCountedOnceLinked) {
    TempDir kDir;
    EnPointer<TestLeaf> spLeaf = new TestLeaf;
    EnPointer<EnAlphaProperty> spAnimated = new EnAlphaProperty;
    (new TestController)->SetTarget(spAnimated);
    spLeaf->AttachProperty(spAnimated);
    ASSERT_NE(SaveScene(kDir.File("c.enf"), {spLeaf}), "");

    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kDir.File("c.enf").c_str()));
    auto* pLoaded = EnDynamicCast(TestLeaf, kStream.GetObjectAt(0));
    ASSERT_TRUE(pLoaded);
    EXPECT_EQ(pLoaded->GetControlledProperties(), 1);
    pLoaded->Update(3.0f);
    auto* pController = EnDynamicCast(
        TestController, pLoaded->GetProperty(EnProperty::ALPHA)->GetFirstController());
    ASSERT_TRUE(pController);
    EXPECT_EQ(pController->m_kTimes, std::vector<float>{3.0f});
}
