#include "engine/core/EnDrawRecord.h"

#include "engine/core/EnRecordPool.h"

namespace {
constinit EnDrawQueuedRecordFn s_pfnDrawQueuedRecord = nullptr;
}  // namespace

void* EnDrawRecord::operator new(size_t uiSize) noexcept {
    // Non-throwing: when the pool cannot grow, `new EnDrawRecord` yields null, which callers
    // treat as no record.
    return EnRecordPool::DrawRecords().Allocate(uiSize);
}

void EnDrawRecord::operator delete(void* pRecord, size_t uiSize) {
    EnRecordPool::DrawRecords().Free(pRecord, uiSize);
}

void DrawQueuedRecord(EnDrawRecord& kRecord, EnRender& kRenderer) {
    if (s_pfnDrawQueuedRecord) s_pfnDrawQueuedRecord(kRecord, kRenderer);
}

EnDrawQueuedRecordFn SetDrawQueuedRecordFunction(EnDrawQueuedRecordFn pfnDraw) {
    EnDrawQueuedRecordFn pfnPrevious = s_pfnDrawQueuedRecord;
    s_pfnDrawQueuedRecord = pfnDraw;
    return pfnPrevious;
}
