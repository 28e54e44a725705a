#include "engine/core/EnExtraData.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/EnCloneExtraData.h"
#include "engine/core/EnStringExtraData.h"
#include "engine/core/EnVertWeightsExtraData.h"
#include "engine/core/EnZBufferProperty.h"
#include "tests/engine/core/SceneFileHelpers.h"

namespace {

EnPointer<EnExtraData> MakeChain(const std::vector<std::string>& kTexts) {
    EnPointer<EnExtraData> spHead;
    for (auto it = kTexts.rbegin(); it != kTexts.rend(); ++it) {
        EnExtraData* pNew = new EnExtraData(it->data(), uint32_t(it->size()));
        pNew->SetNext(spHead);
        spHead = pNew;
    }
    return spHead;
}

std::string BytesOf(const EnExtraData* p) {
    return p && p->GetData()
               ? std::string(reinterpret_cast<const char*>(p->GetData()), p->GetSize())
               : std::string();
}

TEST(EnExtraData, RawBytesAreCopiedAndOnlyTheExactClassKeepsThem) {
    const char acBytes[3] = {1, 2, 3};
    EnPointer<EnExtraData> spRaw(new EnExtraData(acBytes, 3));
    EXPECT_EQ(BytesOf(spRaw), std::string("\1\2\3", 3));
    EXPECT_NE(static_cast<const void*>(spRaw->GetData()), static_cast<const void*>(acBytes));

    EnPointer<EnStringExtraData> spText(new EnStringExtraData("abc"));
    spText->SetData(acBytes, 3);
    EXPECT_EQ(spText->GetSize(), 3u);
    EXPECT_EQ(spText->GetData(), nullptr);

    EnPointer<EnExtraData> spEmpty(new EnExtraData(nullptr, 0));
    EXPECT_EQ(spEmpty->GetData(), nullptr);
    EnPointer<EnExtraData> spZeros(new EnExtraData(nullptr, 2));
    EXPECT_EQ(BytesOf(spZeros), std::string(2, '\0'));
}

TEST(EnExtraData, SizeZeroWritesAndReadsNoBytes) {
    EnPointer<EnExtraData> spEmpty(new EnExtraData);
    const std::string file = SaveSceneBytes({spEmpty});
    // Class name, link ID, next ID, size, then straight to the end marker.
    const std::string record = SceneBytes().Str("EnExtraData").U32(1).U32(0).U32(0).End().s;
    EXPECT_NE(file.find(record), std::string::npos);

    LoadedScene kScene = RoundTripScene({spEmpty});
    auto* pLoaded = kScene.Get<EnExtraData>(0);
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_EQ(pLoaded->GetSize(), 0u);
    EXPECT_EQ(pLoaded->GetData(), nullptr);
}

TEST(EnExtraData, ChainsRoundTripAndCompareLinkByLink) {
    EnPointer<EnExtraData> spChain = MakeChain({"one", "two", "three"});
    LoadedScene kScene = RoundTripScene({spChain});
    auto* pLoaded = kScene.Get<EnExtraData>(0);
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_EQ(EnExtraData::GetChainLength(pLoaded), 3u);
    EXPECT_EQ(BytesOf(pLoaded->GetNext()->GetNext()), "three");

    struct Case {
        std::vector<std::string> a, b;
        bool bEqual;
    };
    const Case cases[] = {
        {{"x", "y"}, {"x", "y"}, true},
        {{"x", "y"}, {"x", "z"}, false},  // same head bytes, different next
        {{"x", "y"}, {"x"}, false},       // one chain is longer
        {{"x"}, {"xy"}, false},           // sizes differ
        {{""}, {""}, true},
    };
    for (const Case& c : cases) {
        EnPointer<EnExtraData> spA = MakeChain(c.a), spB = MakeChain(c.b);
        EXPECT_EQ(spA->EqualsObject(spB), c.bEqual) << c.a[0] << " vs " << c.b[0];
        EXPECT_EQ(spB->EqualsObject(spA), c.bEqual);
    }
    EXPECT_FALSE(spChain->EqualsObject(nullptr));
    EXPECT_EQ(EnExtraData::GetChainLength(nullptr), 0u);
}

TEST(EnExtraData, CloningTheHeadClonesTheWholeChainApart) {
    EnPointer<EnExtraData> spChain = MakeChain({"a", "b", "c"});
    EnPointer<EnExtraData> spCopy(static_cast<EnExtraData*>(spChain->MakeClone()));
    ASSERT_EQ(EnExtraData::GetChainLength(spCopy), 3u);
    EXPECT_TRUE(spCopy->EqualsObject(spChain));
    for (const EnExtraData *pA = spChain, *pB = spCopy; pA;
         pA = pA->GetNext(), pB = pB->GetNext()) {
        EXPECT_NE(pA, pB);
        EXPECT_NE(pA->GetData(), pB->GetData());
    }
    spCopy->GetNext()->SetData("B", 1);
    EXPECT_EQ(BytesOf(spChain->GetNext()), "b");
}

TEST(EnExtraData, AClonedChainLeavesTheCloneMarkBehind) {
    EnPointer<EnExtraData> spChain = MakeChain({"a", "b"});
    // A mark in the middle of a chain (another object's clone pass under way) is not data.
    EnPointer<EnCloneExtraData> spMark(new EnCloneExtraData(nullptr));
    spMark->SetNext(spChain->GetNext());
    spChain->SetNext(spMark);
    EnPointer<EnExtraData> spCopy(static_cast<EnExtraData*>(spChain->MakeClone()));
    ASSERT_EQ(EnExtraData::GetChainLength(spCopy), 2u);
    EXPECT_EQ(BytesOf(spCopy->GetNext()), "b");

    // Cloning a mark on purpose gives a plain extra datum.
    EnPointer<EnExtraData> spMarkCopy(static_cast<EnExtraData*>(spMark->CloneSingle()));
    EXPECT_TRUE(EnIsExactKindOf(EnExtraData, spMarkCopy.Get()));
}

TEST(EnExtraData, LongChainsAreWalkedWithoutNesting) {
    // Deep enough that a destructor, comparison, clone or save nesting one call per link would
    // overflow the stack.
    constexpr uint32_t kLength = 200000;
    const uint32_t uiLiveBefore = EnObject::GetLiveObjectCount();
    {
        EnPointer<EnExtraData> spHead(new EnExtraData("x", 1));
        EnExtraData* pTail = spHead;
        for (uint32_t i = 1; i < kLength; i++) {
            EnExtraData* pNew = new EnExtraData("y", 1);
            pTail->SetNext(pNew);
            pTail = pNew;
        }
        EnPointer<EnExtraData> spCopy(static_cast<EnExtraData*>(spHead->MakeClone()));
        EXPECT_EQ(EnExtraData::GetChainLength(spCopy), kLength);
        EXPECT_TRUE(spHead->EqualsObject(spCopy));
        LoadedScene kScene = LoadSceneBytes(SaveSceneBytes({spHead}));
        ASSERT_TRUE(kScene.bLoaded);
        EXPECT_EQ(EnExtraData::GetChainLength(kScene.Get<EnExtraData>(0)), kLength);
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLiveBefore);
}

TEST(EnExtraData, AFileWhoseNextLinksCloseALoopIsRefused) {
    struct Case {
        const char* pcWhat;
        std::vector<std::pair<uint32_t, uint32_t>> kLinks;  // (link ID, next ID) in file order
    };
    const Case cases[] = {
        {"itself", {{1, 1}}},
        {"two", {{1, 2}, {2, 1}}},
        {"three, closed last", {{1, 2}, {2, 3}, {3, 1}}},
        {"three, closed in the middle", {{3, 1}, {1, 2}, {2, 3}}},
        {"a tail into a loop", {{4, 1}, {1, 2}, {2, 3}, {3, 2}}},
    };
    for (const Case& c : cases) {
        SceneBytes b;
        b.s = SceneHeader();
        b.Top();
        for (auto [uiID, uiNext] : c.kLinks) b.Str("EnExtraData").U32(uiID).U32(uiNext).U32(0);
        b.End();
        const uint32_t uiLiveBefore = EnObject::GetLiveObjectCount();
        LoadedScene kScene = LoadSceneBytes(b.s);
        EXPECT_FALSE(kScene.bLoaded) << c.pcWhat;
        EXPECT_EQ(kScene.uiError, EnStream::ERROR_BAD_RECORD) << c.pcWhat;
        kScene.kObjects.clear();
        EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLiveBefore) << c.pcWhat << ": nothing leaks";
    }

