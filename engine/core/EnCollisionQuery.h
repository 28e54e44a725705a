#pragma once
#include <cstdint>

class EnAVObject;

// One side of a collision query as it travels down a scene graph: the object where the side's
// query started, the object now being tested, and two words the caller passes through. Triangle
// geometry reads the first as how deep the search may go into its box tree (negative: down to
// the triangles) and the second as the leaf-size threshold it builds that tree with; a switch
// node passing on its active child sets the second to -1, a level-of-detail node to 0.
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
