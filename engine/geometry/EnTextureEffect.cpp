#include "engine/geometry/EnTextureEffect.h"

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/geometry/EnImage.h"

EN_IMPLEMENT_RTTI(EnTextureEffect, EnDynamicEffect);
EN_IMPLEMENT_STREAM(EnTextureEffect);

namespace {

char* MakeViewerEnum(const char* pcLabel, uint32_t uiValue, const char* const* ppcNames,
                     uint32_t uiCount) {
    if (uiValue < uiCount) return MakeViewerString(pcLabel, ppcNames[uiValue]);
    return MakeViewerUInt(pcLabel, uiValue);
}

constexpr const char* TEXTURE_MODE_NAMES[] = {"PROJECTED_LIGHT", "PROJECTED_SHADOW",
                                              "ENVIRONMENT_MAP", "FOG_MAP"};
constexpr const char* COORD_MODE_NAMES[] = {"WORLD_PARALLEL", "WORLD_PERSPECTIVE", "SPHERE_MAP"};
constexpr const char* FILTER_NAMES[] = {"FILTER_NEAREST",         "FILTER_BILERP",
                                        "FILTER_TRILERP",         "FILTER_NEAREST_MIPNEAREST",
                                        "FILTER_NEAREST_MIPLERP", "FILTER_BILERP_MIPNEAREST"};
constexpr const char* CLAMP_NAMES[] = {"CLAMP_S_CLAMP_T", "CLAMP_S_WRAP_T", "WRAP_S_CLAMP_T",
                                       "WRAP_S_WRAP_T"};

template <class E>
bool ReadEnum(EnStream& kStream, E& eValue) {
    uint32_t uiValue = 0;
    if (!kStream.ReadU32(uiValue)) return false;
    eValue = E(uiValue);
    return true;
}

}  // namespace

EnTextureEffect::EnTextureEffect() = default;

EnTextureEffect::~EnTextureEffect() {
    AnnounceDestruction();
    m_spImage = nullptr;
}

void EnTextureEffect::SetImage(EnImage* pImage) {
    m_spImage = pImage;
}

EnObject* EnTextureEffect::CloneObject() {
    auto* pCopy = new EnTextureEffect;
    CopyMembers(pCopy);
    pCopy->m_modelProjMat = m_modelProjMat;
    pCopy->m_modelProjTrans = m_modelProjTrans;
    pCopy->m_spImage = m_spImage;
    pCopy->m_eFilter = m_eFilter;
    pCopy->m_eClamp = m_eClamp;
    pCopy->m_eTextureMode = m_eTextureMode;
    pCopy->m_eCoordMode = m_eCoordMode;
    pCopy->m_bPlaneEnable = m_bPlaneEnable;
    pCopy->m_modelPlane = m_modelPlane;
    pCopy->m_worldPlane = m_worldPlane;
    pCopy->m_sL = m_sL;
    pCopy->m_sK = m_sK;
    pCopy->m_aucOption[0] = m_aucOption[0];
    pCopy->m_aucOption[1] = m_aucOption[1];
    return pCopy;
}

void EnTextureEffect::UpdateProjection() {
    const EnMatrix3& R = m_worldRotate;
    const EnVector3& T = m_worldTranslate;
    const float s = m_worldScale;
    if (m_eCoordMode == SPHERE_MAP) {
        // Sphere mapping looks up by the view-space normal: the world rotation's second and
        // third columns scaled into the texture's unit square.
        m_worldProjTrans = EnVector3(0.5f, 0.5f, 0.0f);
        m_worldProjMat =
            EnMatrix3(0.5f * R.GetEntry(0, 2), 0.5f * R.GetEntry(1, 2), 0.5f * R.GetEntry(2, 2),
                      -0.5f * R.GetEntry(0, 1), -0.5f * R.GetEntry(1, 1), -0.5f * R.GetEntry(2, 1),
                      0.0f, 0.0f, 0.0f);
    } else {
        // A world point x maps to P (R^T (x - T) / s) + t, the projection of its model point.
        const EnMatrix3 kScaled = m_modelProjMat * R.Transpose();
        for (int r = 0; r < 3; r++)
            for (int c = 0; c < 3; c++)
                m_worldProjMat.m_aafEntry[r][c] = kScaled.m_aafEntry[r][c] / s;
        m_worldProjTrans = m_modelProjTrans - m_worldProjMat * T;
    }
    m_worldPlane.m_normal = R * m_modelPlane.m_normal;
    m_worldPlane.m_fConstant = m_worldPlane.m_normal.Dot(T) + s * m_modelPlane.m_fConstant;
    IncrementRevision();
}

