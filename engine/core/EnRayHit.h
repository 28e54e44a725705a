#pragma once
#include <cstdint>

#include "engine/core/EnAVObject.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnVector3.h"

// One hit of a ray search: the object hit (one reference), where along the ray, and what the
// triangle search found at that point. A hit on a bound alone leaves everything but the
// object zero.
struct EnRayHit {
    EnPointer<EnAVObject> m_spObject;
    EnPointer<EnAVObject> m_spOther;  // a second object the search may name; null here
    EnVector3 m_kPoint{0.0f, 0.0f, 0.0f};
    float m_fDistance = 0.0f;  // in units of the ray direction
    uint16_t m_usTriangle = 0;
    uint16_t m_ausVertex[3] = {0, 0, 0};
    float m_afTexture[2] = {0.0f, 0.0f};
    EnVector3 m_kNormal{0.0f, 0.0f, 0.0f};
    float m_afColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};
