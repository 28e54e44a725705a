#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/core/EnObject.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnTArray.h"
#include "engine/core/EnTInlineList.h"
#include "engine/core/EnTList.h"
#include "engine/core/EnTMap.h"
#include "engine/core/EnTStringMap.h"
#include "tests/support/AssertCapture.h"

namespace {

class ContainerItem : public EnObject {
    EN_DECLARE_RTTI;

public:
    EnPointer<ContainerItem> m_spNext;
};
EN_IMPLEMENT_RTTI(ContainerItem, EnObject);

// A few objects each held once by the test; containers add one reference per slot holding one.
struct ItemPool {
    std::vector<EnPointer<ContainerItem>> m_kItems;
    explicit ItemPool(int iCount) {
        for (int i = 0; i < iCount; i++) m_kItems.emplace_back(new ContainerItem);
    }
    // Value k of a model: 0 is empty, k > 0 is item k - 1.
    ContainerItem* Get(int k) const { return k > 0 ? m_kItems[size_t(k - 1)].Get() : nullptr; }
    int Index(const ContainerItem* p) const {
        for (size_t i = 0; i < m_kItems.size(); i++)
            if (m_kItems[i] == p) return int(i) + 1;
        return p ? -1 : 0;
    }
};

// Slots of an array as the engine keeps them, by value number (0 = empty).
struct ArrayModel {
    std::vector<int> m_kSlots;
    uint32_t m_uiSize = 0;
    uint32_t m_uiGrowBy;
    ArrayModel(uint32_t uiCapacity, uint32_t uiGrowBy)
        : m_kSlots(uiCapacity), m_uiGrowBy(uiGrowBy) {}

