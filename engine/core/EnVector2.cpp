#include "engine/core/EnVector2.h"

#include "engine/core/EnStream.h"

constinit const EnVector2 EnVector2::ZERO(0.0f, 0.0f);
constinit const EnVector2 EnVector2::UNIT_X(1.0f, 0.0f);
constinit const EnVector2 EnVector2::UNIT_Y(0.0f, 1.0f);

bool EnVector2::Load(EnStream& kStream) {
    const bool bX = kStream.ReadF32(x);
    const bool bY = kStream.ReadF32(y);
    return bX && bY;
}

bool EnVector2::Save(EnStream& kStream) const {
    const bool bX = kStream.WriteF32(x);
    const bool bY = kStream.WriteF32(y);
    return bX && bY;
}
