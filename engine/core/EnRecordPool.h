#pragma once
#include <cstddef>

// A pool of fixed-size records handed out in blocks of four, so that per-frame queueing of
// draw records costs no allocator calls once the pool has grown to the frame's needs.
// Records are never given back to the allocator while the pool lives; its destructor frees
// every block. A free record keeps the link to the next free record in its last
// pointer-sized slot. No locks: callers serialise their use.
class EnRecordPool {
public:
    static constexpr unsigned int RECORDS_PER_BLOCK = 4;

    explicit EnRecordPool(size_t uiRecordSize);
    ~EnRecordPool();
    EnRecordPool(const EnRecordPool&) = delete;
    EnRecordPool& operator=(const EnRecordPool&) = delete;

    // A request of the record size comes from the pool; any other size goes to the ordinary
    // allocator. Null when memory runs out.
    void* Allocate(size_t uiSize);
    // Puts a record of the record size back on the free list; null is ignored.
    void Free(void* pRecord);
    // Gives back something Allocate(uiSize) handed out, to the pool or to the allocator.
    void Free(void* pRecord, size_t uiSize);

    size_t GetRecordSize() const { return m_uiRecordSize; }
    unsigned int GetBlockCount() const { return m_uiBlockCount; }
    unsigned int GetFreeCount() const;

    // The process-wide pool of the camera's draw records.
    static EnRecordPool& DrawRecords();

private:
    void*& LinkOf(void* pRecord) const;

    size_t m_uiRecordSize;
    size_t m_uiStride;  // record size rounded up to the strictest alignment
    void* m_pFreeHead = nullptr;
    void* m_pBlocks = nullptr;  // chain through each block's header
    unsigned int m_uiBlockCount = 0;
};
