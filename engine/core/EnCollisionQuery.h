#pragma once
#include <cstdint>

class EnAVObject;

// One side of a collision query as it travels down a scene graph: the object where the side's
// query started, the object now being tested, and two words the caller passes through. The
// first is handed to the geometry that builds its collision tree on demand; the second tells
// whether the tested object was picked by a switch (-1) or a level-of-detail node (0).
struct EnCollisionQuery {
    EnAVObject* m_pTop = nullptr;
    EnAVObject* m_pObject = nullptr;
    int32_t m_iTreeArgument = 0;
    int32_t m_iMarker = 0;

    // The same side with another object under test.
    EnCollisionQuery WithObject(EnAVObject* pObject) const {
        EnCollisionQuery kCopy = *this;
        kCopy.m_pObject = pObject;
        return kCopy;
    }
};
