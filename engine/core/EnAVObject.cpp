#include "engine/core/EnAVObject.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/core/EnCamera.h"
#include "engine/core/EnEffectLink.h"
#include "engine/core/EnFormatString.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnRayQuery.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnTimeController.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnAVObject, EnObjectNET);
EN_IMPLEMENT_ABSTRACT_STREAM(EnAVObject);

namespace {

const char* PropagationText(uint16_t usMode) {
    switch (usMode) {
        case EnAVObject::NONE:
            return "%s = NONE";
        case EnAVObject::USE_TRIANGLES:
            return "%s = USE_TRIANGLES";
        case EnAVObject::USE_OBBS:
            return "%s = USE_OBBS";
        default:
            return "%s = UNKNOWN";
    }
}

bool HasControllers(const EnProperty* pProperty) {
    return pProperty && pProperty->GetFirstController() != nullptr;
}

}  // namespace

EnAVObject::EnAVObject() = default;

EnAVObject::~EnAVObject() {
    m_propertyList.RemoveAll();
    m_spWorldCollisionVolume.reset();
    m_spCollisionVolume.reset();
}

void EnAVObject::CloneCleanup() {
    EnObjectNET::CloneCleanup();
    for (EnTListIterator pos = m_propertyList.GetHeadPos(); pos;) {
        EnProperty* pProperty = m_propertyList.GetNext(pos);
        if (pProperty) pProperty->CloneCleanup();
    }
}

void EnAVObject::CopyMembers(EnAVObject* pCopy) {
    CopyMembersForClone(pCopy);
    pCopy->m_usFlags = m_usFlags;
    pCopy->m_localTranslate = m_localTranslate;
    pCopy->m_localRotate = m_localRotate;
    pCopy->m_fLocalScale = m_fLocalScale;
    pCopy->m_localVelocity = m_localVelocity;

    // The copy shares the property objects, attached in the same list order.
    std::vector<EnProperty*> kProperties;
    for (EnTListIterator pos = m_propertyList.GetHeadPos(); pos;)
        kProperties.push_back(m_propertyList.GetNext(pos));
    for (auto it = kProperties.rbegin(); it != kProperties.rend(); ++it) pCopy->AttachProperty(*it);
}

void EnAVObject::LoadFromStream(EnStream& kStream) {
    EnObjectNET::LoadFromStream(kStream);
    kStream.ReadU16(m_usFlags);
    m_localTranslate.Load(kStream);
    m_localRotate.Load(kStream);
    kStream.ReadF32(m_fLocalScale);
    m_localVelocity.Load(kStream);

    uint32_t uiCount = 0;
    if (!kStream.ReadU32(uiCount) || !kStream.CheckCount(uiCount, 4)) return;
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    for (uint32_t i = 0; i < uiCount; i++) {
        uint32_t uiID = 0;
        if (!kStream.ReadLinkID(uiID)) return;
        if (pRecord) pRecord->m_kPropertyIDs.push_back(uiID);
    }

    uint32_t uiVolumeWord = 0;
    if (!kStream.ReadU32(uiVolumeWord) || uiVolumeWord == 0) return;
    // The volume's size is its kind's business: without its kind the rest of the file cannot
    // be found, so the record is refused rather than read on from the wrong place.
    std::unique_ptr<EnCollisionVolume> spVolume = LoadCollisionVolume(kStream);
    if (!spVolume) {
        kStream.MarkRecordInvalid();
        return;
    }
    SetCollisionVolume(std::move(spVolume));
}

void EnAVObject::LinkFromStream(EnStream& kStream) {
    EnObjectNET::LinkFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    if (!pRecord) return;
    // Attaching from the last to the first puts the first saved property back at the head.
    const std::vector<uint32_t>& kIDs = pRecord->m_kPropertyIDs;
    for (size_t i = kIDs.size(); i-- > 0;) {
        if (EnProperty* pProperty = kStream.FindLink<EnProperty>(kIDs[i]))
            AttachProperty(pProperty);
    }
}

void EnAVObject::AfterLinks() {
    EnObjectNET::AfterLinks();
    // A property's controllers are linked after the properties were attached (the property
    // records follow their object's), so the count of controlled properties is made again
    // once every link of the load is in place.
    int32_t iControlled = 0;
    for (EnTListIterator pos = m_propertyList.GetHeadPos(); pos;)
        if (HasControllers(m_propertyList.GetNext(pos))) iControlled++;
    m_iControlledProperties = iControlled;
}

