#include "engine/core/EnRecordPool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "engine/core/EnDrawRecord.h"

namespace {

TEST(EnRecordPool, GrowsByBlocksOfFourAndReusesFreedRecords) {
    EnRecordPool pool(24);
    std::vector<void*> records;
    for (int i = 0; i < 5; ++i) records.push_back(pool.Allocate(24));
    EXPECT_EQ(pool.GetBlockCount(), 2u);
    EXPECT_EQ(pool.GetFreeCount(), 3u);
    EXPECT_EQ(std::set<void*>(records.begin(), records.end()).size(), 5u);

    for (void* p : records) pool.Free(p);
    EXPECT_EQ(pool.GetFreeCount(), 8u);
    std::vector<void*> again;
    for (int i = 0; i < 5; ++i) again.push_back(pool.Allocate(24));
    EXPECT_EQ(pool.GetBlockCount(), 2u);  // no new block
    // Freed last, handed out first: the five records come back.
    EXPECT_EQ(std::set<void*>(again.begin(), again.end()),
              std::set<void*>(records.begin(), records.end()));
    for (void* p : again) pool.Free(p);
}

TEST(EnRecordPool, HandsOutABlockInOrderAndTheLastFreedFirst) {
    EnRecordPool pool(40);
    char* first = static_cast<char*>(pool.Allocate(40));
    char* second = static_cast<char*>(pool.Allocate(40));
    char* third = static_cast<char*>(pool.Allocate(40));
    // Records of one block follow each other.
    EXPECT_EQ(second - first, third - second);
    EXPECT_GE(second - first, 40);

    pool.Free(first);
    pool.Free(third);
    EXPECT_EQ(pool.Allocate(40), third);
    EXPECT_EQ(pool.Allocate(40), first);
}

TEST(EnRecordPool, OtherSizesGoToTheAllocator) {
    EnRecordPool pool(24);
    void* big = pool.Allocate(100);
    void* small = pool.Allocate(8);
    ASSERT_NE(big, nullptr);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(pool.GetBlockCount(), 0u);
    EXPECT_EQ(pool.GetFreeCount(), 0u);
    std::memset(big, 0xAB, 100);
    pool.Free(big, 100);
    pool.Free(small, 8);
    EXPECT_EQ(pool.GetFreeCount(), 0u);  // never entered the free list
}

TEST(EnRecordPool, RecordsKeepTheirWholeSizeAndPointerAlignment) {
    // The free link lives in a record's last pointer-sized slot; a record in use may fill
    // every byte, including pointers at the end, without disturbing its neighbours.
    struct Tail {
        uint32_t words[3];
        void* pointer;
    };
    EnRecordPool pool(sizeof(Tail));
    std::vector<Tail*> tails;
    for (int i = 0; i < 9; ++i) {
        auto* t = static_cast<Tail*>(pool.Allocate(sizeof(Tail)));
        ASSERT_EQ(reinterpret_cast<uintptr_t>(t) % alignof(Tail), 0u);
        t->words[0] = t->words[1] = t->words[2] = uint32_t(i);
        t->pointer = t;
        tails.push_back(t);
    }
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(tails[i]->words[2], uint32_t(i));
        EXPECT_EQ(tails[i]->pointer, tails[i]);
    }
    for (Tail* t : tails) pool.Free(t);
    EXPECT_EQ(pool.GetFreeCount(), 12u);
    EXPECT_EQ(pool.GetBlockCount(), 3u);
}

TEST(EnRecordPool, NullIsIgnored) {
    EnRecordPool pool(16);
    pool.Free(nullptr);
    EXPECT_EQ(pool.GetFreeCount(), 0u);
}

TEST(EnDrawRecord, ComesFromTheDrawRecordPool) {
    EnRecordPool& pool = EnRecordPool::DrawRecords();
    EXPECT_EQ(pool.GetRecordSize(), sizeof(EnDrawRecord));
    auto* record = new EnDrawRecord;
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->m_pGeometry, nullptr);
    EXPECT_EQ(record->m_auiPlaneMask[3], 0u);
    const unsigned freeBefore = pool.GetFreeCount();
    delete record;
    EXPECT_EQ(pool.GetFreeCount(), freeBefore + 1);
    // The record just freed is the next one handed out.
    auto* again = new EnDrawRecord;
    EXPECT_EQ(again, record);
    delete again;
}

EnDrawRecord* s_pDrawn = nullptr;
EnRender* s_pRenderer = nullptr;
void RecordingDraw(EnDrawRecord& kRecord, EnRender& kRenderer) {
    s_pDrawn = &kRecord;
    s_pRenderer = &kRenderer;
}

TEST(EnDrawRecord, QueuedRecordsDrawThroughTheInstalledFunction) {
    EnDrawRecord record;
    // A stand-in renderer: the dispatch only passes it on, never touches it.
    auto& renderer = *reinterpret_cast<EnRender*>(&record);
    const EnDrawQueuedRecordFn previous = SetDrawQueuedRecordFunction(nullptr);
    s_pDrawn = nullptr;
    DrawQueuedRecord(record, renderer);  // nothing installed: nothing happens
    EXPECT_EQ(s_pDrawn, nullptr);

    SetDrawQueuedRecordFunction(&RecordingDraw);
    DrawQueuedRecord(record, renderer);
    EXPECT_EQ(s_pDrawn, &record);
    EXPECT_EQ(s_pRenderer, &renderer);
    EXPECT_EQ(SetDrawQueuedRecordFunction(previous), &RecordingDraw);
}

}  // namespace
