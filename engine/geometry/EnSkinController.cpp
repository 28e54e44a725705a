#include "engine/geometry/EnSkinController.h"

#include <algorithm>

#include "engine/core/EnBone.h"
#include "engine/core/EnStream.h"

EN_IMPLEMENT_RTTI(EnSkinController, EnTimeController);
EN_IMPLEMENT_ABSTRACT_STREAM(EnSkinController);

EnSkinController::~EnSkinController() = default;

void EnSkinController::HoldBones() {
    std::vector<EnPointer<EnBone>> kHolds;
    const auto* pTarget = EnDynamicCast(EnAVObject, static_cast<EnObject*>(m_pTarget));
    for (uint32_t b = 0; b < m_uiBoneCount; b++) {
        EnBone* pBone = m_pBones[b];
        if (!pBone) continue;
        bool bAncestor = false;
        for (const EnAVObject* p = pTarget ? pTarget->GetParent() : nullptr; p && !bAncestor;
             p = p->GetParent())
            bAncestor = p == pBone;
        if (!bAncestor) kHolds.emplace_back(pBone);
    }
    // The new holds are taken before the old ones go, so no bone passes through zero.
    m_kBoneHolds = std::move(kHolds);
}

void EnSkinController::SetTarget(EnObjectNET* pTarget) {
    EnTimeController::SetTarget(pTarget);
    HoldBones();
}

void EnSkinController::AfterLinks() {
    EnTimeController::AfterLinks();
    HoldBones();
}

void EnSkinController::FreeBoneData() {
    m_kBoneHolds.clear();
    m_pBones.reset();
    m_pBoneBounds.reset();
    m_pVertexCounts.reset();
    m_ppVertexData.reset();
    m_ppVertexIndices.reset();
    m_uiBoneCount = 0;
}

void EnSkinController::SetBoneCount(uint32_t uiBoneCount) {
    FreeBoneData();
    if (uiBoneCount == 0) return;
    m_uiBoneCount = uiBoneCount;
    m_pBones = std::make_unique<EnBone*[]>(uiBoneCount);
    m_pVertexCounts = std::make_unique<uint32_t[]>(uiBoneCount);
    m_ppVertexData = std::make_unique<std::unique_ptr<VertexData[]>[]>(uiBoneCount);
    m_ppVertexIndices = std::make_unique<std::unique_ptr<uint16_t[]>[]>(uiBoneCount);
}

void EnSkinController::SetBoneData(uint32_t uiBone, EnBone* pBone, uint32_t uiCount,
                                   const VertexData* pData, const uint16_t* pusIndices) {
    if (uiBone >= m_uiBoneCount) return;
    m_pBones[uiBone] = pBone;
    m_pVertexCounts[uiBone] = uiCount;
    m_ppVertexData[uiBone] = std::make_unique<VertexData[]>(uiCount);
    m_ppVertexIndices[uiBone] = std::make_unique<uint16_t[]>(uiCount);
    HoldBones();
    if (pData) std::copy_n(pData, uiCount, m_ppVertexData[uiBone].get());
    if (pusIndices) std::copy_n(pusIndices, uiCount, m_ppVertexIndices[uiBone].get());
    // New entries make the old bounds wrong.
    m_pBoneBounds.reset();
}

EnBone* EnSkinController::GetBone(uint32_t uiBone) const {
    return uiBone < m_uiBoneCount ? m_pBones[uiBone] : nullptr;
}

uint32_t EnSkinController::GetVertexCount(uint32_t uiBone) const {
    return uiBone < m_uiBoneCount ? m_pVertexCounts[uiBone] : 0;
}

const EnSkinController::VertexData* EnSkinController::GetVertexData(uint32_t uiBone) const {
    return uiBone < m_uiBoneCount ? m_ppVertexData[uiBone].get() : nullptr;
}

const uint16_t* EnSkinController::GetVertexIndices(uint32_t uiBone) const {
    return uiBone < m_uiBoneCount ? m_ppVertexIndices[uiBone].get() : nullptr;
}

