#pragma once
#include <cstdint>

#include "engine/core/EnTMap.h"
#include "engine/d3d/EnD3DMaterialRecord.h"

class EnMaterialProperty;

// The device materials of every material property drawn, keyed by the property's material
// index, with the one currently set on the device. Records live until the cache goes.
class EnD3DMaterialCache {
public:
    // Seeded with the default material property, current and not yet sent.
    EnD3DMaterialCache();
    ~EnD3DMaterialCache();
    EnD3DMaterialCache(const EnD3DMaterialCache&) = delete;
    EnD3DMaterialCache& operator=(const EnD3DMaterialCache&) = delete;

    // Makes the property's record current, creating it or converting it again when the
    // property's revision moved; a change of record or contents marks the cache dirty.
    void Select(EnMaterialProperty* pMaterial);
    // The current record when it still has to be sent (and marks it sent), else null.
    const EnD3DMaterialRecord* TakeDirty();

    const EnD3DMaterialRecord* GetCurrent() const { return m_pCurrent; }
    bool IsDirty() const { return m_bDirty; }
    uint32_t GetCount() const { return m_kRecords.GetCount(); }

    static void Fill(EnD3DMaterialRecord& kRecord, const EnMaterialProperty& kMaterial);

private:
    EnTMap<uint32_t, EnD3DMaterialRecord*> m_kRecords{37};
    EnD3DMaterialRecord* m_pCurrent = nullptr;
    bool m_bDirty = true;
};
