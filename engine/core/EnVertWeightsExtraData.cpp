#include "engine/core/EnVertWeightsExtraData.h"

#include <algorithm>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnVertWeightsExtraData, EnExtraData);
EN_IMPLEMENT_STREAM(EnVertWeightsExtraData);

EnVertWeightsExtraData::EnVertWeightsExtraData() = default;

EnVertWeightsExtraData::EnVertWeightsExtraData(uint16_t usCount, const float* pfWeights) {
    SetWeights(usCount, pfWeights);
}

EnVertWeightsExtraData::~EnVertWeightsExtraData() = default;

void EnVertWeightsExtraData::SetWeights(uint16_t usCount, const float* pfWeights) {
    m_usWeightCount = usCount;
    m_pfWeights.reset();
    if (usCount > 0) {
        m_pfWeights.reset(new float[usCount]());
        if (pfWeights) std::copy(pfWeights, pfWeights + usCount, m_pfWeights.get());
    }
}

EnObject* EnVertWeightsExtraData::CloneObject() {
    auto* pCopy = new EnVertWeightsExtraData;
    CopyMembers(pCopy);
    pCopy->SetWeights(m_usWeightCount, m_pfWeights.get());
    return pCopy;
}

void EnVertWeightsExtraData::LoadFromStream(EnStream& kStream) {
    EnExtraData::LoadFromStream(kStream);
    uint16_t usCount = 0;
    if (!kStream.ReadU16(usCount) || !kStream.CheckCount(usCount, 4)) return;
    SetWeights(usCount, nullptr);
    if (usCount > 0) kStream.ReadF32Array(m_pfWeights.get(), usCount);
}

void EnVertWeightsExtraData::SaveToStream(EnStream& kStream) {
    EnExtraData::SaveToStream(kStream);
    kStream.WriteU16(m_usWeightCount);
    if (m_usWeightCount > 0) kStream.WriteF32Array(m_pfWeights.get(), m_usWeightCount);
}

bool EnVertWeightsExtraData::EqualsObject(const EnObject* pObject) const {
    if (!EnExtraData::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnVertWeightsExtraData*>(pObject);
    if (m_usWeightCount != pOther->m_usWeightCount) return false;
    for (uint16_t i = 0; i < m_usWeightCount; i++)
        if (m_pfWeights[i] != pOther->m_pfWeights[i]) return false;
    return true;
}

void EnVertWeightsExtraData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnExtraData::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnVertWeightsExtraData"));
    kStrings.Add(MakeViewerUShort("m_usWeightCount", m_usWeightCount));
}
