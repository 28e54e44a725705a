#include "engine/geometry/TriangleStripifier.h"

#include <algorithm>

void TriangleStripifier::StripEdge::RemoveTriangle(std::vector<uint32_t>& kOwners,
                                                   uint32_t uiTriangle) {
    for (uint32_t i = 0; i < m_uiOwners; i++) {
        if (kOwners[m_uiFirstOwner + i] == uiTriangle) {
            kOwners[m_uiFirstOwner + i] = kOwners[m_uiFirstOwner + m_uiOwners - 1];
            m_uiOwners--;
            return;
        }
    }
}

void TriangleStripifier::StripTriangle::DetachFromEdges(uint32_t uiSelf,
                                                        std::vector<StripEdge>& kEdges,
                                                        std::vector<uint32_t>& kOwners) const {
    for (uint32_t uiEdge : m_auiOwnEdge)
        if (uiEdge != NONE) kEdges[uiEdge].RemoveTriangle(kOwners, uiSelf);
}

void TriangleStripifier::TriangleBuckets::AddHead(std::vector<StripTriangle>& kTriangles,
                                                  uint32_t uiTriangle, uint8_t ucBucket) {
    StripTriangle& kTriangle = kTriangles[uiTriangle];
    kTriangle.m_ucBucket = ucBucket;
    kTriangle.m_uiPrevious = NONE;
    kTriangle.m_uiNext = m_auiHead[ucBucket];
    if (m_auiHead[ucBucket] != NONE) kTriangles[m_auiHead[ucBucket]].m_uiPrevious = uiTriangle;
    m_auiHead[ucBucket] = uiTriangle;
}

void TriangleStripifier::TriangleBuckets::Remove(std::vector<StripTriangle>& kTriangles,
                                                 uint32_t uiTriangle) {
    StripTriangle& kTriangle = kTriangles[uiTriangle];
    if (kTriangle.m_uiPrevious != NONE)
        kTriangles[kTriangle.m_uiPrevious].m_uiNext = kTriangle.m_uiNext;
    else
        m_auiHead[kTriangle.m_ucBucket] = kTriangle.m_uiNext;
    if (kTriangle.m_uiNext != NONE)
        kTriangles[kTriangle.m_uiNext].m_uiPrevious = kTriangle.m_uiPrevious;
    kTriangle.m_uiNext = kTriangle.m_uiPrevious = NONE;
}

uint32_t TriangleStripifier::TriangleBuckets::First() const {
    for (uint32_t uiHead : m_auiHead)
        if (uiHead != NONE) return uiHead;
    return NONE;
}

TriangleStripifier::TriangleStripifier(const uint16_t* pusTriList, uint32_t uiTriangles,
                                       bool bRunOn) {
    if (!pusTriList) uiTriangles = 0;
    BuildAdjacency(pusTriList, uiTriangles);
    m_uiKept = uint32_t(m_kTriangles.size());
    BuildStrips(bRunOn);

    // Only the result outlives the construction.
    std::vector<StripTriangle>().swap(m_kTriangles);
    std::vector<StripEdge>().swap(m_kEdges);
    std::vector<uint32_t>().swap(m_kOwners);
}

bool TriangleStripifier::FitsStripsData() const {
    if (m_uiKept > 0xFFFF || m_kStripLengths.size() > 0xFFFF) return false;
    return std::all_of(m_kStripLengths.begin(), m_kStripLengths.end(),
                       [](uint32_t uiLength) { return uiLength <= 0xFFFF; });
}

void TriangleStripifier::BuildAdjacency(const uint16_t* pusTriList, uint32_t uiTriangles) {
    // Degenerate triangles never enter the records; the source list itself is only read.
    m_kTriangles.reserve(uiTriangles);
    uint16_t usLargest = 0;
    for (uint32_t t = 0; t < uiTriangles; t++) {
        const uint16_t* pusCorner = pusTriList + 3u * t;
        if (IsDegenerate(pusCorner[0], pusCorner[1], pusCorner[2])) continue;
        StripTriangle kTriangle;
        for (int c = 0; c < 3; c++) {
            kTriangle.m_ausCorner[c] = pusCorner[c];
            usLargest = std::max(usLargest, pusCorner[c]);
        }
        m_kTriangles.push_back(kTriangle);
    }
    if (m_kTriangles.empty()) return;

    std::vector<StripVertex> kVertices(uint32_t(usLargest) + 1);
    m_kEdges.reserve(3 * m_kTriangles.size());
    for (StripTriangle& kTriangle : m_kTriangles) {
        for (int k = 0; k < 3; k++) {
            const uint16_t usFrom = kTriangle.m_ausCorner[(k + 1) % 3];
            const uint16_t usTo = kTriangle.m_ausCorner[(k + 2) % 3];
            uint32_t uiEdge = kVertices[usFrom].FindEdgeTo(usTo, m_kEdges);
            if (uiEdge == NONE) {
                uiEdge = uint32_t(m_kEdges.size());
                StripEdge kEdge;
                kEdge.m_usStart = usFrom;
                kEdge.m_usEnd = usTo;
                kEdge.m_uiNextOutgoing = kVertices[usFrom].m_uiFirstEdge;
                m_kEdges.push_back(kEdge);
                kVertices[usFrom].m_uiFirstEdge = uiEdge;
            }
            kTriangle.m_auiOwnEdge[k] = uiEdge;
            m_kEdges[uiEdge].m_uiOwners++;
        }
    }

    // Every edge gets room for the owners just counted; they are then entered in list order,
    // which makes the earliest triangle on an edge its first owner.
    uint32_t uiRoom = 0;
    for (StripEdge& kEdge : m_kEdges) {
        kEdge.m_uiFirstOwner = uiRoom;
        uiRoom += kEdge.m_uiOwners;
        kEdge.m_uiOwners = 0;
    }
    m_kOwners.assign(uiRoom, NONE);
    for (uint32_t t = 0; t < m_kTriangles.size(); t++)
        for (uint32_t uiEdge : m_kTriangles[t].m_auiOwnEdge)
            m_kEdges[uiEdge].AddTriangle(m_kOwners, t);

    std::vector<uint32_t> kReverse(m_kEdges.size());
    for (uint32_t e = 0; e < m_kEdges.size(); e++)
        kReverse[e] = kVertices[m_kEdges[e].m_usEnd].FindEdgeTo(m_kEdges[e].m_usStart, m_kEdges);
    for (StripTriangle& kTriangle : m_kTriangles)
        for (int k = 0; k < 3; k++)
            kTriangle.m_auiOppositeEdge[k] = kReverse[kTriangle.m_auiOwnEdge[k]];
}

