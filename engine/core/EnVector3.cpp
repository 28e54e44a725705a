#include "engine/core/EnVector3.h"

#include "engine/core/EnFormatString.h"
#include "engine/core/EnStream.h"

// Constant-initialised, so they hold their values before any dynamic start-up code reads them.
constinit const EnVector3 EnVector3::ZERO(0.0f, 0.0f, 0.0f);
constinit const EnVector3 EnVector3::UNIT_X(1.0f, 0.0f, 0.0f);
constinit const EnVector3 EnVector3::UNIT_Y(0.0f, 1.0f, 0.0f);
constinit const EnVector3 EnVector3::UNIT_Z(0.0f, 0.0f, 1.0f);

bool EnVector3::Load(EnStream& kStream) {
    const bool bX = kStream.ReadF32(x);
    const bool bY = kStream.ReadF32(y);
    const bool bZ = kStream.ReadF32(z);
    return bX && bY && bZ;
}

bool EnVector3::Save(EnStream& kStream) const {
    const bool bX = kStream.WriteF32(x);
    const bool bY = kStream.WriteF32(y);
    const bool bZ = kStream.WriteF32(z);
    return bX && bY && bZ;
}

char* EnVector3::MakeViewerString(const char* pcName) const {
    return EnFormatNewString("%s = (%f,%f,%f)", pcName ? pcName : "", double(x), double(y),
                             double(z));
}
