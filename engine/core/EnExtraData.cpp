#include "engine/core/EnExtraData.h"

#include <cstring>

#include "engine/core/EnCloneExtraData.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnExtraData, EnObject);
EN_IMPLEMENT_STREAM(EnExtraData);

namespace {
// Set while a chain is walked by a loop: the objects' own steps then stay at their own object
// instead of following the chain themselves.
thread_local bool t_bSingle = false;

class SingleScope {
public:
    SingleScope() : m_bOld(t_bSingle) { t_bSingle = true; }
    ~SingleScope() { t_bSingle = m_bOld; }
    SingleScope(const SingleScope&) = delete;
    SingleScope& operator=(const SingleScope&) = delete;

private:
    bool m_bOld;
};

class ChainScope {
public:
    ChainScope() : m_bOld(t_bSingle) { t_bSingle = false; }
    ~ChainScope() { t_bSingle = m_bOld; }
    ChainScope(const ChainScope&) = delete;
    ChainScope& operator=(const ChainScope&) = delete;

private:
    bool m_bOld;
};

bool IsCloneMarker(const EnExtraData* pExtra) {
    return EnIsExactKindOf(EnCloneExtraData, pExtra);
}
}  // namespace

EnExtraData::EnExtraData() = default;

EnExtraData::EnExtraData(const void* pvData, uint32_t uiSize) {
    SetData(pvData, uiSize);
}

EnExtraData::~EnExtraData() {
    // Tear the rest of the chain down in a loop: letting each object release its next in its
    // own destructor would nest one call per object.
    EnPointer<EnExtraData> sp = std::move(m_spNext);
    while (sp && sp->GetRefCount() == 1) {
        EnPointer<EnExtraData> spNext = std::move(sp->m_spNext);
        sp = std::move(spNext);
    }
}

void EnExtraData::SetData(const void* pvData, uint32_t uiSize) {
    m_uiSize = uiSize;
    m_pucData.reset();
    if (IsExactExtraData() && uiSize > 0) {
        m_pucData.reset(new uint8_t[uiSize]());
        if (pvData) std::memcpy(m_pucData.get(), pvData, uiSize);
    }
}

uint32_t EnExtraData::GetChainLength(const EnExtraData* pExtra) {
    uint32_t uiLength = 0;
    for (; pExtra; pExtra = pExtra->m_spNext) uiLength++;
    return uiLength;
}

EnExtraData* EnExtraData::CloneSingle() {
    SingleScope kSingle;
    return static_cast<EnExtraData*>(CloneObject());
}

bool EnExtraData::EqualsSingle(const EnExtraData* pOther) const {
    SingleScope kSingle;
    return EqualsObject(pOther);
}

bool EnExtraData::RegisterSingle(EnStream& kStream) {
    SingleScope kSingle;
    return RegisterForSave(kStream);
}

EnObject* EnExtraData::CloneObject() {
    auto* pCopy = new EnExtraData;
    CopyMembers(pCopy);
    return pCopy;
}

void EnExtraData::CopyMembers(EnExtraData* pCopy) {
    pCopy->m_uiSize = m_uiSize;
    pCopy->m_pucData.reset();
    if (IsExactExtraData() && m_uiSize > 0 && m_pucData) {
        pCopy->m_pucData.reset(new uint8_t[m_uiSize]);
        std::memcpy(pCopy->m_pucData.get(), m_pucData.get(), m_uiSize);
    }
    pCopy->m_spNext = nullptr;
    if (t_bSingle) return;

    // The copies are made one by one and appended at the tail, so a long chain costs no
    // nesting. A clone marker belongs to the clone pass under way and is never copied.
    EnExtraData* pTail = pCopy;
    for (EnExtraData* p = m_spNext; p; p = p->m_spNext) {
        if (IsCloneMarker(p)) continue;
        EnExtraData* pNew = p->CloneSingle();
        if (!pNew) continue;
        pTail->m_spNext = pNew;
        pTail = pNew;
    }
}

void EnExtraData::LoadFromStream(EnStream& kStream) {
    EnObject::LoadFromStream(kStream);
    uint32_t uiNextID = 0;
    if (!kStream.ReadLinkID(uiNextID)) return;
    if (auto* pRecord = kStream.GetLinkRecord<LinkRecord>()) pRecord->m_uiNextID = uiNextID;
    if (!kStream.ReadU32(m_uiSize)) return;
    if (IsExactExtraData() && m_uiSize > 0) {
        if (!kStream.CheckCount(m_uiSize, 1)) return;
        m_pucData.reset(new uint8_t[m_uiSize]);
        kStream.ReadBytes(m_pucData.get(), m_uiSize);
    }
}

void EnExtraData::LinkFromStream(EnStream& kStream) {
    EnObject::LinkFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    if (!pRecord || pRecord->m_uiNextID == 0) return;
    EnExtraData* pNext = kStream.FindLink<EnExtraData>(pRecord->m_uiNextID);
    if (!pNext) return;

    // A file whose next links close a loop would make every walk along the chain endless and
    // keep the loop alive forever. This object has no next yet, so it is the end of its own
    // chain: the new link closes a loop exactly when the chain from pNext ends here. The hints
    // jump ahead along chains already linked in this load (never past their end, since chains
    // only grow at the end while links are resolved).
    EnExtraData* pEnd = pNext;
    while (pEnd->m_spNext) {
        EnExtraData* pJump = pEnd->m_pLinkHint ? pEnd->m_pLinkHint : pEnd->m_spNext.Get();
        pEnd = pJump;
        if (pEnd == this) break;
    }
    for (EnExtraData* p = pNext; p != pEnd;) {
        EnExtraData* pJump = p->m_pLinkHint ? p->m_pLinkHint : p->m_spNext.Get();
        p->m_pLinkHint = pEnd;
        p = pJump;
    }
    if (pEnd == this) {
        kStream.MarkRecordInvalid();
        return;
    }
    m_spNext = pNext;
    m_pLinkHint = pEnd;
}

bool EnExtraData::RegisterForSave(EnStream& kStream) {
    if (!EnObject::RegisterForSave(kStream)) return false;
    if (t_bSingle) return true;
    // Each object of the chain registers once; a tail shared with a chain saved earlier stops
    // the walk where it was registered already.
    for (EnExtraData* p = m_spNext; p; p = p->m_spNext)
        if (!p->RegisterSingle(kStream)) break;
    return true;
}

void EnExtraData::SaveToStream(EnStream& kStream) {
    EnObject::SaveToStream(kStream);
    kStream.WriteLinkID(m_spNext);
    kStream.WriteU32(m_uiSize);
    if (IsExactExtraData() && m_uiSize > 0 && m_pucData)
        kStream.WriteBytes(m_pucData.get(), m_uiSize);
}

bool EnExtraData::EqualsObject(const EnObject* pObject) const {
    if (!EnObject::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnExtraData*>(pObject);
    if (m_uiSize != pOther->m_uiSize) return false;
    if (!m_pucData != !pOther->m_pucData) return false;
    if (m_pucData && std::memcmp(m_pucData.get(), pOther->m_pucData.get(), m_uiSize) != 0)
        return false;
    if (t_bSingle) return true;

    const EnExtraData* pA = m_spNext;
    const EnExtraData* pB = pOther->m_spNext;
    for (; pA && pB; pA = pA->m_spNext, pB = pB->m_spNext)
        if (!pA->EqualsSingle(pB)) return false;
    return !pA && !pB;
}

void EnExtraData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    kStrings.Add(MakeViewerTitle("EnExtraData"));
    kStrings.Add(MakeViewerUInt("m_uiSize", m_uiSize));
}
