#include "engine/render/EnClusterAccumulator.h"

#include "engine/core/EnCamera.h"
#include "engine/core/EnDrawRecord.h"
#include "engine/geometry/EnGeometry.h"

EN_IMPLEMENT_RTTI(EnClusterAccumulator, EnAccumulator);
EN_IMPLEMENT_STREAM(EnClusterAccumulator);

EnClusterAccumulator::EnClusterAccumulator() = default;

EnClusterAccumulator::~EnClusterAccumulator() {
    EmptyQueue();
}

EnObject* EnClusterAccumulator::CloneObject() {
    return new EnClusterAccumulator;
}

bool EnClusterAccumulator::BeginCollect(EnCamera* pCamera) {
    if (!EnAccumulator::BeginCollect(pCamera)) return false;
    m_kSorter.SetCamera(pCamera);
    return true;
}

bool EnClusterAccumulator::CollectObject(EnGeometry* pGeometry) {
    return QueueObject(pGeometry);
}

bool EnClusterAccumulator::QueueObject(EnGeometry* pGeometry) {
    // Outside a collection there is no camera to draw the record later: draw at once.
    if (!m_pCamera || !pGeometry) return false;
    EnDrawRecord* pRecord = m_pCamera->CreateDrawRecord(pGeometry);
    if (!pRecord) return false;
    m_kQueue.AddTail(pRecord);
    return true;
}

void EnClusterAccumulator::EndCollect() {
    if (!m_pCamera) return;
    EnCamera* pCamera = m_pCamera;

    m_kSorter.Build(m_kQueue);
    m_kSorter.BeginIteration();
    while (EnDrawRecord* pRecord = m_kSorter.NextObject()) pCamera->DrawRecordWithMask(*pRecord);
    m_kSorter.ReleaseRecords();

    EmptyQueue();
    m_kSorter.SetCamera(nullptr);
    EnAccumulator::EndCollect();
}

void EnClusterAccumulator::EmptyQueue() {
    while (!m_kQueue.IsEmpty()) {
        EnDrawRecord* pRecord = m_kQueue.RemoveHead();
        if (!pRecord) continue;
        if (pRecord->m_pGeometry) pRecord->m_pGeometry->ReleaseReference();
        delete pRecord;
    }
}
