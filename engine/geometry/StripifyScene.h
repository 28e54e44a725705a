#pragma once
#include "engine/core/EnPointer.h"
#include "engine/core/EnTMap.h"
#include "engine/geometry/EnTriShapeData.h"
#include "engine/geometry/EnTriStripsData.h"

class EnAVObject;
class EnNode;
class EnObjectNET;
class EnTimeController;
class EnTriShape;
class EnTriStrips;

// The load-time pass that replaces the triangle-list shapes of a scene by triangle-strip
// shapes drawing the same triangles, without the degenerate ones.
//
// Only plain shapes are rebuilt: objects of exactly the class EnTriShape, without controllers
// (skin and morph controllers work on the triangle list), over data of exactly the class
// EnTriShapeData (dynamic data changes its drawn part at run time) whose indices fit its
// vertices. A mesh whose strips would not fit the strip data's 16-bit fields stays a triangle
// list too.

// What one pass made of a triangle-list data object: the strip data that every shape sharing
// it is rebuilt over, or none when the shapes over it stay as they are. The entry holds the
// source as well, so that no data address can be reused while the pass runs.
struct StripifiedData {
    EnPointer<EnTriShapeData> m_spSource;
    EnPointer<EnTriStripsData> m_spStrips;
};
using StripifiedDataMap = EnTMap<EnTriShapeData*, StripifiedData>;

// Rebuilds every plain triangle shape below the node, at any depth. Shapes that share one data
// object end up sharing one strip data object.
void StripifyScene(EnNode* pRoot, bool bRunOn);
// The walk: nodes are entered, plain shapes replaced at their own child index.
void StripifyNode(EnNode* pNode, StripifiedDataMap& kMap, bool bRunOn);
// Whether the object is a shape the pass rebuilds (see above).
bool CanStripify(const EnAVObject* pObject);
// A strip shape over new strip data made from the shape's, with the shape's scene state; the
// degenerate triangles dropped are reported on the debugger output. Null when the shape is not
// one the pass rebuilds or its strips would not fit the strip data.
EnPointer<EnTriStrips> ConvertTriShape(EnTriShape* pShape, bool bRunOn);
// Moves the shape's scene state onto the object that replaces it: name, flags (culling and
// collision), local transform (the scale with its sign), properties in the same order, the
// extra-data chain and the controllers. World values are left to the next update.
void TransferObjectState(EnAVObject* pNew, EnAVObject* pShape);
// Hands the controller and every one after it in its chain to the new target, the last first,
// so the chain arrives in its old order.
void RetargetControllers(EnObjectNET* pNew, EnTimeController* pController);