bool EnAVObject::RegisterForSave(EnStream& kStream) {
    if (!EnObjectNET::RegisterForSave(kStream)) return false;
    for (EnTListIterator pos = m_propertyList.GetHeadPos(); pos;) {
        EnProperty* pProperty = m_propertyList.GetNext(pos);
        if (pProperty) pProperty->RegisterForSave(kStream);
    }
    return true;
}

void EnAVObject::SaveToStream(EnStream& kStream) {
    EnObjectNET::SaveToStream(kStream);
    kStream.WriteU16(m_usFlags);
    m_localTranslate.Save(kStream);
    m_localRotate.Save(kStream);
    kStream.WriteF32(m_fLocalScale);
    m_localVelocity.Save(kStream);

    kStream.WriteU32(m_propertyList.ItemsInList());
    for (EnTListIterator pos = m_propertyList.GetHeadPos(); pos;) {
        EnProperty* pProperty = m_propertyList.GetNext(pos);
        if (pProperty) kStream.WriteLinkID(pProperty);
    }

    if (m_spCollisionVolume) {
        kStream.WriteU32(1);
        SaveCollisionVolume(kStream, *m_spCollisionVolume);
    } else {
        kStream.WriteU32(0);
    }
}

bool EnAVObject::EqualsObject(const EnObject* pObject) const {
    if (!EnObjectNET::EqualsObject(pObject)) return false;
    const EnAVObject* pOther = EnDynamicCast(EnAVObject, pObject);
    if (!pOther) return false;

    if (GetAppCulled() != pOther->GetAppCulled()) return false;
    if (!(m_localTranslate == pOther->m_localTranslate) ||
        !(m_localRotate == pOther->m_localRotate) || m_fLocalScale != pOther->m_fLocalScale ||
        !(m_localVelocity == pOther->m_localVelocity))
        return false;

    if (m_propertyList.ItemsInList() != pOther->m_propertyList.ItemsInList()) return false;
    EnTListIterator pos = m_propertyList.GetHeadPos();
    EnTListIterator posOther = pOther->m_propertyList.GetHeadPos();
    while (pos && posOther) {
        EnProperty* pProperty = m_propertyList.GetNext(pos);
        EnProperty* pOtherProperty = pOther->m_propertyList.GetNext(posOther);
        if (!pProperty || !pProperty->EqualsObject(pOtherProperty)) return false;
    }

    if (GetPropagationMode() != pOther->GetPropagationMode()) return false;

    const EnCollisionVolume* pVolume = m_spCollisionVolume.get();
    const EnCollisionVolume* pOtherVolume = pOther->m_spCollisionVolume.get();
    if (!pVolume || !pOtherVolume) return !pVolume && !pOtherVolume;
    return !pVolume->DiffersFrom(*pOtherVolume);
}

void EnAVObject::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnObjectNET::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnAVObject"));
    kStrings.Add(MakeViewerBool("m_bAppCulled", GetAppCulled()));
    kStrings.Add(m_localTranslate.MakeViewerString("m_localTranslate"));
    kStrings.Add(m_localRotate.MakeViewerString("m_localRotate"));
    kStrings.Add(MakeViewerFloat("m_fLocalScale", m_fLocalScale));
    kStrings.Add(m_localVelocity.MakeViewerString("m_localVelocity"));
    kStrings.Add(m_worldTranslate.MakeViewerString("m_worldTranslate"));
    kStrings.Add(m_worldRotate.MakeViewerString("m_worldRotate"));
    kStrings.Add(MakeViewerFloat("m_worldScale", m_worldScale));
    kStrings.Add(m_worldVelocity.MakeViewerString("m_worldVelocity"));
    kStrings.Add(m_worldBound.MakeViewerString("m_worldBound"));
    kStrings.Add(EnFormatNewString(PropagationText(GetPropagationMode()), "m_ePropagate"));
    for (EnTListIterator pos = m_propertyList.GetHeadPos(); pos;) {
        EnProperty* pProperty = m_propertyList.GetNext(pos);
        if (pProperty) kStrings.Add(MakeViewerPointer(pProperty->GetClassName(), pProperty));
    }
}

void EnAVObject::BakeTransform(const EnMatrix3& kRotate, const EnVector3& kTranslate,
                               bool bInParentSpace) {
    (void)kRotate;
    (void)kTranslate;
    (void)bInParentSpace;
}

void EnAVObject::SetAppCulled(bool bAppCulled) {
    m_usFlags =
        uint16_t(bAppCulled ? (m_usFlags | APP_CULLED_MASK) : (m_usFlags & ~APP_CULLED_MASK));
}

EnAVObject* EnAVObject::FindObjectByName(const char* pcName) {
    const char* pcOwn = GetName();
    return pcName && pcOwn && std::strcmp(pcName, pcOwn) == 0 ? this : nullptr;
}