    uint32_t Capacity() const { return uint32_t(m_kSlots.size()); }
    uint32_t Effective() const {
        return uint32_t(std::count_if(m_kSlots.begin(), m_kSlots.begin() + m_uiSize,
                                      [](int v) { return v != 0; }));
    }
    void Store(uint32_t i, int v) {
        if (i >= m_uiSize) m_uiSize = i + 1;
        m_kSlots[i] = v;
    }
    bool SetAt(uint32_t i, int v) {
        if (i >= Capacity()) return false;
        Store(i, v);
        return true;
    }
    uint32_t SetAtGrow(uint32_t i, int v) {
        if (i >= Capacity()) SetSize(i + std::max(m_uiGrowBy, 1u));
        Store(i, v);
        return i;
    }
    void SetSize(uint32_t n) {
        m_kSlots.resize(n);
        m_uiSize = std::min(m_uiSize, n);
    }
    uint32_t AddFirstEmpty(int v) {
        if (v == 0) return UINT32_MAX;
        for (uint32_t i = 0; i < m_uiSize; i++)
            if (m_kSlots[i] == 0) {
                Store(i, v);
                return i;
            }
        return SetAtGrow(m_uiSize, v);
    }
    int RemoveAt(uint32_t i) {
        if (i >= m_uiSize) return 0;
        int v = m_kSlots[i];
        m_kSlots[i] = 0;
        if (i == m_uiSize - 1) m_uiSize--;
        return v;
    }
    void RemoveAll() {
        std::fill(m_kSlots.begin(), m_kSlots.begin() + m_uiSize, 0);
        m_uiSize = 0;
    }
};

// Runs one random sequence of array operations on an EnTArray<T> and its model. toT makes an
// element from a value number, fromT tells the value number of an element.
template <class T, class ToT, class FromT>
void RunArraySequence(uint32_t uiSeed, ToT toT, FromT fromT, int iValues) {
    std::mt19937 kRandom(uiSeed);
    uint32_t uiCapacity = kRandom() % 5;
    uint32_t uiGrowBy = kRandom() % 4;
    EnTArray<T> kArray(uiCapacity, uiGrowBy);
    ArrayModel kModel(uiCapacity, uiGrowBy);
    AssertCapture kAsserts;
    size_t uiExpectedReports = 0;
    for (int iStep = 0; iStep < 400; iStep++) {
        SCOPED_TRACE("seed " + std::to_string(uiSeed) + " step " + std::to_string(iStep));
        int v = int(kRandom() % uint32_t(iValues + 1));
        uint32_t i = kRandom() % (kModel.Capacity() + 6);
        switch (kRandom() % 8) {
            case 0:
                kArray.SetAt(i, toT(v));
                if (!kModel.SetAt(i, v)) uiExpectedReports++;
                break;
            case 1:
                ASSERT_EQ(kArray.SetAtGrow(i, toT(v)), kModel.SetAtGrow(i, v));
                break;
            case 2:
                ASSERT_EQ(kArray.Add(toT(v)), kModel.SetAtGrow(kModel.m_uiSize, v));
                break;
            case 3:
                ASSERT_EQ(kArray.AddFirstEmpty(toT(v)), kModel.AddFirstEmpty(v));
                break;
            case 4:
                ASSERT_EQ(fromT(kArray.RemoveAt(i)), kModel.RemoveAt(i));
                break;
            case 5: {
                uint32_t n = 1 + kRandom() % (kModel.Capacity() + 5);
                kArray.SetSize(n);
                kModel.SetSize(n);
                break;
            }
            case 6:
                if (kRandom() % 8 == 0) {
                    kArray.RemoveAll();
                    kModel.RemoveAll();
                }
                break;
            default:
                ASSERT_EQ(fromT(kArray.GetAt(i)), i < kModel.Capacity() ? kModel.m_kSlots[i] : 0);
        }
        ASSERT_EQ(kArray.GetAllocatedSize(), kModel.Capacity());
        ASSERT_EQ(kArray.GetSize(), kModel.m_uiSize);
        ASSERT_EQ(kArray.GetEffectiveSize(), kModel.Effective());
        for (uint32_t s = 0; s < kModel.Capacity(); s++)
            ASSERT_EQ(fromT(kArray.GetAt(s)), kModel.m_kSlots[s]);
    }
    EXPECT_EQ(kAsserts.Count(), uiExpectedReports);
    for (const std::string& kCondition : kAsserts.Conditions())
        EXPECT_EQ(kCondition, "uiIndex < m_uiMaxSize");
}

TEST(EnTArray, RandomOperationsOnPlainElementsMatchTheModel) {
    for (uint32_t uiSeed = 1; uiSeed <= 40; uiSeed++)
        RunArraySequence<intptr_t>(
            uiSeed, [](int v) { return intptr_t(v); }, [](intptr_t v) { return int(v); }, 5);
}

TEST(EnTArray, RandomOperationsOnSmartPointersMatchTheModelAndBalanceReferences) {
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    for (uint32_t uiSeed = 1; uiSeed <= 40; uiSeed++) {
        ItemPool kPool(5);
        {
            RunArraySequence<EnPointer<ContainerItem>>(
                uiSeed, [&](int v) { return EnPointer<ContainerItem>(kPool.Get(v)); },
                [&](const EnPointer<ContainerItem>& sp) { return kPool.Index(sp); }, 5);
        }
        for (const auto& spItem : kPool.m_kItems) EXPECT_EQ(spItem->GetRefCount(), 1);
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnTArray, ReferencesFollowTheSlots) {
    ItemPool kPool(2);
    {
        EnTArray<EnPointer<ContainerItem>> kArray(2, 1);
        kArray.SetAt(0, kPool.Get(1));
        kArray.SetAt(1, kPool.Get(1));
        EXPECT_EQ(kPool.Get(1)->GetRefCount(), 3);
        kArray.SetAtGrow(5, kPool.Get(2));  // growth keeps one reference per element
        EXPECT_EQ(kPool.Get(1)->GetRefCount(), 3);
        EXPECT_EQ(kPool.Get(2)->GetRefCount(), 2);
        EnPointer<ContainerItem> spRemoved = kArray.RemoveAt(0);
        EXPECT_EQ(kPool.Get(1)->GetRefCount(), 3);  // moved to the caller
        spRemoved = nullptr;
        EXPECT_EQ(kPool.Get(1)->GetRefCount(), 2);
        kArray.SetSize(1);  // drops slot 1 and 5
        EXPECT_EQ(kPool.Get(1)->GetRefCount(), 1);
        EXPECT_EQ(kPool.Get(2)->GetRefCount(), 1);
        kArray.SetAt(0, kPool.Get(2));
    }
    EXPECT_EQ(kPool.Get(2)->GetRefCount(), 1);
}

struct GrowCase {
    uint32_t m_uiCapacity;
    uint32_t m_uiGrowBy;
    uint32_t m_uiIndex;
    uint32_t m_uiNewCapacity;
};

TEST(EnTArray, SetAtGrowMakesRoomForTheIndex) {
    const GrowCase kCases[] = {
        {4, 1, 4, 5},                 // full, grow-by 1, at the capacity: exactly one more slot
        {4, 1, 9, 10},                // further out: index + 1
        {4, 3, 4, 7},                 // index + grow-by
        {4, 0, 4, 5},                 // a grow-by of 0 still makes room
        {4, 0, 8, 9},  {4, 2, 3, 4},  // fits: no growth
        {0, 2, 0, 2},
    };
    for (const GrowCase& c : kCases) {
        EnTArray<intptr_t> kArray(c.m_uiCapacity, c.m_uiGrowBy);
        for (uint32_t i = 0; i < c.m_uiCapacity; i++) kArray.SetAt(i, 1);
        EXPECT_EQ(kArray.SetAtGrow(c.m_uiIndex, 7), c.m_uiIndex);
        EXPECT_EQ(kArray.GetAllocatedSize(), c.m_uiNewCapacity)
            << c.m_uiCapacity << " " << c.m_uiIndex;
        EXPECT_EQ(kArray.GetAt(c.m_uiIndex), 7);
        EXPECT_EQ(kArray.GetSize(), std::max(c.m_uiCapacity, c.m_uiIndex + 1));
    }
}

TEST(EnTArray, RemovedMiddleSlotIsReusedFirst) {
    EnTArray<intptr_t> kArray(4, 1);
    for (intptr_t v = 1; v <= 4; v++) kArray.Add(v);
    EXPECT_EQ(kArray.RemoveAt(1), 2);
    EXPECT_EQ(kArray.GetSize(), 4u);
    EXPECT_EQ(kArray.GetEffectiveSize(), 3u);
    EXPECT_EQ(kArray.AddFirstEmpty(9), 1u);
    EXPECT_EQ(kArray.GetAt(1), 9);
    EXPECT_EQ(kArray.RemoveAt(3), 4);  // the last used slot lowers the used size
    EXPECT_EQ(kArray.GetSize(), 3u);
    EXPECT_EQ(kArray.RemoveAt(7), 0);  // past the used size
    EXPECT_EQ(kArray.AddFirstEmpty(0), UINT32_MAX);
}

TEST(EnTArray, BadIndexesAndSizesAreReportedAndIgnored) {
    AssertCapture kAsserts;
    EnTArray<intptr_t> kArray(2, 1);
    kArray.SetAt(2, 5);
    EXPECT_EQ(kArray.GetSize(), 0u);
    EXPECT_EQ(kArray.GetAt(2), 0);
    EXPECT_EQ(kArray.GetAt(UINT32_MAX), 0);
    kArray.SetSize(0);
    EXPECT_EQ(kArray.GetAllocatedSize(), 0u);
    ASSERT_EQ(kAsserts.Count(), 2u);
    EXPECT_EQ(kAsserts.Conditions()[0], "uiIndex < m_uiMaxSize");
    EXPECT_EQ(kAsserts.Conditions()[1], "uiMaxSize > 0");
}

TEST(EnPointer, AssignmentKeepsOneReferencePerHolder) {
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    {
        EnPointer<ContainerItem> spA = new ContainerItem;
        EXPECT_EQ(spA->GetRefCount(), 1);
        spA = spA.Get();  // its own object: nothing happens
        spA = spA;
        EXPECT_EQ(spA->GetRefCount(), 1);
        EnPointer<ContainerItem> spB = spA;
        EXPECT_EQ(spA->GetRefCount(), 2);
        EnPointer<EnObject> spBase = spB;
        EXPECT_EQ(spA->GetRefCount(), 3);
        EnPointer<ContainerItem> spC = std::move(spB);
        EXPECT_EQ(spA->GetRefCount(), 3);
        EXPECT_EQ(spB.Get(), nullptr);
        spC = nullptr;
        spBase = nullptr;
        EXPECT_EQ(spA->GetRefCount(), 1);
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnPointer, GetCopyKeepsAnElementBeyondItsSlot) {
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    {
        EnTArray<EnPointer<ContainerItem>> kArray(2, 1);
        kArray.Add(new ContainerItem);
        EnPointer<ContainerItem> spKept = GetCopy(kArray.GetAt(0));
        EXPECT_EQ(spKept->GetRefCount(), 2);
        kArray.RemoveAll();
        EXPECT_EQ(spKept->GetRefCount(), 1);

        EnTArray<ContainerItem*> kRaw(1, 1);  // holds no reference of its own
        kRaw.Add(spKept.Get());
        EXPECT_EQ(GetCopy(kRaw.GetAt(0))->GetRefCount(), 2);
        EXPECT_EQ(spKept->GetRefCount(), 1);
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnPointer, AssigningAnObjectKeptAliveOnlyByTheOldOneIsSafe) {
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    EnPointer<ContainerItem> spHead = new ContainerItem;
    spHead->m_spNext = new ContainerItem;
    spHead->m_spNext->m_spNext = new ContainerItem;
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive + 3);
    spHead = spHead->m_spNext;  // the old head goes, the rest stays
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive + 2);
    EXPECT_EQ(spHead->GetRefCount(), 1);
    spHead = nullptr;
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnTMap, RandomOperationsMatchAStandardMap) {
    for (uint32_t uiSeed = 1; uiSeed <= 30; uiSeed++) {
        std::mt19937 kRandom(uiSeed);
        EnTMap<uint32_t, int> kMap(1 + kRandom() % 7);
        std::map<uint32_t, int> kModel;
        for (int iStep = 0; iStep < 300; iStep++) {
            uint32_t uiKey = kRandom() % 20;
            int iValue = int(kRandom() % 100);
            switch (kRandom() % 5) {
                case 0:
                case 1:
                    kMap.SetAt(uiKey, iValue);
                    kModel[uiKey] = iValue;
                    break;
                case 2:
                    ASSERT_EQ(kMap.RemoveAt(uiKey), kModel.erase(uiKey) == 1);
                    break;
                case 3:
                    if (kRandom() % 10 == 0) {
                        kMap.RemoveAll();
                        kModel.clear();
                    }
                    break;
                default: {
                    int iFound = -1;
                    bool bFound = kMap.GetAt(uiKey, iFound);
                    ASSERT_EQ(bFound, kModel.count(uiKey) == 1);
                    if (bFound) {
                        ASSERT_EQ(iFound, kModel[uiKey]);
                    }
                }
            }
            ASSERT_EQ(kMap.GetCount(), kModel.size()) << "seed " << uiSeed;
        }
        std::map<uint32_t, int> kWalked;
        for (EnTMapIterator pos = kMap.GetFirstPos(); pos;) {
            uint32_t uiKey;
            int iValue;
            kMap.GetNext(pos, uiKey, iValue);
            EXPECT_TRUE(kWalked.emplace(uiKey, iValue).second);
        }
        EXPECT_EQ(kWalked, kModel);
    }
}

TEST(EnTStringMap, RandomOperationsMatchAStandardMapAndBalanceReferences) {
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    ItemPool kPool(4);
    for (uint32_t uiSeed = 1; uiSeed <= 30; uiSeed++) {
        std::mt19937 kRandom(uiSeed);
        EnTStringMap<EnPointer<ContainerItem>> kMap(1 + kRandom() % 5);
        std::map<std::string, int> kModel;
        for (int iStep = 0; iStep < 300; iStep++) {
            std::string kKey(1 + kRandom() % 2, 'a');
            for (char& c : kKey) c = "aAbB\xe9"[kRandom() % 5];
            int v = 1 + int(kRandom() % 4);
            switch (kRandom() % 4) {
                case 0:
                case 1:
                    kMap.SetAt(kKey.c_str(), kPool.Get(v));
                    kModel[kKey] = v;
                    break;
                case 2:
                    ASSERT_EQ(kMap.RemoveAt(kKey.c_str()), kModel.erase(kKey) == 1);
                    break;
                default: {
                    EnPointer<ContainerItem> spFound;
                    bool bFound = kMap.GetAt(kKey.c_str(), spFound);
                    ASSERT_EQ(bFound, kModel.count(kKey) == 1);
                    if (bFound) {
                        ASSERT_EQ(kPool.Index(spFound), kModel[kKey]);
                    }
                }
            }
            ASSERT_EQ(kMap.GetCount(), kModel.size());
            for (int k = 1; k <= 4; k++) {
                int iHeld = int(std::count_if(kModel.begin(), kModel.end(),
                                              [k](const auto& e) { return e.second == k; }));
                ASSERT_EQ(kPool.Get(k)->GetRefCount(), 1 + iHeld);
            }
        }
    }
    for (const auto& spItem : kPool.m_kItems) EXPECT_EQ(spItem->GetRefCount(), 1);
    kPool.m_kItems.clear();
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnTStringMap, HashesCharactersAsSignedBytes) {
    EXPECT_EQ(EnTStringMap<int>::HashString("abc"), 108966u);
    EXPECT_EQ(EnTStringMap<int>::HashString("EnNode"), 2833720793u);
    EXPECT_EQ(EnTStringMap<int>::HashString("EnObject"), 2159362474u);
    EXPECT_EQ(EnTStringMap<int>::HashString("\xff"), 0xFFFFFFFFu);  // -1
    EXPECT_EQ(EnTStringMap<int>::HashString(""), 0u);
    EnTStringMap<int> kMap(37);
    EXPECT_EQ(kMap.HashKey("EnNode"), 17u);
    EXPECT_EQ(kMap.HashKey("EnObject"), 35u);
}

TEST(EnTStringMap, ReplacingAKeyKeepsTheCountAndCopiesTheKey) {
    EnTStringMap<int> kMap(3);
    std::string kKey = "EnNode";
    kMap.SetAt(kKey.c_str(), 1);
    kKey[0] = 'X';  // the map holds its own copy
    int v = 0;
    EXPECT_TRUE(kMap.GetAt("EnNode", v));
    kMap.SetAt("EnNode", 2);
    EXPECT_EQ(kMap.GetCount(), 1u);
    EXPECT_TRUE(kMap.GetAt("EnNode", v));
    EXPECT_EQ(v, 2);
    EXPECT_FALSE(kMap.GetAt("ennode", v));
}

TEST(EnTMap, PointerKeysUseAllTheirBits) {
    // Two addresses 4 GB apart must not be forced into one bucket by a 32-bit truncation.
    EnTMap<const void*, int> kMap(64);
    std::set<uint32_t> kBuckets;
    for (uintptr_t i = 0; i < 64; i++)
        kBuckets.insert(kMap.HashKey(reinterpret_cast<const void*>((i << 32) | 0x1000)));
    EXPECT_GT(kBuckets.size(), 16u);
}

TEST(EnTList, RandomOperationsMatchAStandardList) {
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    for (uint32_t uiSeed = 1; uiSeed <= 30; uiSeed++) {
        std::mt19937 kRandom(uiSeed);
        ItemPool kPool(4);
        {
            EnTList<EnPointer<ContainerItem>> kList(1 + kRandom() % 4);
            std::list<int> kModel;
            AssertCapture kAsserts;
            size_t uiEmptyRemovals = 0;
            for (int iStep = 0; iStep < 300; iStep++) {
                SCOPED_TRACE("seed " + std::to_string(uiSeed) + " step " + std::to_string(iStep));
                int v = int(kRandom() % 5);
                switch (kRandom() % 6) {
                    case 0:
                        kList.AddTail(kPool.Get(v));
                        kModel.push_back(v);
                        break;
                    case 1:
                        kList.AddHead(kPool.Get(v));
                        kModel.push_front(v);
                        break;
                    case 2: {
                        bool bTail = kRandom() % 2;
                        int iGot = kPool.Index(bTail ? kList.RemoveTail() : kList.RemoveHead());
                        int iWant = 0;
                        if (kModel.empty()) {
                            uiEmptyRemovals++;
                        } else if (bTail) {
                            iWant = kModel.back();
                            kModel.pop_back();
                        } else {
                            iWant = kModel.front();
                            kModel.pop_front();
                        }
                        ASSERT_EQ(iGot, iWant);
                        break;
                    }
                    case 3: {
                        auto it = std::find(kModel.begin(), kModel.end(), v);
                        bool bWant = v != 0 && it != kModel.end();
                        ASSERT_EQ(kList.Remove(kPool.Get(v)), bWant);
                        if (bWant) kModel.erase(it);
                        break;
                    }
                    case 4: {
                        // Remove one node met during a walk.
                        size_t uiAt = kModel.empty() ? 0 : kRandom() % kModel.size();
                        EnTListIterator pos = kList.GetHeadPos();
                        for (size_t i = 0; i < uiAt && pos; i++) kList.GetNext(pos);
                        if (!pos) break;
                        auto it = std::next(kModel.begin(), long(uiAt));
                        ASSERT_EQ(kPool.Index(kList.RemovePos(pos)), *it);
                        it = kModel.erase(it);
                        ASSERT_EQ(pos ? kPool.Index(kList.Get(pos)) : -99,
                                  it != kModel.end() ? *it : -99);
                        break;
                    }
                    default:
                        break;
                }
                ASSERT_EQ(kList.GetCount(), kModel.size());
                ASSERT_EQ(kList.IsEmpty(), kModel.empty());
                std::vector<int> kForward, kBackward;
                for (EnTListIterator pos = kList.GetHeadPos(); pos;)
                    kForward.push_back(kPool.Index(kList.GetNext(pos)));
                for (EnTListIterator pos = kList.GetTailPos(); pos;)
                    kBackward.push_back(kPool.Index(kList.GetPrev(pos)));
                ASSERT_EQ(kForward, std::vector<int>(kModel.begin(), kModel.end()));
                ASSERT_EQ(kBackward, std::vector<int>(kModel.rbegin(), kModel.rend()));
                for (int k = 1; k <= 4; k++)
                    ASSERT_EQ(kPool.Get(k)->GetRefCount(),
                              1 + std::count(kModel.begin(), kModel.end(), k));
            }
            EXPECT_EQ(kAsserts.Count(), uiEmptyRemovals);
            for (const std::string& kCondition : kAsserts.Conditions())
                EXPECT_TRUE(kCondition == "m_pHead" || kCondition == "m_pTail") << kCondition;
        }
        for (const auto& spItem : kPool.m_kItems) EXPECT_EQ(spItem->GetRefCount(), 1);
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnTList, RemovingFromAnEmptyListIsReportedAndGivesNull) {
    AssertCapture kAsserts;
    EnTList<ContainerItem*> kList;
    EXPECT_EQ(kList.RemoveHead(), nullptr);
    EXPECT_EQ(kList.RemoveTail(), nullptr);
    EXPECT_FALSE(kList.Remove(nullptr));
    EXPECT_EQ(kAsserts.Conditions(), (std::vector<std::string>{"m_pHead", "m_pTail"}));
    EXPECT_EQ(kList.GetCount(), 0u);
}

TEST(EnTInlineList, RandomOperationsMatchAStandardList) {
    uint32_t uiLive = EnObject::GetLiveObjectCount();
    for (uint32_t uiSeed = 1; uiSeed <= 30; uiSeed++) {
        std::mt19937 kRandom(uiSeed);
        ItemPool kPool(4);
        {
            EnTInlineList<EnPointer<ContainerItem>> kList;
            std::list<int> kModel;
            for (int iStep = 0; iStep < 200; iStep++) {
                int v = int(kRandom() % 5);
                if (kRandom() % 2) {
                    kList.AddHead(kPool.Get(v));
                    if (v != 0) kModel.push_front(v);
                } else {
                    auto it = std::find(kModel.begin(), kModel.end(), v);
                    bool bWant = v != 0 && it != kModel.end();
                    ASSERT_EQ(kList.Remove(kPool.Get(v)), bWant);
                    if (bWant) kModel.erase(it);
                }
                ASSERT_EQ(kList.ItemsInList(), kModel.size());
                ASSERT_EQ(kList.IsEmpty(), kModel.empty());
                std::vector<int> kWalk;
                for (EnTListIterator pos = kList.GetHeadPos(); pos;)
                    kWalk.push_back(kPool.Index(kList.GetNext(pos)));
                ASSERT_EQ(kWalk, std::vector<int>(kModel.begin(), kModel.end()))
                    << "seed " << uiSeed;
                for (int k = 1; k <= 4; k++)
                    ASSERT_EQ(kPool.Get(k)->GetRefCount(),
                              1 + std::count(kModel.begin(), kModel.end(), k));
            }
        }
        for (const auto& spItem : kPool.m_kItems) EXPECT_EQ(spItem->GetRefCount(), 1);
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), uiLive);
}

TEST(EnTInlineList, RemovingTheOnlyElementLeavesItEmpty) {
    ContainerItem kItem;
    EnTInlineList<ContainerItem*> kList;
    EXPECT_TRUE(kList.IsEmpty());
    kList.AddHead(&kItem);
    kList.AddHead(nullptr);  // ignored
    EXPECT_EQ(kList.ItemsInList(), 1u);
    EXPECT_TRUE(kList.Remove(&kItem));
    EXPECT_TRUE(kList.IsEmpty());
    EXPECT_EQ(kList.GetHeadPos(), nullptr);
    EXPECT_FALSE(kList.Remove(&kItem));
}

}  // namespace
