#include "engine/core/EnColorRGBA.h"

#include "engine/core/EnStream.h"

constinit const EnColorRGBA EnColorRGBA::BLACK(0.0f, 0.0f, 0.0f, 1.0f);
constinit const EnColorRGBA EnColorRGBA::WHITE(1.0f, 1.0f, 1.0f, 1.0f);

bool EnColorRGBA::Load(EnStream& kStream) {
    bool bOk = kStream.ReadF32(r);
    bOk = kStream.ReadF32(g) && bOk;
    bOk = kStream.ReadF32(b) && bOk;
    return kStream.ReadF32(a) && bOk;
}

bool EnColorRGBA::Save(EnStream& kStream) const {
    bool bOk = kStream.WriteF32(r);
    bOk = kStream.WriteF32(g) && bOk;
    bOk = kStream.WriteF32(b) && bOk;
    return kStream.WriteF32(a) && bOk;
}