void EnAVObject::RunControllers(float fTime) {
    if (m_iControlledProperties > 0) {
        for (EnTListIterator pos = m_propertyList.GetHeadPos(); pos;) {
            EnProperty* pProperty = m_propertyList.GetNext(pos);
            if (HasControllers(pProperty)) pProperty->UpdateControllers(fTime);
        }
    }
    for (EnTimeController* pController = GetFirstController(); pController;
         pController = pController->GetNext())
        pController->Update(fTime);
}

void EnAVObject::UpdateSubtree(float fTime) {
    RunControllers(fTime);
    ComputeWorldTransform();
    ComputeWorldBound();
}

void EnAVObject::ComputeWorldTransform() {
    if (const EnAVObject* pParent = m_pParent) {
        m_worldScale = pParent->m_worldScale * m_fLocalScale;
        m_worldRotate = pParent->m_worldRotate * m_localRotate;
        m_worldTranslate = pParent->m_worldScale * (pParent->m_worldRotate * m_localTranslate) +
                           pParent->m_worldTranslate;
        // Velocity is a direction per time: the parent's scale does not stretch it.
        m_worldVelocity = pParent->m_worldRotate * m_localVelocity + pParent->m_worldVelocity;
    } else {
        m_worldScale = m_fLocalScale;
        m_worldRotate = m_localRotate;
        m_worldTranslate = m_localTranslate;
        m_worldVelocity = m_localVelocity;
    }
}

void EnAVObject::Update(float fTime) {
    UpdateSubtree(fTime);
    if (m_pParent) m_pParent->PropagateBoundUpward();
}

void EnAVObject::SetParent(EnNode* pParent) {
    // Holds this object while it leaves its old node, whose reference may be the last one;
    // the reference goes when the call returns, after the new parent is stored.
    EnPointer<EnAVObject> spOld;
    if (m_pParent) spOld = m_pParent->RemoveChild(this);
    m_pParent = pParent;
}

void EnAVObject::SetLocalScale(float fScale) {
    if (!EN_VERIFY(fScale > 0.0f)) return;
    m_fLocalScale = fScale;
}

void EnAVObject::AttachProperty(EnProperty* pProperty) {
    if (!pProperty) return;
    m_propertyList.AddHead(pProperty);
    if (HasControllers(pProperty)) IncrementControlledProperties();
}

bool EnAVObject::DetachProperty(EnProperty* pProperty) {
    if (!pProperty) return false;
    // The list's reference may be the last one; the property is still read afterwards.
    EnPointer<EnProperty> spHold(pProperty);
    if (!m_propertyList.Remove(spHold)) return false;
    if (HasControllers(pProperty) && m_iControlledProperties > 0) m_iControlledProperties--;
    return true;
}

void EnAVObject::DetachAllProperties() {
    m_propertyList.RemoveAll();
    m_iControlledProperties = 0;
}

EnPointer<EnProperty> EnAVObject::GetProperty(int32_t iType) const {
    if (iType < 0 || iType >= EnProperty::MAX_TYPES) return nullptr;
    for (EnTListIterator pos = m_propertyList.GetHeadPos(); pos;) {
        EnProperty* pProperty = m_propertyList.GetNext(pos);
        if (pProperty && pProperty->GetPropertyType() == iType) return pProperty;
    }
    return nullptr;
}

void EnAVObject::IncrementControlledProperties() {
    m_iControlledProperties++;
    // The condition is written as the assertion report names it.
    // clang-format off
    const bool bWithin = EN_VERIFY(m_iControlledProperties <= (int) m_propertyList.ItemsInList());
    // clang-format on
    if (!bWithin) m_iControlledProperties--;
}

EnPointer<EnPropertyState> EnAVObject::MergePropertyState(EnPropertyState* pState,
                                                          bool bCopy) const {
    if (m_propertyList.IsEmpty() && pState) return pState;
    EnPointer<EnPropertyState> spResult;
    if (!pState)
        spResult = new EnPropertyState;
    else if (bCopy)
        spResult = new EnPropertyState(*pState);
    else
        spResult = pState;
    // From the head (attached last) to the tail: the property attached first is stored last
    // and so wins over later ones of its type.
    for (EnTListIterator pos = m_propertyList.GetHeadPos(); pos;) {
        EnProperty* pProperty = m_propertyList.GetNext(pos);
        if (!pProperty) break;
        spResult->SetProperty(pProperty);
    }
    return spResult;
}