bool EnSkinController::HasValidIndices(uint32_t uiVertexCount) const {
    for (uint32_t b = 0; b < m_uiBoneCount; b++) {
        const uint16_t* pusIndices = m_ppVertexIndices[b].get();
        for (uint32_t e = 0; e < m_pVertexCounts[b]; e++)
            if (pusIndices[e] >= uiVertexCount) return false;
    }
    return true;
}

void EnSkinController::Deform(EnVector3* pOutput) const {
    if (!pOutput) return;
    const uint32_t uiVertices = GetTargetVertexCount();
    std::fill_n(pOutput, uiVertices, EnVector3::ZERO);
    for (uint32_t b = 0; b < m_uiBoneCount; b++) {
        const EnBone* pBone = m_pBones[b];
        if (!pBone) continue;
        EnMatrix3 kM = pBone->GetSkinRotate();
        const float fScale = pBone->GetSkinScale();
        for (auto& afRow : kM.m_aafEntry)
            for (float& fEntry : afRow) fEntry *= fScale;
        const EnVector3& kT = pBone->GetSkinTranslate();
        const VertexData* pData = m_ppVertexData[b].get();
        const uint16_t* pusIndices = m_ppVertexIndices[b].get();
        for (uint32_t e = 0; e < m_pVertexCounts[b]; e++) {
            // An entry past the mesh (its vertices changed under the controller) moves nothing.
            if (pusIndices[e] >= uiVertices) continue;
            const VertexData& kEntry = pData[e];
            const EnVector3 kP = kM * EnVector3(kEntry.m_fX, kEntry.m_fY, kEntry.m_fZ) + kT;
            pOutput[pusIndices[e]] += kEntry.m_fWeight * kP;
        }
    }
}

void EnSkinController::ComputeBoneBounds() {
    if (m_pBoneBounds || m_uiBoneCount == 0 || !m_pTarget) return;
    const uint32_t uiVertices = GetTargetVertexCount();
    if (uiVertices == 0) return;
    for (uint32_t b = 0; b < m_uiBoneCount; b++)
        if (m_pVertexCounts[b] > 0 && (!m_ppVertexData[b] || !m_ppVertexIndices[b])) return;

    // The blend of the bone-space positions of every vertex, over all its entries.
    std::vector<EnVector3> kBlended(uiVertices, EnVector3::ZERO);
    for (uint32_t b = 0; b < m_uiBoneCount; b++) {
        for (uint32_t e = 0; e < m_pVertexCounts[b]; e++) {
            const uint16_t usIndex = m_ppVertexIndices[b][e];
            if (usIndex >= uiVertices) continue;
            const VertexData& kEntry = m_ppVertexData[b][e];
            kBlended[usIndex] +=
                kEntry.m_fWeight * EnVector3(kEntry.m_fX, kEntry.m_fY, kEntry.m_fZ);
        }
    }
    m_pBoneBounds = std::make_unique<EnBoundSphere[]>(m_uiBoneCount);
    std::vector<EnVector3> kPoints;
    for (uint32_t b = 0; b < m_uiBoneCount; b++) {
        kPoints.clear();
        for (uint32_t e = 0; e < m_pVertexCounts[b]; e++) {
            const uint16_t usIndex = m_ppVertexIndices[b][e];
            if (usIndex < uiVertices) kPoints.push_back(kBlended[usIndex]);
        }
        m_pBoneBounds[b].ComputeFromPoints(uint32_t(kPoints.size()), kPoints.data());
    }
}

bool EnSkinController::ComputeSkinBound(EnBoundSphere& kBound) const {
    if (m_uiBoneCount == 0 || !m_pBoneBounds) return false;
    bool bFirst = true;
    for (uint32_t b = 0; b < m_uiBoneCount; b++) {
        const EnBone* pBone = m_pBones[b];
        if (!pBone) continue;
        EnBoundSphere kMoved;
        kMoved.Transform(m_pBoneBounds[b], pBone->GetSkinRotate(), pBone->GetSkinTranslate(),
                         pBone->GetSkinScale());
        if (bFirst)
            kBound = kMoved;
        else
            kBound.Merge(kMoved);
        bFirst = false;
    }
    return !bFirst;
}

