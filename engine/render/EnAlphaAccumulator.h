#pragma once
#include "engine/render/EnClusterAccumulator.h"

// The accumulator of blended geometry: it takes only objects whose current alpha property has
// blending on, so opaque objects draw at once during the scene draw and blended ones
// afterwards, sorted back to front.
class EnAlphaAccumulator : public EnClusterAccumulator {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnAlphaAccumulator() = default;

    EnObject* CloneObject() override;
    bool CollectObject(EnGeometry* pGeometry) override;

    // While on (the default), objects whose alpha property carries the no-sorter flag draw
    // at once.
    bool GetObserveNoSortHint() const { return m_bObserveNoSortHint; }
    void SetObserveNoSortHint(bool bObserve) { m_bObserveNoSortHint = bObserve; }

protected:
    bool m_bObserveNoSortHint = true;
};