void EnAVObject::UpdateProperties() {
    EnPointer<EnPropertyState> spState = new EnPropertyState;
    std::vector<const EnAVObject*> kChain;
    for (const EnAVObject* pAncestor = m_pParent; pAncestor; pAncestor = pAncestor->m_pParent)
        kChain.push_back(pAncestor);
    for (auto it = kChain.rbegin(); it != kChain.rend(); ++it)
        (*it)->MergePropertyState(spState, false);
    UpdatePropertyState(spState);
}

void EnAVObject::UpdateEffects() {
    const EnEffectLink& kLink = EnEffectLink::Get();
    if (kLink.pfnClearSharedState) kLink.pfnClearSharedState();

    EnDynamicEffectState* pState = nullptr;
    if (kLink.pfnMergeEffects && kLink.pfnReleaseState) {
        std::vector<const EnNode*> kChain;
        for (const EnNode* pAncestor = m_pParent; pAncestor; pAncestor = pAncestor->m_pParent)
            kChain.push_back(pAncestor);
        for (auto it = kChain.rbegin(); it != kChain.rend(); ++it) {
            if (!(*it)->HasEffects()) continue;
            EnDynamicEffectState* pMerged = kLink.pfnMergeEffects(pState, **it, false);
            kLink.pfnReleaseState(pState);
            pState = pMerged;
        }
    }
    UpdateEffectState(pState);
    if (pState) kLink.pfnReleaseState(pState);

    if (kLink.pfnClearSharedState) kLink.pfnClearSharedState();
}

void EnAVObject::CullAndDraw(EnCamera* pCamera) {
    if (GetAppCulled()) return;
    if (!pCamera) {
        PreDraw(pCamera);
        Draw(pCamera);
        PostDraw(pCamera);
        return;
    }

    uint32_t uiCount = pCamera->GetCullingPlaneCount();
    if (uiCount > EnCamera::MAX_CULLING_PLANES) uiCount = EnCamera::MAX_CULLING_PLANES;

    // Planes that wholly contain the bound contain everything below it too: they are masked
    // for the subtree's draw and unmasked again afterwards.
    uint32_t auiMasked[4] = {0, 0, 0, 0};
    bool bVisible = true;
    for (uint32_t i = uiCount; i-- > 0;) {
        if (pCamera->IsPlaneMasked(i)) continue;
        int iSide = m_worldBound.WhichSide(pCamera->GetCullingPlane(i));
        if (iSide == EnPlaneEquation::NEGATIVE_SIDE) {
            bVisible = false;
            break;
        }
        if (iSide == EnPlaneEquation::POSITIVE_SIDE) {
            pCamera->SetPlaneMaskBit(i);
            auiMasked[i >> 5] |= 1u << (i & 31);
        }
    }

    if (bVisible) {
        PreDraw(pCamera);
        Draw(pCamera);
        PostDraw(pCamera);
    }

    for (uint32_t i = 0; i < uiCount; i++)
        if (auiMasked[i >> 5] >> (i & 31) & 1u) pCamera->ClearPlaneMaskBit(i);
}

void EnAVObject::PreDraw(EnCamera* pCamera) {
    (void)pCamera;
    for (EnTimeController* pController = GetFirstController(); pController;
         pController = pController->GetNext())
        pController->PreDraw();
}

bool EnAVObject::TestCollision(float fTime, const EnCollisionQuery& kThis,
                               const EnCollisionQuery& kOther) {
    (void)fTime;
    (void)kThis;
    (void)kOther;
    return false;
}

int32_t EnAVObject::FindCollisions(float fTime, const EnCollisionQuery& kThis,
                                   const EnCollisionQuery& kOther) {
    (void)fTime;
    (void)kThis;
    (void)kOther;
    return 0;
}

bool EnAVObject::FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                                   EnRayQuery& kQuery) {
    (void)kOrigin;
    (void)kDir;
    (void)kQuery;
    return false;
}

void EnAVObject::SetCollisionVolume(std::unique_ptr<EnCollisionVolume> spVolume) {
    m_spCollisionVolume = std::move(spVolume);
    m_spWorldCollisionVolume.reset();
    if (m_spCollisionVolume) m_spWorldCollisionVolume = m_spCollisionVolume->CreateWorldCopy();
}

void EnAVObject::UpdateWorldCollisionVolume() {
    if (m_spCollisionVolume && m_spWorldCollisionVolume)
        m_spWorldCollisionVolume->UpdateWorld(*m_spCollisionVolume, m_worldRotate, m_worldTranslate,
                                              m_worldScale);
}

