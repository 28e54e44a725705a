#include "engine/core/EnObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/EnPointer.h"
#include "engine/core/EnTArray.h"
#include "engine/core/EnViewerStrings.h"
#include "tests/support/AssertCapture.h"

namespace {

// A small hierarchy standing in for the scene classes: Shape <- Solid <- Cube, and Shape <- Flat.
class KindShape : public EnObject {
    EN_DECLARE_RTTI;

public:
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override {
        EnObject::AppendMemberStrings(kStrings);
        kStrings.Add(MakeViewerTitle("KindShape"));
        kStrings.Add(MakeViewerInt("m_iSides", m_iSides));
    }
    int m_iSides = 4;
};
class KindSolid : public KindShape {
    EN_DECLARE_RTTI;

public:
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override {
        KindShape::AppendMemberStrings(kStrings);
        kStrings.Add(MakeViewerTitle("KindSolid"));
        kStrings.Add(MakeViewerBool("m_bHollow", m_bHollow));
    }
    bool m_bHollow = false;
};
class KindCube : public KindSolid {
    EN_DECLARE_RTTI;
};
class KindFlat : public KindShape {
    EN_DECLARE_RTTI;
};
EN_IMPLEMENT_RTTI(KindShape, EnObject);
EN_IMPLEMENT_RTTI(KindSolid, KindShape);
EN_IMPLEMENT_RTTI(KindCube, KindSolid);
EN_IMPLEMENT_RTTI(KindFlat, KindShape);

// A class that clones itself and records the clone steps run on the source.
class KindCloneable : public EnObject {
    EN_DECLARE_RTTI;

public:
    EnObject* CloneObject() override {
        auto* pCopy = new KindCloneable;
        pCopy->m_iValue = m_iValue;
        m_kSteps.push_back("object");
        return pCopy;
    }
    void CloneFixup(EnObject* pCopy) override {
        m_kSteps.push_back("fixup");
        static_cast<KindCloneable*>(pCopy)->m_pSource = this;
    }
    void CloneCleanup() override { m_kSteps.push_back("cleanup"); }
    int m_iValue = 0;
    KindCloneable* m_pSource = nullptr;
    std::vector<std::string> m_kSteps;
};
EN_IMPLEMENT_RTTI(KindCloneable, EnObject);

struct KindCase {
    const EnObject* m_pObject;
    const EnTypeRecord* m_pRecord;
    bool m_bKind;
    bool m_bExact;
};

TEST(EnObject, KindTestsWalkTheBaseRecords) {
    KindCube kCube;
    KindFlat kFlat;
    const KindCase kCases[] = {
        {&kCube, &KindCube::ms_RTTI, true, true},   {&kCube, &KindSolid::ms_RTTI, true, false},
        {&kCube, &KindShape::ms_RTTI, true, false}, {&kCube, &EnObject::ms_RTTI, true, false},
        {&kCube, &KindFlat::ms_RTTI, false, false}, {&kFlat, &KindSolid::ms_RTTI, false, false},
        {&kFlat, &KindShape::ms_RTTI, true, false},
    };
    for (const KindCase& c : kCases) {
        EXPECT_EQ(c.m_pObject->IsKindOf(c.m_pRecord), c.m_bKind)
            << c.m_pObject->GetClassName() << " / " << c.m_pRecord->GetName();
        EXPECT_EQ(c.m_pObject->IsExactKindOf(c.m_pRecord), c.m_bExact)
            << c.m_pObject->GetClassName() << " / " << c.m_pRecord->GetName();
    }
    EXPECT_TRUE(EnIsKindOf(KindShape, &kCube));
    EXPECT_FALSE(EnIsExactKindOf(KindShape, &kCube));
    EXPECT_FALSE(EnIsKindOf(KindShape, static_cast<EnObject*>(nullptr)));
    EXPECT_EQ(EnDynamicCast(KindSolid, static_cast<EnObject*>(&kCube)), &kCube);
    EXPECT_EQ(EnDynamicCast(KindSolid, static_cast<EnObject*>(&kFlat)), nullptr);
    EXPECT_STREQ(kCube.GetTypeRecord()->GetName(), "KindCube");
    EXPECT_EQ(kCube.GetTypeRecord()->GetBaseType(), &KindSolid::ms_RTTI);
    EXPECT_EQ(EnObject::ms_RTTI.GetBaseType(), nullptr);
}

TEST(EnObject, LastReleaseDestroysOnceAndLowersTheLiveCount) {
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    auto* pCube = new KindCube;
    EXPECT_EQ(pCube->GetRefCount(), 0);
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive + 1);
    pCube->AddReference();
    pCube->AddReference();
    EXPECT_EQ(pCube->ReleaseReference(), 1);
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive + 1);
    EXPECT_EQ(pCube->ReleaseReference(), 0);
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnObject, ReleaseBelowZeroIsReported) {
    AssertCapture kAsserts;
    KindCube kCube;  // never referenced: releasing it is a programming error
    EXPECT_EQ(kCube.ReleaseReference(), -1);
    EXPECT_EQ(kAsserts.Conditions(), std::vector<std::string>{"iRefCount >= 0"});
    kCube.AddReference();
}

