#pragma once
#include <cstddef>
#include <cstdint>

class EnGeometry;
class EnRender;

// What the camera queues for a geometry object whose drawing an accumulator defers: the
// object (the record holds one reference, taken by the camera and dropped by whoever empties
// the queue) and the camera's culling-plane mask at the moment of collection. Records live
// in the draw-record pool.
struct EnDrawRecord {
    EnGeometry* m_pGeometry = nullptr;
    uint32_t m_auiPlaneMask[4] = {0, 0, 0, 0};

    static void* operator new(size_t uiSize) noexcept;
    static void operator delete(void* pRecord, size_t uiSize);
};

// Draws the geometry a record holds: the first controller's pre-draw step, then the object's
// own draw with the renderer. The geometry library owns that knowledge and installs it; until
// then queued records draw nothing.
using EnDrawQueuedRecordFn = void (*)(EnDrawRecord& kRecord, EnRender& kRenderer);
void DrawQueuedRecord(EnDrawRecord& kRecord, EnRender& kRenderer);
// Returns the function that was installed; null uninstalls.
EnDrawQueuedRecordFn SetDrawQueuedRecordFunction(EnDrawQueuedRecordFn pfnDraw);