    // Chains that merge without a loop are sound.
    SceneBytes b;
    b.s = SceneHeader();
    b.Top().Str("EnExtraData").U32(1).U32(3).U32(0);
    b.Top().Str("EnExtraData").U32(2).U32(3).U32(0);
    b.Str("EnExtraData").U32(3).U32(0).U32(0).End();
    LoadedScene kScene = LoadSceneBytes(b.s);
    ASSERT_TRUE(kScene.bLoaded);
    EXPECT_EQ(kScene.Get<EnExtraData>(0)->GetNext(), kScene.Get<EnExtraData>(1)->GetNext());
}

TEST(EnExtraData, CountsFromTheFileAreBoundedByWhatIsLeft) {
    struct Case {
        const char* pcWhat;
        std::string record;
        uint32_t uiError;
    };
    const Case cases[] = {
        {"raw size beyond the file",
         SceneBytes().Str("EnExtraData").U32(1).U32(0).U32(0xFFFFFFF0).s,
         EnStream::ERROR_TRUNCATED},
        {"weights beyond the file",
         SceneBytes().Str("EnVertWeightsExtraData").U32(1).U32(0).U32(0).U16(0xFFFF).F32(1).s,
         EnStream::ERROR_TRUNCATED},
        {"next of a derived extra-data class",
         SceneBytes()
             .Str("EnExtraData")
             .U32(1)
             .U32(2)
             .U32(0)
             .Str("EnStringExtraData")
             .U32(2)
             .U32(0)
             .U32(0)
             .Str("t")
             .s,
         0},
    };
    for (const Case& c : cases) {
        LoadedScene kScene =
            LoadSceneBytes(SceneHeader() + SceneBytes().Top().s + c.record + SceneBytes().End().s);
        EXPECT_EQ(kScene.bLoaded, c.uiError == 0) << c.pcWhat;
        EXPECT_EQ(kScene.uiError, c.uiError) << c.pcWhat;
    }

    // A string datum is a kind of extra datum, so it may follow one; a property may not.
    SceneBytes b;
    b.s = SceneHeader();
    b.Top().Str("EnExtraData").U32(1).U32(2).U32(0);
    b.NamedHead("EnZBufferProperty", 2).U16(0).End();
    LoadedScene kScene = LoadSceneBytes(b.s);
    EXPECT_FALSE(kScene.bLoaded);
    EXPECT_EQ(kScene.uiError, EnStream::ERROR_WRONG_LINK_CLASS);
}

