#include "engine/geometry/EnClusterSorter.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/core/EnCamera.h"
#include "engine/core/EnDrawRecord.h"
#include "engine/geometry/EnClusterRecord.h"
#include "engine/geometry/EnGeometry.h"

namespace {

// Three-way comparison of two extents in which NaN sorts before every number
// and equals another NaN, so sorting stays well defined whatever the projection
// produced.
int CompareExtent(float fA, float fB) {
    const bool bNanA = std::isnan(fA);
    const bool bNanB = std::isnan(fB);
    if (bNanA || bNanB) return bNanA == bNanB ? 0 : (bNanA ? -1 : 1);
    if (fA < fB) return -1;
    if (fA > fB) return 1;
    return 0;
}

const EnBoundSphere& WorldBoundOf(const EnClusterRecord& kRecord) {
    static const EnBoundSphere s_kEmpty;
    const EnDrawRecord* pEntry = kRecord.m_pEntry;
    if (!pEntry || !pEntry->m_pGeometry) return s_kEmpty;
    return pEntry->m_pGeometry->GetWorldBound();
}

}  // namespace

EnClusterSorter::EnClusterSorter(EnCamera* pCamera) : m_spCamera(pCamera) {}

EnClusterSorter::~EnClusterSorter() {
    // A frame interrupted between Build and ReleaseRecords must not leak pool
    // records.
    ReleaseRecords();
}

void EnClusterSorter::SetCamera(EnCamera* pCamera) {
    m_spCamera = pCamera;
}

int EnClusterSorter::CompareMinX(const EnClusterRecord& kA, const EnClusterRecord& kB) {
    return CompareExtent(kA.m_afMin[0], kB.m_afMin[0]);
}

int EnClusterSorter::CompareMinY(const EnClusterRecord& kA, const EnClusterRecord& kB) {
    return CompareExtent(kA.m_afMin[1], kB.m_afMin[1]);
}

int EnClusterSorter::CompareMinZ(const EnClusterRecord& kA, const EnClusterRecord& kB) {
    return CompareExtent(kA.m_afMin[2], kB.m_afMin[2]);
}

int EnClusterSorter::CompareDrawOrder(const EnClusterRecord& kA, const EnClusterRecord& kB,
                                      const EnVector3& kEye) {
    if (kA.m_afMax[0] < kB.m_afMin[0] || kB.m_afMax[0] < kA.m_afMin[0] ||
        kA.m_afMax[1] < kB.m_afMin[1] || kB.m_afMax[1] < kA.m_afMin[1])
        return 0;
    if (kA.m_afMax[2] < kB.m_afMin[2]) return -1;
    if (kB.m_afMax[2] < kA.m_afMin[2]) return 1;

    // The depth ranges overlap: split the line between the centres in proportion
    // to the radii and ask on which side of that point the eye lies.
    const EnBoundSphere& kBoundA = WorldBoundOf(kA);
    const EnBoundSphere& kBoundB = WorldBoundOf(kB);
    const float fRadii = kBoundA.m_fRadius + kBoundB.m_fRadius;
    const float fW = fRadii == 0.0f ? 1.0f : kBoundB.m_fRadius / fRadii;
    const EnVector3 kAB = kBoundA.m_center - kBoundB.m_center;
    const EnVector3 kQ = kBoundB.m_center + fW * kAB;
    const float fS = (kEye - kQ).Dot(kAB);
    return fS > 0.0f ? -1 : 1;
}

bool EnClusterSorter::Reserve(int32_t iCount) {
    if (iCount <= m_iRecordCapacity) return true;
    m_ppRecords.reset();
    m_piGroupSizes.reset();
    m_iRecordCapacity = 0;
    std::unique_ptr<EnClusterRecord*[]> ppRecords(new (std::nothrow) EnClusterRecord*[iCount]());
    std::unique_ptr<int32_t[]> piSizes(new (std::nothrow) int32_t[iCount]());
    if (!ppRecords || !piSizes) return false;
    m_ppRecords = std::move(ppRecords);
    m_piGroupSizes = std::move(piSizes);
    m_iRecordCapacity = iCount;
    return true;
}