void EnTextureEffect::ComputeWorldTransform() {
    EnDynamicEffect::ComputeWorldTransform();
    UpdateProjection();
}

void EnTextureEffect::LoadFromStream(EnStream& kStream) {
    EnDynamicEffect::LoadFromStream(kStream);
    if (!m_modelProjMat.Load(kStream) || !m_modelProjTrans.Load(kStream)) return;
    if (!ReadEnum(kStream, m_eFilter) || !ReadEnum(kStream, m_eClamp) ||
        !ReadEnum(kStream, m_eTextureMode) || !ReadEnum(kStream, m_eCoordMode))
        return;
    if (kStream.IsVersionAtLeast("3.03")) {
        uint32_t uiImageID = 0;
        if (!kStream.ReadLinkID(uiImageID)) return;
        if (auto* pRecord = kStream.GetLinkRecord<LinkRecord>()) pRecord->m_uiImageID = uiImageID;
        uint8_t ucEnable = 0;
        if (!kStream.ReadU8(ucEnable) || !m_modelPlane.Load(kStream)) return;
        m_bPlaneEnable = ucEnable != 0;
    }
    if (kStream.IsVersionAtLeast("3.04")) {
        kStream.ReadI16(m_sL);
        kStream.ReadI16(m_sK);
        kStream.ReadU8(m_aucOption[0]);
        kStream.ReadU8(m_aucOption[1]);
    }
}

void EnTextureEffect::LinkFromStream(EnStream& kStream) {
    EnDynamicEffect::LinkFromStream(kStream);
    if (auto* pRecord = kStream.GetLinkRecord<LinkRecord>())
        m_spImage = kStream.FindLink<EnImage>(pRecord->m_uiImageID);
}

bool EnTextureEffect::RegisterForSave(EnStream& kStream) {
    if (!EnDynamicEffect::RegisterForSave(kStream)) return false;
    if (m_spImage) m_spImage->RegisterForSave(kStream);
    return true;
}

void EnTextureEffect::SaveToStream(EnStream& kStream) {
    EnDynamicEffect::SaveToStream(kStream);
    m_modelProjMat.Save(kStream);
    m_modelProjTrans.Save(kStream);
    kStream.WriteU32(m_eFilter);
    kStream.WriteU32(m_eClamp);
    kStream.WriteU32(m_eTextureMode);
    kStream.WriteU32(m_eCoordMode);
    kStream.WriteLinkID(m_spImage);
    kStream.WriteU8(m_bPlaneEnable ? 1 : 0);
    m_modelPlane.Save(kStream);
    kStream.WriteI16(m_sL);
    kStream.WriteI16(m_sK);
    kStream.WriteU8(m_aucOption[0]);
    kStream.WriteU8(m_aucOption[1]);
}

bool EnTextureEffect::EqualsObject(const EnObject* pObject) const {
    if (!EnDynamicEffect::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnTextureEffect*>(pObject);
    // The image is not compared: equal effects may project different pictures.
    return m_modelProjMat == pOther->m_modelProjMat &&
           m_modelProjTrans == pOther->m_modelProjTrans && m_eFilter == pOther->m_eFilter &&
           m_eClamp == pOther->m_eClamp && m_eTextureMode == pOther->m_eTextureMode &&
           m_eCoordMode == pOther->m_eCoordMode && m_bPlaneEnable == pOther->m_bPlaneEnable &&
           m_modelPlane == pOther->m_modelPlane && m_aucOption[0] == pOther->m_aucOption[0] &&
           m_aucOption[1] == pOther->m_aucOption[1] && m_sL == pOther->m_sL && m_sK == pOther->m_sK;
}

void EnTextureEffect::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnDynamicEffect::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTextureEffect"));
    kStrings.Add(m_modelProjMat.MakeViewerString("m_modelProjMat"));
    kStrings.Add(m_modelProjTrans.MakeViewerString("m_modelProjTrans"));
    kStrings.Add(MakeViewerEnum("m_eFilter", m_eFilter, FILTER_NAMES, 6));
    kStrings.Add(MakeViewerEnum("m_eClamp", m_eClamp, CLAMP_NAMES, 4));
    kStrings.Add(MakeViewerEnum("m_eTextureMode", m_eTextureMode, TEXTURE_MODE_NAMES, 4));
    kStrings.Add(MakeViewerEnum("m_eCoordMode", m_eCoordMode, COORD_MODE_NAMES, 3));
    kStrings.Add(MakeViewerBool("m_bPlaneEnable", m_bPlaneEnable));
    kStrings.Add(m_modelPlane.MakeViewerString("m_modelPlane"));
    kStrings.Add(MakeViewerShort("m_sL", m_sL));
    kStrings.Add(MakeViewerShort("m_sK", m_sK));
}