uint8_t TriangleStripifier::CountLiveNeighbours(const StripTriangle& kTriangle) const {
    uint8_t ucCount = 0;
    for (uint32_t uiEdge : kTriangle.m_auiOppositeEdge)
        if (IsLive(uiEdge)) ucCount++;
    return ucCount;
}

void TriangleStripifier::Consume(uint32_t uiTriangle) {
    StripTriangle& kTriangle = m_kTriangles[uiTriangle];
    kTriangle.DetachFromEdges(uiTriangle, m_kEdges, m_kOwners);
    m_kBuckets.Remove(m_kTriangles, uiTriangle);
    UpdateNeighbours(kTriangle);
}

void TriangleStripifier::UpdateNeighbours(const StripTriangle& kTriangle) {
    // A neighbour moves to the head of its bucket even when its count stayed the same.
    for (uint32_t uiEdge : kTriangle.m_auiOppositeEdge) {
        if (uiEdge == NONE) continue;
        const StripEdge& kEdge = m_kEdges[uiEdge];
        for (uint32_t i = 0; i < kEdge.m_uiOwners; i++) {
            const uint32_t uiOwner = m_kOwners[kEdge.m_uiFirstOwner + i];
            m_kBuckets.Remove(m_kTriangles, uiOwner);
            m_kBuckets.AddHead(m_kTriangles, uiOwner, CountLiveNeighbours(m_kTriangles[uiOwner]));
        }
    }
}

void TriangleStripifier::BuildStrips(bool bRunOn) {
    const uint32_t uiCount = uint32_t(m_kTriangles.size());
    for (uint32_t t = 0; t < uiCount; t++)
        m_kBuckets.AddHead(m_kTriangles, t, CountLiveNeighbours(m_kTriangles[t]));
    m_kStripIndices.reserve(size_t(uiCount) + 2);

    uint32_t uiConsumed = 0;
    bool bFresh = true;
    uint32_t uiStopEdge = NONE;  // where the last strip stopped, when the next starts there
    while (uiConsumed < uiCount) {
        uint32_t uiTriangle =
            bFresh ? m_kBuckets.First() : m_kEdges[uiStopEdge].FirstOwner(m_kOwners);
        const size_t uiStart = m_kStripIndices.size();

        // Start so that the strip's first two indices leave the third corner, and with it the
        // way on, facing a live neighbour.
        const StripTriangle* pTriangle = &m_kTriangles[uiTriangle];
        int k = 0;
        for (int c = 0; c < 3; c++) {
            if (IsLive(pTriangle->m_auiOppositeEdge[c])) {
                k = c;
                break;
            }
        }
        m_kStripIndices.push_back(pTriangle->m_ausCorner[k]);
        m_kStripIndices.push_back(pTriangle->m_ausCorner[(k + 1) % 3]);
        uint16_t usNext = pTriangle->m_ausCorner[(k + 2) % 3];

        for (;;) {
            uiConsumed++;
            m_kStripIndices.push_back(usNext);
            // The vertex the strip leaves behind faces the edge the next triangle must share.
            const uint16_t usBehind = m_kStripIndices[m_kStripIndices.size() - 3];
            const int j = pTriangle->m_ausCorner[0] == usBehind   ? 0
                          : pTriangle->m_ausCorner[1] == usBehind ? 1
                                                                  : 2;
            const uint32_t uiEdge = pTriangle->m_auiOppositeEdge[j];
            Consume(uiTriangle);

            if (!IsLive(uiEdge)) {
                bFresh = true;
                break;
            }
            if (bFresh && !bRunOn) {
                bFresh = false;
                uiStopEdge = uiEdge;
                break;
            }
            const StripEdge& kEdge = m_kEdges[uiEdge];
            uiTriangle = kEdge.FirstOwner(m_kOwners);
            pTriangle = &m_kTriangles[uiTriangle];
            int c = 0;
            while (c < 2 && (pTriangle->m_ausCorner[c] == kEdge.m_usStart ||
                             pTriangle->m_ausCorner[c] == kEdge.m_usEnd))
                c++;
            usNext = pTriangle->m_ausCorner[c];
        }
        m_kStripLengths.push_back(uint32_t(m_kStripIndices.size() - uiStart));
    }
}
