#pragma once
#include "engine/core/EnVector3.h"

class EnAVObject;

// What a collision search hands to the collision callbacks: the two objects where the two
// sides' queries started (whose callbacks run), the two objects actually in contact, and the
// first contact's time, point and the surface normal on each side.
struct EnCollisionRecord {
    EnAVObject* m_pTopA = nullptr;
    EnAVObject* m_pTopB = nullptr;
    EnAVObject* m_pObjectA = nullptr;
    EnAVObject* m_pObjectB = nullptr;
    float m_fTime = 0.0f;
    EnVector3 m_kPoint{0.0f, 0.0f, 0.0f};
    EnVector3 m_kNormalA{0.0f, 0.0f, 0.0f};
    EnVector3 m_kNormalB{0.0f, 0.0f, 0.0f};
};
