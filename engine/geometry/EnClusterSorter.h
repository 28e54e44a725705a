#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnPointer.h"
#include "engine/core/EnTList.h"
#include "engine/geometry/EnDepthOrderGraph.h"

class EnCamera;
struct EnClusterRecord;
struct EnDrawRecord;

// Orders the objects a cluster accumulator queued for drawing back to front.
// Each object's world bound is projected through the camera into a screen box;
// sweeps along depth, y and x split the queue into groups of overlapping boxes;
// each group is ordered by pairwise depth tests (a topological sort for three
// or more). Objects are handed out from the last record to the first, which
// draws the farther of two overlapping objects before the nearer.
class EnClusterSorter {
public:
    explicit EnClusterSorter(EnCamera* pCamera = nullptr);
    virtual ~EnClusterSorter();
    EnClusterSorter(const EnClusterSorter&) = delete;
    EnClusterSorter& operator=(const EnClusterSorter&) = delete;

    // Rebuilds the order for the queue's draw records (queue order).
    virtual void Build(const EnTList<EnDrawRecord*>& kQueue);
    virtual void BeginIteration();
    // The next record in drawing order; null at the end.
    virtual EnDrawRecord* NextObject();
    // Gives the sorter's own records back to their pool (the count stays until
    // the next Build).
    virtual void ReleaseRecords();

    EnCamera* GetCamera() const { return m_spCamera; }
    void SetCamera(EnCamera* pCamera);

    uint32_t GetRecordCount() const { return m_iRecordCount > 0 ? uint32_t(m_iRecordCount) : 0; }
    uint32_t GetRecordCapacity() const { return uint32_t(m_iRecordCapacity); }
    const EnDepthOrderGraph& GetOrderGraph() const { return m_kOrderGraph; }
    // After Build: the size of the group that starts at the position, 0 inside a group.
    int32_t GetGroupSizeAt(uint32_t uiIndex) const {
        return uiIndex < GetRecordCount() ? m_piGroupSizes[uiIndex] : 0;
    }

    // The three-way orders the sort uses, exposed for their own tests. The extent
    // comparison is a strict weak order even for NaN extents: a NaN sorts before
    // every number.
    static int CompareMinX(const EnClusterRecord& kA, const EnClusterRecord& kB);
    static int CompareMinY(const EnClusterRecord& kA, const EnClusterRecord& kB);
    static int CompareMinZ(const EnClusterRecord& kA, const EnClusterRecord& kB);
    // -1 when A is nearer than B, 1 when farther, 0 when their boxes do not
    // overlap on screen.
    static int CompareDrawOrder(const EnClusterRecord& kA, const EnClusterRecord& kB,
                                const EnVector3& kEye);

private:
    bool Reserve(int32_t iCount);
    void SortGroups(int iAxis);
    void SplitGroups(int iAxis);
    void OrderGroups();

    EnPointer<EnCamera> m_spCamera;
    int32_t m_iRecordCount = 0;
    int32_t m_iRecordCapacity = 0;
    std::unique_ptr<EnClusterRecord*[]> m_ppRecords;
    std::unique_ptr<int32_t[]> m_piGroupSizes;  // at a group's first position: its size
    int32_t m_iCursor = 0;
    EnDepthOrderGraph m_kOrderGraph;
};
