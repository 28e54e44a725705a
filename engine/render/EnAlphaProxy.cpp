#include "engine/render/EnAlphaProxy.h"

#include <vector>

#include "engine/core/EnCamera.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/geometry/EnTriShape.h"

EN_IMPLEMENT_RTTI(EnAlphaProxy, EnGeometry);

void EnAlphaProxy::CreateFromStream(EnStream& kStream, EnObject*& pObject) {
    EnAlphaProxy* pNew = new EnAlphaProxy;
    EnBeginLoadRecord(kStream, std::make_unique<EnAlphaProxy::LinkRecord>());
    pNew->LoadFromStream(kStream);
    pObject = pNew;
}

int EnAlphaProxy::RegisterLoader() {
    static bool s_bRegistered = false;
    if (s_bRegistered) return 0;
    s_bRegistered = true;
    EnAddLoader("EnAlphaProxy", &EnAlphaProxy::CreateFromStream);
    return 1;
}

EnAlphaProxy::EnAlphaProxy() = default;

EnAlphaProxy::EnAlphaProxy(EnTriShape* pShape) {
    if (!pShape) return;
    m_localTranslate = pShape->GetLocalTranslate();
    m_localRotate = pShape->GetLocalRotate();
    m_fLocalScale = pShape->GetLocalScale();
    if (const EnGeometryData* pData = pShape->GetGeometryData()) m_modelBound = pData->GetBound();
    m_worldTranslate = pShape->GetWorldTranslate();
    m_worldRotate = pShape->GetWorldRotate();
    m_worldScale = pShape->GetWorldScale();
    m_worldBound = pShape->GetWorldBound();

    // Attaching puts each property at the head, so the shape's list is attached from its tail.
    std::vector<EnProperty*> kProperties;
    const auto& kList = pShape->GetPropertyList();
    for (EnTListIterator pos = kList.GetHeadPos(); pos;) kProperties.push_back(kList.GetNext(pos));
    for (auto it = kProperties.rbegin(); it != kProperties.rend(); ++it) AttachProperty(*it);
}

EnAlphaProxy::~EnAlphaProxy() = default;

void EnAlphaProxy::LoadFromStream(EnStream& kStream) {
    EnGeometry::LoadFromStream(kStream);
    m_modelBound.Load(kStream);
}

void EnAlphaProxy::SaveToStream(EnStream& kStream) {
    EnGeometry::SaveToStream(kStream);
    m_modelBound.Save(kStream);
}

bool EnAlphaProxy::EqualsObject(const EnObject* pObject) const {
    if (!EnGeometry::EqualsObject(pObject)) return false;
    const EnAlphaProxy* pOther = EnDynamicCast(EnAlphaProxy, pObject);
    return pOther && m_modelBound == pOther->m_modelBound;
}

void EnAlphaProxy::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnGeometry::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnAlphaProxy"));
    kStrings.Add(m_modelBound.MakeViewerString("m_modelBound"));
}

void EnAlphaProxy::Draw(EnCamera* pCamera) {
    if (pCamera) {
        const uint32_t* pMask = pCamera->GetPlaneMask();
        for (int i = 0; i < 4; i++) m_auiPlaneMask[i] = pMask[i];
    }
    m_bDrawn = true;
}

void EnAlphaProxy::ComputeWorldTransform() {
    EnAVObject::ComputeWorldTransform();
}

void EnAlphaProxy::ComputeWorldBound() {
    m_worldBound.Transform(m_modelBound, m_worldRotate, m_worldTranslate, m_worldScale);
}
