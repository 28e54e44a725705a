#pragma once
#include <cstddef>
#include <cstdint>

struct EnDrawRecord;

// One queued object as the cluster sorter sees it: the accumulator's draw
// record and the object's screen-space box (x and y in -1..1, depth in 0..1).
// Records come from a pool of their own, four to a block, and are reused from
// frame to frame.
struct EnClusterRecord {
    EnDrawRecord* m_pEntry = nullptr;
    float m_afMin[3] = {0.0f, 0.0f, 0.0f};
    float m_afMax[3] = {0.0f, 0.0f, 0.0f};
    uint32_t m_uiSpare = 0;
    void* m_pNextFree = nullptr;  // the pool's link while the record is free

    // The record's own size comes from the pool; any other size from the ordinary
    // allocator. Null when memory runs out.
    static void* Allocate(size_t uiSize) noexcept;
    static void Free(EnClusterRecord* pRecord);

    static void* operator new(size_t uiSize) noexcept { return Allocate(uiSize); }
    static void operator delete(void* pRecord, size_t uiSize);

    // Records per block the pool allocates at a time.
    static constexpr unsigned int BLOCK_COUNT = 4;
    // Blocks the pool has allocated so far (they are kept until exit).
    static unsigned int GetPoolBlockCount();
};