void EnSkinController::RemapVertices(uint16_t usOldCount, uint16_t usNewCount,
                                     const int32_t* piTable) {
    if (usOldCount == usNewCount || !piTable) {
        m_pBoneBounds.reset();
        ComputeBoneBounds();
        return;
    }
    for (uint32_t b = 0; b < m_uiBoneCount; b++) {
        // One entry per new vertex; those no old entry reaches weigh nothing.
        auto spData = std::make_unique<VertexData[]>(usNewCount);
        auto spIndices = std::make_unique<uint16_t[]>(usNewCount);
        for (uint16_t i = 0; i < usNewCount; i++) spIndices[i] = i;
        for (uint32_t e = 0; e < m_pVertexCounts[b]; e++) {
            const uint16_t usOld = m_ppVertexIndices[b][e];
            if (usOld >= usOldCount) continue;
            const int32_t iNew = piTable[usOld];
            if (iNew < 0 || iNew >= usNewCount) continue;
            spData[iNew] = m_ppVertexData[b][e];
            spIndices[iNew] = uint16_t(iNew);
        }
        m_ppVertexData[b] = std::move(spData);
        m_ppVertexIndices[b] = std::move(spIndices);
        m_pVertexCounts[b] = usNewCount;
    }
    m_pBoneBounds.reset();
    ComputeBoneBounds();
}

void EnSkinController::CopyMembers(EnSkinController* pCopy) {
    EnTimeController::CopyMembers(pCopy);
    pCopy->SetBoneCount(m_uiBoneCount);
    for (uint32_t b = 0; b < m_uiBoneCount; b++)
        pCopy->SetBoneData(b, m_pBones[b], m_pVertexCounts[b], m_ppVertexData[b].get(),
                           m_ppVertexIndices[b].get());
    if (m_pBoneBounds) {
        pCopy->m_pBoneBounds = std::make_unique<EnBoundSphere[]>(m_uiBoneCount);
        std::copy_n(m_pBoneBounds.get(), m_uiBoneCount, pCopy->m_pBoneBounds.get());
    }
}

EnObject* EnSkinController::CloneObject() {
    EnSkinController* pCopy = CreateEmptyController();
    if (pCopy) CopyMembers(pCopy);
    return pCopy;
}

void EnSkinController::CloneFixup(EnObject* pCopy) {
    EnTimeController::CloneFixup(pCopy);
    auto* pSkinCopy = EnDynamicCast(EnSkinController, pCopy);
    if (!pSkinCopy || pSkinCopy->m_uiBoneCount != m_uiBoneCount) return;
    for (uint32_t b = 0; b < m_uiBoneCount; b++) {
        EnBone* pBone = m_pBones[b];
        auto* pBoneCopy = pBone ? EnDynamicCast(EnBone, pBone->GetCloneCopy()) : nullptr;
        pSkinCopy->m_pBones[b] = pBoneCopy ? pBoneCopy : pBone;
    }
    pSkinCopy->HoldBones();
}

void EnSkinController::LoadFromStream(EnStream& kStream) {
    EnTimeController::LoadFromStream(kStream);
    uint32_t uiBones = 0;
    if (!kStream.ReadU32(uiBones)) return;
    // Each bone costs at least its count and its link.
    if (!kStream.CheckCount(uiBones, 2 * sizeof(uint32_t))) return;
    SetBoneCount(uiBones);
    if (uiBones == 0) return;
    if (!kStream.ReadU32Array(m_pVertexCounts.get(), uiBones)) return;
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    for (uint32_t b = 0; b < uiBones; b++) {
        uint32_t uiID = 0;
        if (!kStream.ReadLinkID(uiID)) return;
        if (pRecord) pRecord->m_kBoneIDs.push_back(uiID);
    }
    for (uint32_t b = 0; b < uiBones; b++) {
        const uint32_t uiCount = m_pVertexCounts[b];
        // An entry is a weight, an index and a position: 18 bytes.
        if (!kStream.CheckCount(uiCount, 18)) {
            m_pVertexCounts[b] = 0;
            for (uint32_t r = b + 1; r < uiBones; r++) m_pVertexCounts[r] = 0;
            return;
        }
        m_ppVertexData[b] = std::make_unique<VertexData[]>(uiCount);
        m_ppVertexIndices[b] = std::make_unique<uint16_t[]>(uiCount);
        for (uint32_t e = 0; e < uiCount; e++) {
            VertexData& kEntry = m_ppVertexData[b][e];
            if (!kStream.ReadF32(kEntry.m_fWeight) || !kStream.ReadU16(m_ppVertexIndices[b][e]) ||
                !kStream.ReadF32(kEntry.m_fX) || !kStream.ReadF32(kEntry.m_fY) ||
                !kStream.ReadF32(kEntry.m_fZ))
                return;
        }
    }
    ComputeBoneBounds();
}

