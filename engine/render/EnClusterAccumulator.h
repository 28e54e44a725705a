#pragma once
#include "engine/core/EnTList.h"
#include "engine/geometry/EnClusterSorter.h"
#include "engine/render/EnAccumulator.h"

struct EnDrawRecord;

// An accumulator that takes every object offered and, at the end of the collection, draws
// them in the back-to-front order of its cluster sorter. Each queued object costs one draw
// record and one list node, both from pools that are reused frame after frame.
class EnClusterAccumulator : public EnAccumulator {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnClusterAccumulator();
    ~EnClusterAccumulator() override;

    EnObject* CloneObject() override;

    bool BeginCollect(EnCamera* pCamera) override;
    void EndCollect() override;
    bool CollectObject(EnGeometry* pGeometry) override;

    uint32_t GetQueuedCount() const { return m_kQueue.GetCount(); }
    const EnTList<EnDrawRecord*>& GetQueue() const { return m_kQueue; }
    const EnClusterSorter& GetSorter() const { return m_kSorter; }

protected:
    // Queues a draw record of the object made by the collection camera.
    bool QueueObject(EnGeometry* pGeometry);
    // Releases each queued record's object and gives the record back to its pool.
    void EmptyQueue();

    EnTList<EnDrawRecord*> m_kQueue{2};
    EnClusterSorter m_kSorter;
};
