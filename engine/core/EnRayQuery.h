#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/EnRayHit.h"

// A ray search through a scene graph (FindIntersections): how to search, filled by the caller,
// and the hits found, in the order found. The query owns its hits.
struct EnRayQuery {
    uint32_t m_uiStopMode = 0;  // stop mode and sort mode both 1: stop after the first hit
    uint32_t m_uiSortMode = 0;
    uint32_t m_uiTestMode = 1;        // 0: report the bounds hit, test no triangles
    uint32_t m_uiCoordinateMode = 1;  // 1: points and normals in world space, else model space
    bool m_bFrontOnly = false;        // one-sided triangle tests
    bool m_bObserveAppCulled = true;  // app-culled objects are skipped
    bool m_bUseOBBTrees = false;
    bool m_bWantTexture = false;
    bool m_bWantNormal = false;
    bool m_bSmoothNormal = false;
    bool m_bWantColor = false;

    // Hit slots; a slot the caller emptied is reused by the next hit.
    std::vector<std::unique_ptr<EnRayHit>> m_kHits;
    EnRayHit* m_pLastHit = nullptr;

    bool StopsAtFirstHit() const { return m_uiStopMode == 1 && m_uiSortMode == 1; }
    bool HasHit() const {
        for (const auto& spHit : m_kHits)
            if (spHit) return true;
        return false;
    }
    // Makes the hit the last one and puts it into the first free slot.
    EnRayHit& AddHit(std::unique_ptr<EnRayHit> spHit) {
        m_pLastHit = spHit.get();
        for (auto& spSlot : m_kHits) {
            if (!spSlot) {
                spSlot = std::move(spHit);
                return *m_pLastHit;
            }
        }
        m_kHits.push_back(std::move(spHit));
        return *m_pLastHit;
    }
    void ClearHits() {
        m_kHits.clear();
        m_pLastHit = nullptr;
    }
};