TEST(EnObject, CloneRunsTheThreeStepsOnTheSource) {
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    {
        EnPointer<KindCloneable> spSource = new KindCloneable;
        spSource->m_iValue = 42;
        EnPointer<EnObject> spCopy = spSource->MakeClone();
        ASSERT_NE(spCopy.Get(), spSource.Get());
        EXPECT_EQ(spCopy->GetRefCount(), 1);  // the copy started at 0
        auto* pCopy = static_cast<KindCloneable*>(spCopy.Get());
        EXPECT_EQ(pCopy->m_iValue, 42);
        EXPECT_EQ(pCopy->m_pSource, spSource.Get());
        EXPECT_EQ(spSource->m_kSteps, (std::vector<std::string>{"object", "fixup", "cleanup"}));
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnObject, CloneOfAClassWithoutCloneObjectIsTheObjectItself) {
    KindCube kCube;
    EXPECT_EQ(kCube.MakeClone(), &kCube);
}

TEST(EnObject, EqualsObjectComparesClassNames) {
    KindCube kCube1;
    KindFlat kFlat;
    EnPointer<KindCube> spCube2 = new KindCube;  // a reference count of 1 against 0
    EXPECT_TRUE(kCube1.EqualsObject(spCube2));
    EXPECT_FALSE(kCube1.EqualsObject(&kFlat));
    EXPECT_FALSE(kFlat.EqualsObject(spCube2));
    EXPECT_FALSE(kCube1.EqualsObject(nullptr));
}

TEST(EnObject, DumpListsEachLevelFromEnObjectDown) {
    KindSolid kSolid;
    kSolid.m_bHollow = true;
    EnTArray<char*> kStrings(1, 4);
    kSolid.AppendMemberStrings(kStrings);
    char acThis[64];
    std::snprintf(acThis, sizeof acThis, "this = %p", static_cast<const void*>(&kSolid));
    std::vector<std::string> kLines;
    for (char* pc : kStrings) kLines.emplace_back(pc);
    EXPECT_EQ(kLines, (std::vector<std::string>{"--- EnObject ---", acThis, "m_iRefCount = 0",
                                                "--- KindShape ---", "m_iSides = 4",
                                                "--- KindSolid ---", "m_bHollow = true"}));
    EnFreeViewerStrings(kStrings);
    EXPECT_EQ(kStrings.GetSize(), 0u);
}

TEST(EnObject, CloneNameModeIsKeptProcessWide) {
    uint32_t uiOld = EnObject::GetCloneNameMode();
    EnObject::SetCloneNameMode(2);
    EXPECT_EQ(EnObject::GetCloneNameMode(), 2u);
    EnObject::SetCloneNameMode(uiOld);
}

}  // namespace