EnCollisionVolume* EnAVObject::PrepareWorldVolume() {
    if (!m_spCollisionVolume || !m_spWorldCollisionVolume) return nullptr;
    UpdateWorldCollisionVolume();
    return m_spWorldCollisionVolume.get();
}

bool EnAVObject::TestBoundCollision(float fTime, EnAVObject* pOther) {
    if (!pOther) return false;
    EnCollisionVolume* pVolume = PrepareWorldVolume();
    EnCollisionVolume* pOtherVolume = pOther->PrepareWorldVolume();

    if (pVolume && pOtherVolume)
        return TestCollisionVolumes(fTime, *pVolume, m_worldVelocity, *pOtherVolume,
                                    pOther->m_worldVelocity);
    // An object without a volume meets a volume as its bound made into one; when no volume
    // kind can make it, the two bounds decide as they would without volumes.
    if (pVolume) {
        if (auto spBound = CallSphereVolumeHook(pOther->m_worldBound))
            return TestCollisionVolumes(fTime, *pVolume, m_worldVelocity, *spBound,
                                        pOther->m_worldVelocity);
    } else if (pOtherVolume) {
        if (auto spBound = CallSphereVolumeHook(m_worldBound))
            return TestCollisionVolumes(fTime, *spBound, m_worldVelocity, *pOtherVolume,
                                        pOther->m_worldVelocity);
    }
    return EnBoundSphere::TestIntersect(fTime, m_worldBound, m_worldVelocity, pOther->m_worldBound,
                                        pOther->m_worldVelocity);
}

bool EnAVObject::FindBoundCollisions(float fTime, EnAVObject* pOther, EnCollisionRecord& kRecord) {
    if (!pOther) return false;
    EnCollisionVolume* pVolume = PrepareWorldVolume();
    EnCollisionVolume* pOtherVolume = pOther->PrepareWorldVolume();

    if (pVolume && pOtherVolume)
        return FindCollisionVolumeIntersections(
            fTime, *pVolume, m_worldVelocity, *pOtherVolume, pOther->m_worldVelocity,
            kRecord.m_fTime, kRecord.m_kPoint, true, kRecord.m_kNormalA, kRecord.m_kNormalB);
    if (pVolume) {
        if (auto spBound = CallSphereVolumeHook(pOther->m_worldBound))
            return FindCollisionVolumeIntersections(
                fTime, *pVolume, m_worldVelocity, *spBound, pOther->m_worldVelocity,
                kRecord.m_fTime, kRecord.m_kPoint, true, kRecord.m_kNormalA, kRecord.m_kNormalB);
    } else if (pOtherVolume) {
        if (auto spBound = CallSphereVolumeHook(m_worldBound))
            return FindCollisionVolumeIntersections(
                fTime, *spBound, m_worldVelocity, *pOtherVolume, pOther->m_worldVelocity,
                kRecord.m_fTime, kRecord.m_kPoint, true, kRecord.m_kNormalA, kRecord.m_kNormalB);
    }
    return EnBoundSphere::FindIntersect(fTime, m_worldBound, m_worldVelocity, pOther->m_worldBound,
                                        pOther->m_worldVelocity, kRecord.m_fTime, kRecord.m_kPoint,
                                        true, kRecord.m_kNormalA, kRecord.m_kNormalB);
}

bool EnAVObject::RayIntersectsBound(const EnVector3& kOrigin, const EnVector3& kDir) const {
    const EnVector3 kDiff = kOrigin - m_worldBound.m_center;
    const float fRadius = m_worldBound.m_fRadius;
    const float fOutside = kDiff.Dot(kDiff) - fRadius * fRadius;
    if (fOutside <= 0.0f) return true;
    const float fAlong = kDiff.Dot(kDir);
    if (fAlong >= 0.0f) return false;
    return kDir.Dot(kDir) * fOutside <= fAlong * fAlong;
}

bool EnAVObject::CallCollisionCallbacks(EnCollisionRecord& kRecord) {
    bool bHandled = false;
    if (kRecord.m_pTopA && kRecord.m_pTopA->m_pfnCollisionCallback)
        bHandled = kRecord.m_pTopA->m_pfnCollisionCallback(kRecord) != 0;
    if (kRecord.m_pTopB && kRecord.m_pTopB->m_pfnCollisionCallback) {
        // Side B sees the contact from its own side.
        EnCollisionRecord kSwapped = kRecord;
        std::swap(kSwapped.m_pTopA, kSwapped.m_pTopB);
        std::swap(kSwapped.m_kNormalA, kSwapped.m_kNormalB);
        if (kRecord.m_pTopB->m_pfnCollisionCallback(kSwapped) != 0) bHandled = true;
    }
    return bHandled;
}
