#include "engine/core/EnStringExtraData.h"

#include <cstring>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnStringExtraData, EnExtraData);
EN_IMPLEMENT_STREAM(EnStringExtraData);

namespace {
std::unique_ptr<char[]> CopyText(const char* pcText) {
    if (!pcText) return nullptr;
    size_t uiLength = std::strlen(pcText);
    std::unique_ptr<char[]> sp(new char[uiLength + 1]);
    std::memcpy(sp.get(), pcText, uiLength + 1);
    return sp;
}
}  // namespace

EnStringExtraData::EnStringExtraData() = default;

EnStringExtraData::EnStringExtraData(const char* pcString) {
    SetValue(pcString);
}

EnStringExtraData::~EnStringExtraData() = default;

void EnStringExtraData::SetValue(const char* pcString) {
    m_pString = CopyText(pcString);
    m_uiSize = pcString ? uint32_t(std::strlen(pcString) + 1) : 0;
}

EnObject* EnStringExtraData::CloneObject() {
    auto* pCopy = new EnStringExtraData;
    CopyMembers(pCopy);
    pCopy->m_pString = CopyText(m_pString.get());
    return pCopy;
}

void EnStringExtraData::LoadFromStream(EnStream& kStream) {
    EnExtraData::LoadFromStream(kStream);
    char* pcText = nullptr;
    kStream.LoadCString(pcText);
    m_pString.reset(pcText);
}

void EnStringExtraData::SaveToStream(EnStream& kStream) {
    EnExtraData::SaveToStream(kStream);
    kStream.SaveCString(m_pString.get());
}

bool EnStringExtraData::EqualsObject(const EnObject* pObject) const {
    if (!pObject) return false;
    // Any extra data may stand on the other side; only a text datum has a text to compare.
    const auto* pOther = EnDynamicCast(EnStringExtraData, pObject);
    if (!pOther) return false;
    if (m_uiSize != pOther->m_uiSize) return false;
    const char* pcA = m_pString.get();
    const char* pcB = pOther->m_pString.get();
    if (!pcA || !pcB) return !pcA && !pcB;
    // Within the stored size, and never past either terminator.
    return std::strncmp(pcA, pcB, m_uiSize) == 0;
}

void EnStringExtraData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnExtraData::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnStringExtraData"));
    kStrings.Add(MakeViewerString("m_pString", m_pString.get()));
}