void EnClusterSorter::Build(const EnTList<EnDrawRecord*>& kQueue) {
    // Records of a previous frame that were not given back go back now.
    ReleaseRecords();
    m_iRecordCount = 0;
    m_iCursor = 0;
    const uint32_t uiQueued = kQueue.GetCount();
    if (uiQueued == 0 || uiQueued > uint32_t(INT32_MAX)) return;
    if (!Reserve(int32_t(uiQueued))) return;

    int32_t iCount = 0;
    EnTListIterator pos = kQueue.GetHeadPos();
    while (pos && iCount < m_iRecordCapacity) {
        EnDrawRecord* pEntry = kQueue.GetNext(pos);
        EnClusterRecord* pRecord = new EnClusterRecord;
        if (!pRecord) break;  // out of memory: sort what we have
        pRecord->m_uiSpare = 0;
        pRecord->m_pEntry = pEntry;
        EnVector3 kA(0.0f, 0.0f, 0.0f);
        EnVector3 kB(0.0f, 0.0f, 0.0f);
        if (m_spCamera && pEntry && pEntry->m_pGeometry)
            m_spCamera->ProjectObjectBound(pEntry->m_pGeometry, kA, kB);
        // The projection's corners are the left/right, upper/lower and near/far
        // points.
        pRecord->m_afMin[0] = std::fmin(kA.x, kB.x);
        pRecord->m_afMax[0] = std::fmax(kA.x, kB.x);
        pRecord->m_afMin[1] = std::fmin(kA.y, kB.y);
        pRecord->m_afMax[1] = std::fmax(kA.y, kB.y);
        pRecord->m_afMin[2] = std::fmin(kA.z, kB.z);
        pRecord->m_afMax[2] = std::fmax(kA.z, kB.z);
        m_ppRecords[iCount] = pRecord;
        m_piGroupSizes[iCount] = 0;
        iCount++;
    }
    m_iRecordCount = iCount;
    if (iCount == 0) return;

    m_piGroupSizes[0] = iCount;
    for (int iAxis : {2, 1, 0}) {
        SortGroups(iAxis);
        SplitGroups(iAxis);
    }
    OrderGroups();
}

void EnClusterSorter::SortGroups(int iAxis) {
    auto pfnCompare = iAxis == 0 ? &CompareMinX : iAxis == 1 ? &CompareMinY : &CompareMinZ;
    for (int32_t g = 0; g < m_iRecordCount;) {
        const int32_t iSize = std::max(m_piGroupSizes[g], int32_t(1));
        EnClusterRecord** ppFirst = &m_ppRecords[g];
        std::sort(ppFirst, ppFirst + iSize, [pfnCompare](EnClusterRecord* pA, EnClusterRecord* pB) {
            return pfnCompare(*pA, *pB) < 0;
        });
        g += iSize;
    }
}

void EnClusterSorter::SplitGroups(int iAxis) {
    for (int32_t g = 0; g < m_iRecordCount;) {
        const int32_t iEnd = g + std::max(m_piGroupSizes[g], int32_t(1));
        int32_t iStart = g;
        float fRunning = m_ppRecords[g]->m_afMax[iAxis];
        for (int32_t k = g + 1; k < iEnd; k++) {
            const EnClusterRecord* pRecord = m_ppRecords[k];
            if (pRecord->m_afMin[iAxis] <= fRunning) {
                if (pRecord->m_afMax[iAxis] > fRunning) fRunning = pRecord->m_afMax[iAxis];
            } else {
                m_piGroupSizes[iStart] = k - iStart;
                iStart = k;
                fRunning = pRecord->m_afMax[iAxis];
            }
        }
        m_piGroupSizes[iStart] = iEnd - iStart;
        g = iEnd;
    }
}

void EnClusterSorter::OrderGroups() {
    const EnVector3 kEye = m_spCamera ? m_spCamera->GetWorldLocation() : EnVector3::ZERO;
    for (int32_t g = 0; g < m_iRecordCount;) {
        const int32_t iSize = std::max(m_piGroupSizes[g], int32_t(1));
        if (iSize == 2) {
            if (CompareDrawOrder(*m_ppRecords[g], *m_ppRecords[g + 1], kEye) == 1)
                std::swap(m_ppRecords[g], m_ppRecords[g + 1]);
        } else if (iSize >= 3) {
            m_kOrderGraph.Sort(&m_ppRecords[g], uint32_t(iSize), &CompareDrawOrder, kEye);
        }
        g += iSize;
    }
}

void EnClusterSorter::BeginIteration() {
    m_iCursor = m_iRecordCount;
}

EnDrawRecord* EnClusterSorter::NextObject() {
    while (m_iCursor > 0) {
        EnClusterRecord* pRecord = m_ppRecords[--m_iCursor];
        if (pRecord) return pRecord->m_pEntry;
    }
    return nullptr;
}

void EnClusterSorter::ReleaseRecords() {
    for (int32_t i = 0; i < m_iRecordCount; i++) {
        EnClusterRecord::Free(m_ppRecords[i]);
        m_ppRecords[i] = nullptr;
    }
}
