#include "engine/core/EnFltAnimationNode.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnFltAnimationNode, EnSwitchNode);
EN_IMPLEMENT_STREAM(EnFltAnimationNode);

namespace {

bool ReadF64(EnStream& kStream, double& dValue) {
    uint8_t aucBytes[8];
    if (!kStream.ReadBytes(aucBytes, 8)) return false;
    uint64_t uiBits = 0;
    for (int i = 7; i >= 0; i--) uiBits = uiBits << 8 | aucBytes[i];
    std::memcpy(&dValue, &uiBits, 8);
    return true;
}

void WriteF64(EnStream& kStream, double dValue) {
    uint64_t uiBits = 0;
    std::memcpy(&uiBits, &dValue, 8);
    uint8_t aucBytes[8];
    for (int i = 0; i < 8; i++) aucBytes[i] = uint8_t(uiBits >> (8 * i));
    kStream.WriteBytes(aucBytes, 8);
}

}  // namespace

EnFltAnimationNode::EnFltAnimationNode() = default;

EnFltAnimationNode::~EnFltAnimationNode() = default;

EnObject* EnFltAnimationNode::CloneObject() {
    EnFltAnimationNode* pCopy = new EnFltAnimationNode;
    CopyMembers(pCopy);
    pCopy->m_dPeriod = m_dPeriod;
    return pCopy;
}

void EnFltAnimationNode::LoadFromStream(EnStream& kStream) {
    EnSwitchNode::LoadFromStream(kStream);
    ReadF64(kStream, m_dPeriod);
}

void EnFltAnimationNode::SaveToStream(EnStream& kStream) {
    EnSwitchNode::SaveToStream(kStream);
    WriteF64(kStream, m_dPeriod);
}

bool EnFltAnimationNode::EqualsObject(const EnObject* pObject) const {
    if (!EnSwitchNode::EqualsObject(pObject)) return false;
    const auto* pOther = EnDynamicCast(EnFltAnimationNode, pObject);
    return pOther && m_dPeriod == pOther->m_dPeriod && GetBounce() == pOther->GetBounce();
}

void EnFltAnimationNode::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnSwitchNode::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnFltAnimationNode"));
    kStrings.Add(MakeViewerDouble("m_dPeriod", m_dPeriod));
    kStrings.Add(MakeViewerBool("m_bBounce", GetBounce()));
}

void EnFltAnimationNode::SelectIndex(double dTime) {
    const uint32_t uiCount = m_children.GetSize();
    if (uiCount == 0 || !(m_dPeriod > 0.0)) return;
    double dPhase = std::fmod(dTime, m_dPeriod);
    if (dPhase < 0.0) dPhase += m_dPeriod;
    double dFrame;
    if (GetBounce()) {
        if (dPhase > m_dPeriod * 0.5) dPhase = m_dPeriod - dPhase;
        dFrame = 2.0 * uiCount * dPhase / m_dPeriod;
    } else {
        dFrame = uiCount * dPhase / m_dPeriod;
    }
    // A time that is not a number leaves the frame undecided: show the first child.
    uint32_t uiIndex = dFrame >= 0.0 ? uint32_t(std::min(dFrame, double(uiCount - 1))) : 0;
    m_iIndex = int32_t(uiIndex);
}

void EnFltAnimationNode::Draw(EnCamera* pCamera) {
    SelectIndex(m_fSavedTime);
    EnSwitchNode::Draw(pCamera);
    m_iIndex = -1;
}