void EnSkinController::LinkFromStream(EnStream& kStream) {
    EnTimeController::LinkFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    if (!pRecord) return;
    for (uint32_t b = 0; b < m_uiBoneCount && b < pRecord->m_kBoneIDs.size(); b++) {
        m_pBones[b] = kStream.FindLink<EnBone>(pRecord->m_kBoneIDs[b]);
        if (m_pBones[b]) m_kBoneHolds.emplace_back(m_pBones[b]);
        // A skin without its bone cannot be deformed.
        if (!m_pBones[b]) {
            if (!kStream.HasFailed()) kStream.MarkRecordInvalid();
            return;
        }
    }
    // When the target's vertices are already known the entries must lie among them; a target
    // linked later checks its controllers itself.
    const uint16_t usVertices = GetTargetVertexCount();
    if (usVertices > 0 && !HasValidIndices(usVertices)) {
        kStream.MarkRecordInvalid();
        return;
    }
    m_pBoneBounds.reset();
    ComputeBoneBounds();
}

bool EnSkinController::RegisterForSave(EnStream& kStream) {
    if (!EnTimeController::RegisterForSave(kStream)) return false;
    // Every bone, even after one that was registered already: a bone left out would be lost.
    for (uint32_t b = 0; b < m_uiBoneCount; b++)
        if (m_pBones[b]) m_pBones[b]->RegisterForSave(kStream);
    return true;
}

void EnSkinController::SaveToStream(EnStream& kStream) {
    EnTimeController::SaveToStream(kStream);
    kStream.WriteU32(m_uiBoneCount);
    if (m_uiBoneCount == 0) return;
    kStream.WriteU32Array(m_pVertexCounts.get(), m_uiBoneCount);
    for (uint32_t b = 0; b < m_uiBoneCount; b++) kStream.WriteLinkID(m_pBones[b]);
    for (uint32_t b = 0; b < m_uiBoneCount; b++) {
        for (uint32_t e = 0; e < m_pVertexCounts[b]; e++) {
            const VertexData& kEntry = m_ppVertexData[b][e];
            kStream.WriteF32(kEntry.m_fWeight);
            kStream.WriteU16(m_ppVertexIndices[b][e]);
            kStream.WriteF32(kEntry.m_fX);
            kStream.WriteF32(kEntry.m_fY);
            kStream.WriteF32(kEntry.m_fZ);
        }
    }
}

bool EnSkinController::EqualsObject(const EnObject* pObject) const {
    if (!EnTimeController::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnSkinController*>(pObject);
    if (m_uiBoneCount != pOther->m_uiBoneCount) return false;
    for (uint32_t b = 0; b < m_uiBoneCount; b++) {
        const EnBone* pBone = m_pBones[b];
        const EnBone* pOtherBone = pOther->m_pBones[b];
        // The bones are compared as scene objects, without their subtrees: a mesh hanging
        // below one of its own bones would otherwise compare itself without end.
        if (!pBone || !pOtherBone) {
            if (pBone != pOtherBone) return false;
        } else if (!pBone->EnAVObject::EqualsObject(pOtherBone)) {
            return false;
        }
        if (m_pVertexCounts[b] != pOther->m_pVertexCounts[b]) return false;
        for (uint32_t e = 0; e < m_pVertexCounts[b]; e++) {
            const VertexData& kA = m_ppVertexData[b][e];
            const VertexData& kB = pOther->m_ppVertexData[b][e];
            if (kA.m_fWeight != kB.m_fWeight || kA.m_fX != kB.m_fX || kA.m_fY != kB.m_fY ||
                kA.m_fZ != kB.m_fZ || m_ppVertexIndices[b][e] != pOther->m_ppVertexIndices[b][e])
                return false;
        }
    }
    return true;
}
