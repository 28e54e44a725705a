#include "engine/core/EnObjectNET.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/EnCloneExtraData.h"
#include "engine/core/EnStringExtraData.h"
#include "engine/core/EnTimeController.h"
#include "tests/engine/core/SceneFileHelpers.h"

namespace {

// The smallest concrete named object and controller, streamable under their own names.
class NetTestObject : public EnObjectNET {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnObject* CloneObject() override {
        auto* pCopy = new NetTestObject;
        CopyMembersForClone(pCopy);
        return pCopy;
    }
};
EN_IMPLEMENT_RTTI(NetTestObject, EnObjectNET);
EN_IMPLEMENT_STREAM(NetTestObject);

class NetTestController : public EnTimeController {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnObject* CloneObject() override {
        auto* pCopy = new NetTestController;
        CopyMembers(pCopy);
        return pCopy;
    }
    void Update(float fTime) override { m_kTimes.push_back(fTime); }
    bool IsTargetTypeValid() const override { return true; }
    std::vector<float> m_kTimes;
};
EN_IMPLEMENT_RTTI(NetTestController, EnTimeController);
EN_IMPLEMENT_STREAM(NetTestController);

// Restores the process-wide clone-name mode.
class CloneNameMode {
public:
    explicit CloneNameMode(uint32_t uiMode) : m_uiOld(EnObject::GetCloneNameMode()) {
        EnObject::SetCloneNameMode(uiMode);
    }
    ~CloneNameMode() { EnObject::SetCloneNameMode(m_uiOld); }

private:
    uint32_t m_uiOld;
};

std::string TextOf(const EnExtraData* p) {
    auto* pText = EnDynamicCast(EnStringExtraData, p);
    return pText && pText->GetValue() ? pText->GetValue() : "?";
}

std::vector<std::string> ChainTexts(const EnObjectNET& kObject) {
    std::vector<std::string> kTexts;
    for (const EnExtraData* p = kObject.GetFirstExtraData(); p; p = p->GetNext())
        kTexts.push_back(EnIsExactKindOf(EnCloneExtraData, p) ? "<mark>" : TextOf(p));
    return kTexts;
}

// An object whose extra data read texts[0], texts[1], ... from the head.
EnPointer<NetTestObject> MakeObject(const char* pcName, const std::vector<std::string>& kTexts) {
    EnPointer<NetTestObject> sp(new NetTestObject);
    sp->SetName(pcName);
    for (auto it = kTexts.rbegin(); it != kTexts.rend(); ++it)
        sp->AddExtraData(new EnStringExtraData(it->c_str()));
    return sp;
}

using Texts = std::vector<std::string>;

TEST(EnObjectNET, NamesAreCopied) {
    EnPointer<NetTestObject> sp(new NetTestObject);
    EXPECT_EQ(sp->GetName(), nullptr);
    std::string name = "wheel";
    sp->SetName(name.c_str());
    name[0] = 'W';
    EXPECT_STREQ(sp->GetName(), "wheel");
    sp->SetName(nullptr);
    EXPECT_EQ(sp->GetName(), nullptr);
}

TEST(EnObjectNET, RemovingExtraDataUnhooksItFromAnyPlaceInTheChain) {
    struct Case {
        int iRemove;  // index into the chain, -1 for a datum outside it, -2 for null
        Texts kLeft;
    };
    const Case cases[] = {
        {0, {"b", "c"}},       {1, {"a", "c"}},       {2, {"a", "b"}},
        {-1, {"a", "b", "c"}}, {-2, {"a", "b", "c"}},
    };
    for (const Case& c : cases) {
        EnPointer<NetTestObject> sp = MakeObject("o", {"a", "b", "c"});
        EnPointer<EnExtraData> spOutside(new EnStringExtraData("x"));
        EnExtraData* pRemove = nullptr;
        if (c.iRemove == -1) pRemove = spOutside;
        for (int i = 0; c.iRemove >= 0 && i <= c.iRemove; i++)
            pRemove = i == 0 ? sp->GetFirstExtraData() : pRemove->GetNext();
        EnPointer<EnExtraData> spHeld(pRemove);
        sp->RemoveExtraData(pRemove);
        EXPECT_EQ(ChainTexts(*sp), c.kLeft) << "removing " << c.iRemove;
        if (pRemove) {
            EXPECT_EQ(pRemove->GetNext(), nullptr);
        }
    }
}

TEST(EnObjectNET, TheChainOwnsItsExtraData) {
    const uint32_t uiLive = EnObject::GetLiveObjectCount();
    EnPointer<NetTestObject> sp = MakeObject("o", {"only"});
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive + 2);
    // Nobody else holds it, so removing it destroys it.
    sp->RemoveExtraData(sp->GetFirstExtraData());
    EXPECT_EQ(sp->GetFirstExtraData(), nullptr);
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive + 1);

    // Setting the head drops the old chain rather than keeping it behind the new head.
    sp = MakeObject("o", {"a", "b"});
    sp->SetExtraData(new EnStringExtraData("new"));
    EXPECT_EQ(ChainTexts(*sp), Texts{"new"});
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive + 2);
    sp->AddExtraData(nullptr);
    EXPECT_EQ(ChainTexts(*sp), Texts{"new"});

    // A datum outside the chain is not the chain's to release, even when nobody holds it yet.
    auto* pOutside = new EnStringExtraData("outside");
    sp->RemoveExtraData(pOutside);
    EXPECT_EQ(pOutside->GetRefCount(), 0);
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive + 3);
    delete pOutside;
    (new NetTestController)->SetTarget(sp);
    auto* pLoose = new NetTestController;
    sp->RemoveController(pLoose);
    EXPECT_EQ(EnTimeController::GetChainLength(sp->GetFirstController()), 1u);
    EXPECT_EQ(pLoose->GetRefCount(), 0);
    delete pLoose;
    sp = nullptr;
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnObjectNET, ControllersJoinAtTheHeadAndLeaveFromAnywhere) {
    EnPointer<NetTestObject> sp(new NetTestObject);
    NetTestController* apControllers[3];
    for (NetTestController*& p : apControllers) {
        p = new NetTestController;
        p->SetTarget(sp);
    }
    EXPECT_EQ(sp->GetFirstController(), apControllers[2]);
    EXPECT_EQ(EnTimeController::GetChainLength(sp->GetFirstController()), 3u);

    EnPointer<NetTestController> spMiddle(apControllers[1]);
    sp->RemoveController(apControllers[1]);
    EXPECT_EQ(sp->GetFirstController(), apControllers[2]);
    EXPECT_EQ(apControllers[2]->GetNext(), apControllers[0]);
    EXPECT_EQ(spMiddle->GetNext(), nullptr);
    sp->RemoveController(spMiddle);  // no longer in the chain: nothing happens
    sp->RemoveController(nullptr);
    EXPECT_EQ(EnTimeController::GetChainLength(sp->GetFirstController()), 2u);
}

