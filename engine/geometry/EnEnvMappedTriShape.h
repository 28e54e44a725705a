#pragma once
#include "engine/geometry/EnTriShape.h"

// A triangle shape whose first texture-coordinate set is rewritten before every draw from the
// reflection of the view direction about its world normals, so that its texture looks like a
// reflected environment. It keeps world normals at all times.
class EnEnvMappedTriShape : public EnTriShape {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnEnvMappedTriShape();
    explicit EnEnvMappedTriShape(EnTriShapeData* pModelData);
    ~EnEnvMappedTriShape() override;

    EnObject* CloneObject() override;
    void LinkFromStream(EnStream& kStream) override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // As a triangle shape's draw, with the reflection coordinates made first (for the camera's
    // location) and the data's full counts in the statistics.
    void Draw(EnCamera* pCamera) override;

    // Texture set 0 of every vertex from the reflection, about the vertex's world normal, of
    // the direction from the shape's bound centre to the eye.
    void ComputeEnvMapCoords(const EnVector3& kEye);
};
