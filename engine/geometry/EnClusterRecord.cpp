#include "engine/geometry/EnClusterRecord.h"

#include "engine/core/EnRecordPool.h"

namespace {

// Function-local so that records can be taken during other units' start-up; the
// pool frees its blocks at exit.
EnRecordPool& Pool() {
    static EnRecordPool s_kPool(sizeof(EnClusterRecord));
    return s_kPool;
}

}  // namespace

void* EnClusterRecord::Allocate(size_t uiSize) noexcept {
    return Pool().Allocate(uiSize);
}

void EnClusterRecord::Free(EnClusterRecord* pRecord) {
    if (pRecord) Pool().Free(pRecord, sizeof(EnClusterRecord));
}

void EnClusterRecord::operator delete(void* pRecord, size_t uiSize) {
    Pool().Free(pRecord, uiSize);
}

unsigned int EnClusterRecord::GetPoolBlockCount() {
    return Pool().GetBlockCount();
}
