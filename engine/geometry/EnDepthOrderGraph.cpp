#include "engine/geometry/EnDepthOrderGraph.h"

#include <new>

EnDepthOrderGraph::EnDepthOrderGraph() {
    Grow(INITIAL_CAPACITY);
}

bool EnDepthOrderGraph::Grow(uint32_t uiCount) {
    if (uiCount <= m_uiCapacity) return true;
    const size_t uiCells = size_t(uiCount) * uiCount;
    std::unique_ptr<uint8_t[]> pMatrix(new (std::nothrow) uint8_t[uiCells]);
    std::unique_ptr<int32_t[]> piIn(new (std::nothrow) int32_t[uiCount]);
    std::unique_ptr<int32_t[]> piOut(new (std::nothrow) int32_t[uiCount]);
    std::unique_ptr<EnClusterRecord*[]> ppEntries(new (std::nothrow) EnClusterRecord*[uiCount]);
    if (!pMatrix || !piIn || !piOut || !ppEntries) return false;
    m_pMatrix = std::move(pMatrix);
    m_piInDegree = std::move(piIn);
    m_piOutDegree = std::move(piOut);
    m_ppEntries = std::move(ppEntries);
    m_uiCapacity = uiCount;
    return true;
}

void EnDepthOrderGraph::Sort(EnClusterRecord** apRecords, uint32_t uiCount, Comparator pfnCompare,
                             const EnVector3& kEye) {
    // Without room for the graph the group keeps its depth order, which is the
    // best guess.
    if (uiCount < 2 || !Grow(uiCount)) return;
    m_uiCount = uiCount;
    const uint32_t n = uiCount;
    uint8_t* pM = m_pMatrix.get();
    for (uint32_t i = 0; i < n; i++) {
        m_piInDegree[i] = 0;
        m_piOutDegree[i] = 0;
        m_ppEntries[i] = apRecords[i];
        pM[i * n + i] = 0;
    }
    for (uint32_t i = 0; i < n; i++) {
        for (uint32_t j = i + 1; j < n; j++) {
            const int c = pfnCompare(*m_ppEntries[i], *m_ppEntries[j], kEye);
            if (c == 0) {
                pM[i * n + j] = 0;
                pM[j * n + i] = 0;
            } else if (c < 0) {
                // i is nearer: j goes first.
                pM[j * n + i] = 1;
                pM[i * n + j] = 0;
                m_piInDegree[i]++;
                m_piOutDegree[j]++;
            } else {
                pM[i * n + j] = 1;
                pM[j * n + i] = 0;
                m_piInDegree[j]++;
                m_piOutDegree[i]++;
            }
        }
    }
    TopologicalOrder(apRecords);
}

void EnDepthOrderGraph::TopologicalOrder(EnClusterRecord** apRecords) {
    const uint32_t n = m_uiCount;
    const uint8_t* pM = m_pMatrix.get();
    // Positions are filled from the last; the sorter hands records out from the
    // last, so the first record taken (one with nothing farther left) is the
    // first drawn.
    for (uint32_t uiPos = n; uiPos-- > 0;) {
        uint32_t uiTake = n;
        for (uint32_t i = 0; i < n; i++) {
            if (m_piInDegree[i] == 0) {
                uiTake = i;
                break;
            }
        }
        if (uiTake == n) {
            // A cycle: the record with the fewest farther neighbours left, then the
            // one that orders the most others, then the lowest number.
            for (uint32_t i = 0; i < n; i++) {
                if (m_piInDegree[i] <= 0) continue;
                if (uiTake == n || m_piInDegree[i] < m_piInDegree[uiTake] ||
                    (m_piInDegree[i] == m_piInDegree[uiTake] &&
                     m_piOutDegree[i] > m_piOutDegree[uiTake]))
                    uiTake = i;
            }
        }
        apRecords[uiPos] = m_ppEntries[uiTake];
        for (uint32_t j = 0; j < n; j++) {
            if (pM[uiTake * n + j] && m_piInDegree[j] > 0) m_piInDegree[j]--;
        }
        m_piOutDegree[uiTake] = 0;
        m_piInDegree[uiTake] = -1;
    }
}