struct StringCase {
    const char* pcA;
    uint32_t uiSizeA;
    const char* pcB;
    uint32_t uiSizeB;
    bool bEqual;
};

TEST(EnStringExtraData, TextsCompareWithinTheStoredSize) {
    const StringCase cases[] = {
        {"abc", 4, "abc", 4, true},     {"abc", 4, "abd", 4, false},
        {"abc", 2, "abd", 2, true},  // only the first two bytes count
        {"abc", 9, "abc", 9, true},  // a size past the text stops at the terminator
        {"abc", 9, "abcd", 9, false},   {"abc", 4, "abc", 3, false},  // sizes differ
        {nullptr, 0, nullptr, 0, true}, {nullptr, 5, nullptr, 5, true},
        {nullptr, 0, "", 0, false},  // no text and an empty text differ
        {"", 1, "", 1, true},
    };
    for (const StringCase& c : cases) {
        EnPointer<EnStringExtraData> spA(new EnStringExtraData(c.pcA));
        EnPointer<EnStringExtraData> spB(new EnStringExtraData(c.pcB));
        spA->SetData(nullptr, c.uiSizeA);
        spB->SetData(nullptr, c.uiSizeB);
        EXPECT_EQ(spA->EqualsObject(spB), c.bEqual)
            << (c.pcA ? c.pcA : "null") << "/" << c.uiSizeA << " vs " << (c.pcB ? c.pcB : "null")
            << "/" << c.uiSizeB;
    }
}

TEST(EnStringExtraData, ComparesOnlyWithTextData) {
    EnPointer<EnStringExtraData> spText(new EnStringExtraData(nullptr));
    EnPointer<EnExtraData> spRaw(new EnExtraData);
    EXPECT_FALSE(spText->EqualsObject(spRaw));
    EXPECT_FALSE(spText->EqualsObject(nullptr));
    // Neither the chain behind it nor anything but size and text counts.
    EnPointer<EnStringExtraData> spOther(new EnStringExtraData(nullptr));
    spOther->SetNext(new EnExtraData("z", 1));
    EXPECT_TRUE(spText->EqualsObject(spOther));
}

