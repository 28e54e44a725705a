#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnVector3.h"

struct EnClusterRecord;

// The work block that orders one group of overlapping objects: an edge a -> b
// means that a is farther and must be drawn before b. The arrays only ever
// grow, so a frame costs no allocations once the largest group has been seen.
class EnDepthOrderGraph {
public:
    // -1: the first record is nearer than the second; 1: farther; 0: no order
    // needed.
    using Comparator = int (*)(const EnClusterRecord& kA, const EnClusterRecord& kB,
                               const EnVector3& kEye);

    static constexpr uint32_t INITIAL_CAPACITY = 16;

    EnDepthOrderGraph();
    EnDepthOrderGraph(const EnDepthOrderGraph&) = delete;
    EnDepthOrderGraph& operator=(const EnDepthOrderGraph&) = delete;

    // Reorders apRecords[0..n) in place so that, handed out from the last
    // position to the first, every object comes before the nearer objects it
    // overlaps. A cycle of orders is broken at the record with the fewest
    // remaining farther neighbours.
    void Sort(EnClusterRecord** apRecords, uint32_t uiCount, Comparator pfnCompare,
              const EnVector3& kEye);

    uint32_t GetCapacity() const { return m_uiCapacity; }

private:
    bool Grow(uint32_t uiCount);
    void TopologicalOrder(EnClusterRecord** apRecords);

    uint32_t m_uiCapacity = 0;
    uint32_t m_uiCount = 0;                // records in the group being sorted
    std::unique_ptr<uint8_t[]> m_pMatrix;  // capacity x capacity; row a, column b: a before b
    std::unique_ptr<int32_t[]> m_piInDegree;
    std::unique_ptr<int32_t[]> m_piOutDegree;
    std::unique_ptr<EnClusterRecord*[]> m_ppEntries;
};