TEST(EnObjectNET, CloneNamesFollowTheCloneNameMode) {
    struct Case {
        uint32_t uiMode;
        const char* pcName;
        const char* pcCopy;
        const char* pcCopyOfCopy;
    };
    const Case cases[] = {
        {0, "body", nullptr, nullptr},  {1, "body", "body", "body"},
        {2, "body", "body$", "body$$"}, {2, nullptr, nullptr, nullptr},
        {7, "body", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        CloneNameMode kMode(c.uiMode);
        EnPointer<NetTestObject> sp = MakeObject(c.pcName, {});
        EnPointer<NetTestObject> spCopy(static_cast<NetTestObject*>(sp->MakeClone()));
        EnPointer<NetTestObject> spCopy2(static_cast<NetTestObject*>(spCopy->MakeClone()));
        auto Name = [](const char* pc) { return std::string(pc ? pc : "(null)"); };
        EXPECT_EQ(Name(spCopy->GetName()), Name(c.pcCopy)) << "mode " << c.uiMode;
        EXPECT_EQ(Name(spCopy2->GetName()), Name(c.pcCopyOfCopy)) << "mode " << c.uiMode;
    }
}

TEST(EnObjectNET, ACloneGetsTheExtraDataReversedAndNoMark) {
    EnPointer<NetTestObject> sp = MakeObject("o", {"A", "B"});
    EnPointer<NetTestObject> spCopy(static_cast<NetTestObject*>(sp->MakeClone()));
    EXPECT_EQ(ChainTexts(*spCopy), (Texts{"B", "A"}));
    EXPECT_EQ(ChainTexts(*sp), (Texts{"A", "B"}));
    EXPECT_NE(spCopy->GetFirstExtraData(), sp->GetFirstExtraData()->GetNext());
}

TEST(EnObjectNET, TheCloneMarkTiesSourceToCopyUntilCleanup) {
    EnPointer<NetTestObject> sp = MakeObject("o", {"A"});
    EnPointer<NetTestObject> spCopy(static_cast<NetTestObject*>(sp->CloneObject()));
    EXPECT_EQ(ChainTexts(*sp), (Texts{"<mark>", "A"}));
    EXPECT_EQ(sp->GetCloneCopy(), spCopy.Get());
    EXPECT_EQ(spCopy->GetCloneCopy(), nullptr);

    // A second copy while the mark is there: no second mark, and the mark is not copied.
    EnPointer<NetTestObject> spCopy2(static_cast<NetTestObject*>(sp->CloneObject()));
    EXPECT_EQ(ChainTexts(*sp), (Texts{"<mark>", "A"}));
    EXPECT_EQ(ChainTexts(*spCopy2), Texts{"A"});
    EXPECT_EQ(sp->GetCloneCopy(), spCopy.Get());

    sp->CloneFixup(spCopy);
    sp->CloneCleanup();
    EXPECT_EQ(ChainTexts(*sp), Texts{"A"});
    EXPECT_EQ(sp->GetCloneCopy(), nullptr);
}

TEST(EnObjectNET, ACloneIsEqualButIndependent) {
    CloneNameMode kMode(1);
    EnPointer<NetTestObject> sp = MakeObject("car", {"tag"});
    auto* pController = new NetTestController;
    pController->SetFrequency(2.0f);
    pController->SetTarget(sp);

    EnPointer<NetTestObject> spCopy(static_cast<NetTestObject*>(sp->MakeClone()));
    EXPECT_TRUE(spCopy->EqualsObject(sp));
    EXPECT_TRUE(sp->EqualsObject(spCopy));
    ASSERT_NE(spCopy->GetFirstController(), nullptr);
    EXPECT_NE(spCopy->GetFirstController(), pController);
    EXPECT_EQ(spCopy->GetFirstController()->GetTarget(), spCopy.Get());
    EXPECT_EQ(pController->GetTarget(), sp.Get());
    EXPECT_EQ(spCopy->GetFirstController()->GetFrequency(), 2.0f);

    spCopy->SetName("other");
    static_cast<EnStringExtraData*>(spCopy->GetFirstExtraData())->SetValue("changed");
    spCopy->GetFirstController()->SetFrequency(3.0f);
    EXPECT_STREQ(sp->GetName(), "car");
    EXPECT_EQ(TextOf(sp->GetFirstExtraData()), "tag");
    EXPECT_EQ(pController->GetFrequency(), 2.0f);
    EXPECT_FALSE(spCopy->EqualsObject(sp));
}

TEST(EnObjectNET, EqualityComparesNamesAndBothChains) {
    struct Case {
        const char *pcNameA, *pcNameB;
        Texts kA, kB;
        int iControllersA, iControllersB;
        bool bEqual;
    };
    const Case cases[] = {
        {"a", "a", {"x"}, {"x"}, 1, 1, true},
        {nullptr, nullptr, {}, {}, 0, 0, true},
        {"a", nullptr, {}, {}, 0, 0, false},
        {"a", "b", {}, {}, 0, 0, false},
        {"a", "a", {"x"}, {"x", "y"}, 0, 0, false},  // one more extra datum
        {"a", "a", {"x", "y"}, {"y", "x"}, 0, 0, false},
        {"a", "a", {}, {}, 1, 2, false},
        {"a", "a", {}, {}, 2, 2, true},
    };
    for (const Case& c : cases) {
        EnPointer<NetTestObject> spA = MakeObject(c.pcNameA, c.kA);
        EnPointer<NetTestObject> spB = MakeObject(c.pcNameB, c.kB);
        for (int i = 0; i < c.iControllersA; i++) (new NetTestController)->SetTarget(spA);
        for (int i = 0; i < c.iControllersB; i++) (new NetTestController)->SetTarget(spB);
        EXPECT_EQ(spA->EqualsObject(spB), c.bEqual) << (c.pcNameA ? c.pcNameA : "null");
        EXPECT_EQ(spB->EqualsObject(spA), c.bEqual);
    }
    EnPointer<NetTestObject> sp = MakeObject("a", {});
    EXPECT_FALSE(sp->EqualsObject(nullptr));
}

TEST(EnObjectNET, ScenesKeepNameExtraDataAndControllers) {
    EnPointer<NetTestObject> sp = MakeObject("chassis", {"first", "second"});
    sp->AddExtraData(new EnExtraData("\x01\x02", 2));
    for (float fPhase : {0.5f, 1.5f}) {
        auto* p = new NetTestController;
        p->SetPhase(fPhase);
        p->SetTarget(sp);
    }
    EnPointer<NetTestObject> spBare(new NetTestObject);
    LoadedScene kScene = RoundTripScene({sp, spBare});
    auto* pLoaded = kScene.Get<NetTestObject>(0);
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_STREQ(pLoaded->GetName(), "chassis");
    EXPECT_EQ(EnExtraData::GetChainLength(pLoaded->GetFirstExtraData()), 3u);
    ASSERT_EQ(EnTimeController::GetChainLength(pLoaded->GetFirstController()), 2u);
    EXPECT_EQ(pLoaded->GetFirstController()->GetPhase(), 1.5f);
    EXPECT_EQ(pLoaded->GetFirstController()->GetTarget(), pLoaded);

    // The record of the bare object: name (length 0), no extra data, no controller.
    const std::string file = SaveSceneBytes({spBare});
    EXPECT_EQ(FieldsAfter(file, SceneBytes().Str("NetTestObject").U32(1).s),
              SceneBytes().U32(0).U32(0).U32(0).s);
}

TEST(EnObjectNET, LinksOfTheWrongClassFailTheLoad) {
    struct Case {
        const char* pcWhat;
        uint32_t uiExtraID, uiControllerID;
    };
    // Object 1 names object 2 (a string datum) or object 3 (a controller) in either slot.
    const Case cases[] = {
        {"sound links", 2, 3},
        {"a controller as extra data", 3, 0},
        {"extra data as a controller", 0, 2},
        {"itself as extra data", 1, 0},
    };
    for (const Case& c : cases) {
        SceneBytes b;
        b.s = SceneHeader();
        b.Top().NamedHead("NetTestObject", 1, "n", c.uiExtraID, c.uiControllerID);
        b.Str("EnStringExtraData").U32(2).U32(0).U32(2).Str("t");
        b.Str("NetTestController").U32(3).U32(0).U16(12).F32(1).F32(0).F32(0).F32(1).U32(1);
        b.End();
        LoadedScene kScene = LoadSceneBytes(b.s);
        const bool bSound = c.uiExtraID != 3 && c.uiControllerID != 2 && c.uiExtraID != 1;
        EXPECT_EQ(kScene.bLoaded, bSound) << c.pcWhat;
        if (!bSound) {
            EXPECT_EQ(kScene.uiError, EnStream::ERROR_WRONG_LINK_CLASS) << c.pcWhat;
        }
    }
}

TEST(EnObjectNET, DumpsNameThenEveryExtraDatumThenEveryController) {
    EnPointer<NetTestObject> sp = MakeObject("hub", {"t"});
    (new NetTestController)->SetTarget(sp);
    const std::vector<std::string> kLines = DumpLines(*sp);
    std::vector<std::string> kTitles;
    for (const std::string& line : kLines)
        if (line.rfind("--- ", 0) == 0) kTitles.push_back(line);
    EXPECT_EQ(kTitles, (std::vector<std::string>{"--- EnObject ---", "--- EnObjectNET ---",
                                                 "--- EnExtraData ---", "--- EnStringExtraData ---",
                                                 "--- EnObject ---", "--- EnTimeController ---"}));
    EXPECT_EQ(kLines[4], "m_pName = hub");
    EnPointer<NetTestObject> spUnnamed(new NetTestObject);
    EXPECT_EQ(DumpLines(*spUnnamed).back(), "m_pName = NULL");
}

}  // namespace