TEST(EnStringExtraData, StreamsTheTextAfterTheExtraDataPart) {
    struct Case {
        const char* pcText;
        std::string fields;
    };
    const Case cases[] = {
        {nullptr, SceneBytes().U32(0).U32(0).U32(0).s},  // next, size, length 0
        {"", SceneBytes().U32(0).U32(1).U32(0).s},       // an empty text loads back as none
        {"hello", SceneBytes().U32(0).U32(6).Str("hello").s},
    };
    for (const Case& c : cases) {
        EnPointer<EnStringExtraData> spText(new EnStringExtraData(c.pcText));
        const std::string file = SaveSceneBytes({spText});
        EXPECT_EQ(FieldsAfter(file, SceneBytes().Str("EnStringExtraData").U32(1).s), c.fields);
        LoadedScene kScene = LoadSceneBytes(file);
        auto* pLoaded = kScene.Get<EnStringExtraData>(0);
        ASSERT_NE(pLoaded, nullptr);
        if (c.pcText && *c.pcText) {
            EXPECT_STREQ(pLoaded->GetValue(), c.pcText);
            EXPECT_TRUE(spText->EqualsObject(pLoaded));
        } else {
            EXPECT_EQ(pLoaded->GetValue(), nullptr);
        }
    }
    EnPointer<EnStringExtraData> spText(new EnStringExtraData("tag"));
    spText->SetNext(new EnStringExtraData("second"));
    RoundTripScene({spText});
}

TEST(EnStringExtraData, ClonesOwnTheirText) {
    EnPointer<EnStringExtraData> spText(new EnStringExtraData("name"));
    EnPointer<EnStringExtraData> spCopy(static_cast<EnStringExtraData*>(spText->MakeClone()));
    EXPECT_TRUE(spCopy->EqualsObject(spText));
    EXPECT_NE(spCopy->GetValue(), spText->GetValue());
    spCopy->SetValue("other");
    EXPECT_STREQ(spText->GetValue(), "name");
}

TEST(EnVertWeightsExtraData, WeightsRoundTripCloneAndCompare) {
    const float afWeights[3] = {0.25f, 0.5f, 1.0f};
    EnPointer<EnVertWeightsExtraData> spWeights(new EnVertWeightsExtraData(3, afWeights));
    const std::string file = SaveSceneBytes({spWeights});
    EXPECT_EQ(FieldsAfter(file, SceneBytes().Str("EnVertWeightsExtraData").U32(1).s),
              SceneBytes().U32(0).U32(0).U16(3).F32(0.25f).F32(0.5f).F32(1.0f).s);
    RoundTripScene({spWeights});

    EnPointer<EnVertWeightsExtraData> spCopy(
        static_cast<EnVertWeightsExtraData*>(spWeights->MakeClone()));
    EXPECT_TRUE(spCopy->EqualsObject(spWeights));
    EXPECT_NE(spCopy->GetWeights(), spWeights->GetWeights());

    const float afOther[3] = {0.25f, 0.5f, 0.75f};
    EnPointer<EnVertWeightsExtraData> spOther(new EnVertWeightsExtraData(3, afOther));
    EXPECT_FALSE(spOther->EqualsObject(spWeights));
    EnPointer<EnVertWeightsExtraData> spShort(new EnVertWeightsExtraData(2, afWeights));
    EXPECT_FALSE(spShort->EqualsObject(spWeights));
    EnPointer<EnVertWeightsExtraData> spNone(new EnVertWeightsExtraData);
    EXPECT_EQ(spNone->GetWeights(), nullptr);
    RoundTripScene({spNone});
}

TEST(EnExtraData, DumpsLeaveTheObjectLinesOut) {
    EnPointer<EnExtraData> spRaw(new EnExtraData("ab", 2));
    EXPECT_EQ(DumpLines(*spRaw), (std::vector<std::string>{"--- EnExtraData ---", "m_uiSize = 2"}));
    EnPointer<EnStringExtraData> spText(new EnStringExtraData("hi"));
    EXPECT_EQ(DumpLines(*spText),
              (std::vector<std::string>{"--- EnExtraData ---", "m_uiSize = 3",
                                        "--- EnStringExtraData ---", "m_pString = hi"}));
    EnPointer<EnStringExtraData> spNone(new EnStringExtraData(nullptr));
    EXPECT_EQ(DumpLines(*spNone).back(), "m_pString = NULL");
}

}  // namespace
