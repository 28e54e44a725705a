#include "engine/core/EnPlaneEquation.h"

#include "engine/core/EnFormatString.h"
#include "engine/core/EnStream.h"

void EnPlaneEquation::SetFromPoints(const EnVector3& kP0, const EnVector3& kP1,
                                    const EnVector3& kP2) {
    m_normal = (kP1 - kP0).Cross(kP2 - kP1);
    m_normal.Unitize();
    m_fConstant = m_normal.Dot(kP0);
}

bool EnPlaneEquation::Load(EnStream& kStream) {
    const bool bNormal = m_normal.Load(kStream);
    const bool bConstant = kStream.ReadF32(m_fConstant);
    return bNormal && bConstant;
}

bool EnPlaneEquation::Save(EnStream& kStream) const {
    const bool bNormal = m_normal.Save(kStream);
    const bool bConstant = kStream.WriteF32(m_fConstant);
    return bNormal && bConstant;
}

char* EnPlaneEquation::MakeViewerString(const char*) const {
    return EnFormatNewString("(%f,%f,%f), %f", double(m_normal.x), double(m_normal.y),
                             double(m_normal.z), double(m_fConstant));
}
