#include "game/app/GlobalAllocation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace {

// Offsets that a new block of the size gets written: 'W' from the last byte down in steps of
// 2048 while above the start, then 'K' at the start.
std::vector<size_t> TouchOffsets(size_t uiSize) {
    std::vector<size_t> k;
    for (size_t uiPos = uiSize - 1; uiPos > 0 && uiPos < uiSize; uiPos -= 2048) k.push_back(uiPos);
    return k;
}

// Through a volatile view, so the reads look at what the allocator left there.
unsigned char ByteAt(const void* pv, size_t uiOffset) {
    return static_cast<const volatile unsigned char*>(pv)[uiOffset];
}

struct TouchCase {
    size_t m_uiSize;
    std::vector<size_t> m_kWOffsets;
};

TEST(GlobalAllocation, NewBlocksGetTheirPagesTouched) {
    const TouchCase kCases[] = {
        {1, {}}, {2, {1}}, {2048, {2047}}, {2049, {2048}}, {5000, {4999, 2951, 903}},
    };
    for (const TouchCase& c : kCases) {
        EXPECT_EQ(TouchOffsets(c.m_uiSize), c.m_kWOffsets) << c.m_uiSize;
        void* pv = ::operator new(c.m_uiSize);
        ASSERT_NE(pv, nullptr);
        EXPECT_EQ(ByteAt(pv, 0), 'K') << c.m_uiSize;
        for (size_t uiOffset : c.m_kWOffsets)
            EXPECT_EQ(ByteAt(pv, uiOffset), 'W') << c.m_uiSize << " at " << uiOffset;
        ::operator delete(pv);
    }
}

TEST(GlobalAllocation, OnlyTheTouchedBytesAreWritten) {
    // A block this large comes fresh from the system, so every other byte is as it came.
    const size_t uiSize = 4 << 20;
    unsigned char* puc = static_cast<unsigned char*>(::operator new(uiSize));
    std::vector<size_t> kOffsets = TouchOffsets(uiSize);
    size_t uiNext = kOffsets.size();  // offsets descend; walk them upwards
    size_t uiWrites = 0;
    for (size_t i = 0; i < uiSize; i++) {
        unsigned char uc = ByteAt(puc, i);
        bool bTouched = i == 0 || (uiNext > 0 && kOffsets[uiNext - 1] == i);
        if (bTouched && i > 0) uiNext--;
        if (bTouched) {
            uiWrites++;
            ASSERT_EQ(uc, i == 0 ? 'K' : 'W') << i;
        } else {
            ASSERT_TRUE(uc != 'K' && uc != 'W') << i;
        }
    }
    EXPECT_EQ(uiWrites, 1 + uiSize / 2048);
    ::operator delete(puc);
}

TEST(GlobalAllocation, ZeroBytesGiveADistinctBlock) {
    void* pv1 = ::operator new(0);
    void* pv2 = ::operator new(0);
    EXPECT_NE(pv1, nullptr);
    EXPECT_NE(pv1, pv2);
    ::operator delete(pv1);
    ::operator delete(pv2);
    ::operator delete(nullptr);
}

TEST(GlobalAllocation, ArraysAndObjectsComeFromTheSameAllocator) {
    char* pc = new char[3000];
    EXPECT_EQ(ByteAt(pc, 0), 'K');
    EXPECT_EQ(ByteAt(pc, 2999), 'W');
    EXPECT_EQ(ByteAt(pc, 951), 'W');
    delete[] pc;
}

struct alignas(256) WideBlock {
    unsigned char m_auc[3000];
};

TEST(GlobalAllocation, EveryFormOfNewTouchesItsBlock) {
    void* pvNothrow = ::operator new(3000, std::nothrow);
    auto* pWide = new WideBlock;
    auto* pWideNothrow = new (std::nothrow) WideBlock[2];
    const void* apvBlocks[] = {pvNothrow, pWide, pWideNothrow};
    for (const void* pv : apvBlocks) {
        ASSERT_NE(pv, nullptr);
        EXPECT_EQ(ByteAt(pv, 0), 'K');
    }
    EXPECT_EQ(ByteAt(pvNothrow, 2999), 'W');
    EXPECT_EQ(ByteAt(pvNothrow, 951), 'W');
    EXPECT_EQ(ByteAt(pWide, sizeof(WideBlock) - 1), 'W');
    EXPECT_EQ(ByteAt(pWide, sizeof(WideBlock) - 1 - 2048), 'W');
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pWide) % 256, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pWideNothrow) % 256, 0u);
    ::operator delete(pvNothrow, std::nothrow);
    delete pWide;
    delete[] pWideNothrow;
}

TEST(GlobalAllocation, TouchMemoryOnlyReads) {
    std::vector<unsigned char> k(10000);
    for (size_t i = 0; i < k.size(); i++) k[i] = (unsigned char)(i * 7);
    std::vector<unsigned char> kBefore = k;
    TouchMemory(k.data(), k.size());
    TouchMemory(k.data(), 1);
    TouchMemory(nullptr, 0);
    EXPECT_EQ(k, kBefore);
}

TEST(GlobalAllocationDeathTest, RunningOutOfMemoryIsFatalAndSaysSo) {
    // The sanitizers' allocator refuses such a request in its own words.
    EXPECT_DEATH(
        {
            void* pv = ::operator new(SIZE_MAX / 2);
            std::printf("%p\n", pv);
        },
        "Out of memory|exceeds maximum supported size|allocation-size-too-big");
}

}  // namespace
