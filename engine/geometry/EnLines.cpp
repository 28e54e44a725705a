#include "engine/geometry/EnLines.h"

#include "engine/core/EnCamera.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnLines, EnGeometry);
EN_IMPLEMENT_STREAM(EnLines);

EnLines::EnLines(uint16_t usVertices, EnVector3* pVertex, EnColorRGBA* pColor, EnVector2* pTexture,
                 uint8_t* pucFlags)
    : EnGeometry(new EnLinesData(usVertices, pVertex, pColor, pTexture, pucFlags)) {}

const EnTypeRecord* EnLines::GetDataType() const {
    return &EnLinesData::ms_RTTI;
}

EnObject* EnLines::CloneObject() {
    auto* pCopy = new EnLines;
    CopyMembers(pCopy);
    return pCopy;
}

void EnLines::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnGeometry::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnLines"));
}

void EnLines::Draw(EnCamera* pCamera) {
    EnRender* pRenderer = pCamera ? pCamera->GetRenderer() : nullptr;
    if (!pRenderer || !m_spModelData) return;
    if (pRenderer->DrawViaAccumulator(this)) return;
    pCamera->SubmitActivePlanes();
    pRenderer->SetModelTransform(m_worldTranslate, m_worldRotate, m_worldScale);
    pRenderer->DrawLines(GetLinesData(), m_worldBound);
}
