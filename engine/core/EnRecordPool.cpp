#include "engine/core/EnRecordPool.h"

#include <new>
#include "engine/core/EnDrawRecord.h"

namespace {

constexpr size_t kAlign = alignof(std::max_align_t);

constexpr size_t RoundUp(size_t uiSize) {
    return (uiSize + kAlign - 1) / kAlign * kAlign;
}

// Each block starts with the link to the next block, padded so the records stay aligned.
constexpr size_t kBlockHeader = RoundUp(sizeof(void*));

}  // namespace

EnRecordPool::EnRecordPool(size_t uiRecordSize)
    : m_uiRecordSize(uiRecordSize),
      m_uiStride(RoundUp(uiRecordSize < sizeof(void*) ? sizeof(void*) : uiRecordSize)) {}

EnRecordPool::~EnRecordPool() {
    void* pBlock = m_pBlocks;
    while (pBlock) {
        void* pNext = *static_cast<void**>(pBlock);
        ::operator delete(pBlock);
        pBlock = pNext;
    }
}

void*& EnRecordPool::LinkOf(void* pRecord) const {
    // Stride and record start are both multiples of the strictest alignment, so the last
    // pointer-sized slot is suitably aligned for a pointer.
    return *reinterpret_cast<void**>(static_cast<char*>(pRecord) + m_uiStride - sizeof(void*));
}

void* EnRecordPool::Allocate(size_t uiSize) {
    if (uiSize != m_uiRecordSize) return ::operator new(uiSize);

    if (m_pFreeHead) {
        void* pRecord = m_pFreeHead;
        m_pFreeHead = LinkOf(pRecord);
        return pRecord;
    }

    void* pBlock = ::operator new(kBlockHeader + RECORDS_PER_BLOCK * m_uiStride);
    if (!pBlock) return nullptr;
    *static_cast<void**>(pBlock) = m_pBlocks;
    m_pBlocks = pBlock;
    ++m_uiBlockCount;

    char* pFirst = static_cast<char*>(pBlock) + kBlockHeader;
    // Records 2..4 go on the free list in block order; record 1 is handed out.
    for (unsigned int i = 1; i < RECORDS_PER_BLOCK; ++i) {
        void* pRecord = pFirst + i * m_uiStride;
        LinkOf(pRecord) = i + 1 < RECORDS_PER_BLOCK ? pFirst + (i + 1) * m_uiStride : nullptr;
    }
    m_pFreeHead = pFirst + m_uiStride;
    return pFirst;
}

void EnRecordPool::Free(void* pRecord) {
    if (!pRecord) return;
    LinkOf(pRecord) = m_pFreeHead;
    m_pFreeHead = pRecord;
}

void EnRecordPool::Free(void* pRecord, size_t uiSize) {
    if (uiSize != m_uiRecordSize) {
        ::operator delete(pRecord);
        return;
    }
    Free(pRecord);
}

unsigned int EnRecordPool::GetFreeCount() const {
    unsigned int uiCount = 0;
    for (void* p = m_pFreeHead; p; p = LinkOf(p)) ++uiCount;
    return uiCount;
}

EnRecordPool& EnRecordPool::DrawRecords() {
    static EnRecordPool s_kPool(sizeof(EnDrawRecord));
    return s_kPool;
}
