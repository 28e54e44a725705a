#include "engine/core/EnColorRGB.h"

#include "engine/core/EnFormatString.h"
#include "engine/core/EnStream.h"

constinit const EnColorRGB EnColorRGB::BLACK(0.0f, 0.0f, 0.0f);
constinit const EnColorRGB EnColorRGB::WHITE(1.0f, 1.0f, 1.0f);

bool EnColorRGB::Load(EnStream& kStream) {
    bool bOk = kStream.ReadF32(r);
    bOk = kStream.ReadF32(g) && bOk;
    return kStream.ReadF32(b) && bOk;
}

bool EnColorRGB::Save(EnStream& kStream) const {
    bool bOk = kStream.WriteF32(r);
    bOk = kStream.WriteF32(g) && bOk;
    return kStream.WriteF32(b) && bOk;
}

char* EnColorRGB::MakeViewerString(const char* pcLabel) const {
    return EnFormatNewString("%s = (%5.3f,%5.3f,%5.3f)", pcLabel ? pcLabel : "", double(r),
                             double(g), double(b));
}
