#include "engine/geometry/EnMultiTextureProperty.h"

#include "engine/core/EnFormatString.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnMultiTextureProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnMultiTextureProperty);

EnPointer<EnMultiTextureProperty> GetDefaultMultiTextureProperty() {
    static const EnPointer<EnMultiTextureProperty> s_spDefault(new EnMultiTextureProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultMultiTextureProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnMultiTextureProperty::TYPE, &DefaultInstance) &&
    DefaultInstance();

// The smallest record of a slot is its presence word.
constexpr uint32_t MIN_SLOT_BYTES = 4;
}  // namespace

bool EnMultiTextureProperty::Map::operator==(const Map& kOther) const {
    return !m_spImage == !kOther.m_spImage && m_eClamp == kOther.m_eClamp &&
           m_eFilter == kOther.m_eFilter && m_uiTexCoord == kOther.m_uiTexCoord &&
           m_sL == kOther.m_sL && m_sK == kOther.m_sK && m_ucExtra0 == kOther.m_ucExtra0 &&
           m_ucExtra1 == kOther.m_ucExtra1;
}

EnMultiTextureProperty::EnMultiTextureProperty() {
    // Five empty role slots: the used size counts them even though they hold nothing.
    m_kMaps.SetAtGrow(ROLE_SLOTS - 1, nullptr);
}

EnMultiTextureProperty::~EnMultiTextureProperty() {
    for (uint32_t i = 0; i < m_kMaps.GetSize(); i++) delete m_kMaps.GetAt(i);
}

void EnMultiTextureProperty::SetMap(uint32_t uiSlot, const Map& kMap) {
    Map* pOld = GetMap(uiSlot);
    m_kMaps.SetAtGrow(uiSlot, new Map(kMap));
    delete pOld;
}

void EnMultiTextureProperty::RemoveMap(uint32_t uiSlot) {
    if (uiSlot >= m_kMaps.GetSize()) return;
    delete m_kMaps.GetAt(uiSlot);
    // Stored as an empty slot rather than removed, so the slot count stays.
    m_kMaps.SetAt(uiSlot, nullptr);
}

EnObject* EnMultiTextureProperty::CloneObject() {
    auto* pCopy = new EnMultiTextureProperty;
    CopyMembers(pCopy);
    pCopy->m_uiExtra = m_uiExtra;
    for (uint32_t i = 0; i < m_kMaps.GetSize(); i++)
        if (const Map* pMap = m_kMaps.GetAt(i)) pCopy->SetMap(i, *pMap);
    return pCopy;
}

void EnMultiTextureProperty::LoadFromStream(EnStream& kStream) {
    EnProperty::LoadFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    if (pRecord) pRecord->m_kImageIDs.assign(ROLE_SLOTS, 0);

    uint32_t uiSlots = 0;
    if (!kStream.ReadU32(uiSlots) || !kStream.CheckCount(uiSlots, MIN_SLOT_BYTES)) return;
    if (pRecord && uiSlots > ROLE_SLOTS) pRecord->m_kImageIDs.resize(uiSlots, 0);
    // Room for every slot at once: growing one slot at a time would copy the array per slot.
    if (uiSlots > m_kMaps.GetAllocatedSize()) m_kMaps.SetSize(uiSlots);
    const bool bHasMipValues = kStream.IsVersionAtLeast("3.04");
    for (uint32_t i = 0; i < uiSlots; i++) {
        uint32_t uiPresent = 0;
        if (!kStream.ReadU32(uiPresent)) return;
        if (!uiPresent) {
            RemoveMap(i);
            if (i >= m_kMaps.GetSize()) m_kMaps.SetAtGrow(i, nullptr);
            continue;
        }
        Map kMap;
        uint32_t uiImageID = 0;
        kStream.ReadLinkID(uiImageID);
        kStream.ReadU32(kMap.m_eClamp);
        kStream.ReadU32(kMap.m_eFilter);
        kStream.ReadU32(kMap.m_uiTexCoord);
        if (bHasMipValues) {
            kStream.ReadI16(kMap.m_sL);
            kStream.ReadI16(kMap.m_sK);
            kStream.ReadU8(kMap.m_ucExtra0);
            kStream.ReadU8(kMap.m_ucExtra1);
        }
        if (kStream.HasFailed()) return;
        if (pRecord) pRecord->m_kImageIDs[i] = uiImageID;
        SetMap(i, kMap);
    }
}

void EnMultiTextureProperty::LinkFromStream(EnStream& kStream) {
    EnProperty::LinkFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    if (!pRecord) return;
    for (uint32_t i = 0; i < pRecord->m_kImageIDs.size(); i++) {
        const uint32_t uiImageID = pRecord->m_kImageIDs[i];
        if (!uiImageID) continue;
        EnImage* pImage = kStream.FindLink<EnImage>(uiImageID);
        if (Map* pMap = GetMap(i)) pMap->m_spImage = pImage;
    }
}

bool EnMultiTextureProperty::RegisterForSave(EnStream& kStream) {
    if (!EnProperty::RegisterForSave(kStream)) return false;
    for (uint32_t i = 0; i < m_kMaps.GetSize(); i++) {
        const Map* pMap = m_kMaps.GetAt(i);
        if (pMap && pMap->m_spImage) pMap->m_spImage->RegisterForSave(kStream);
    }
    return true;
}

void EnMultiTextureProperty::SaveToStream(EnStream& kStream) {
    EnProperty::SaveToStream(kStream);
    kStream.WriteU32(m_kMaps.GetSize());
    for (uint32_t i = 0; i < m_kMaps.GetSize(); i++) {
        const Map* pMap = m_kMaps.GetAt(i);
        kStream.WriteU32(pMap ? 1 : 0);
        if (!pMap) continue;
        kStream.WriteLinkID(pMap->m_spImage);
        kStream.WriteU32(pMap->m_eClamp);
        kStream.WriteU32(pMap->m_eFilter);
        kStream.WriteU32(pMap->m_uiTexCoord);
        kStream.WriteI16(pMap->m_sL);
        kStream.WriteI16(pMap->m_sK);
        kStream.WriteU8(pMap->m_ucExtra0);
        kStream.WriteU8(pMap->m_ucExtra1);
    }
}

bool EnMultiTextureProperty::EqualsObject(const EnObject* pObject) const {
    if (!EnProperty::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnMultiTextureProperty*>(pObject);
    if (m_kMaps.GetSize() != pOther->m_kMaps.GetSize()) return false;
    for (uint32_t i = 0; i < m_kMaps.GetSize(); i++) {
        const Map* pA = m_kMaps.GetAt(i);
        const Map* pB = pOther->m_kMaps.GetAt(i);
        if (!pA != !pB) return false;
        if (pA && !(*pA == *pB)) return false;
    }
    return true;
}

void EnMultiTextureProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    static constexpr const char* HEADINGS[ROLE_SLOTS] = {
        "MultiTexture Dark Map %d", "MultiTexture Detail Map %d", "MultiTexture Gloss Map %d",
        "MultiTexture Glow Map %d", "MultiTexture Decal Map %d"};
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnMultiTextureProperty"));
    for (uint32_t i = 0; i < m_kMaps.GetSize(); i++) {
        const Map* pMap = m_kMaps.GetAt(i);
        if (!pMap) continue;
        const char* pcHeading = HEADINGS[i < DECAL_MAP ? i : uint32_t(DECAL_MAP)];
        kStrings.Add(EnFormatNewString(pcHeading, int(i)));
        kStrings.Add(MakeViewerPointer("m_spImage ", pMap->m_spImage.Get()));
        kStrings.Add(EnTextureModeProperty::MakeClampViewerString("m_eClamp ", pMap->m_eClamp));
        kStrings.Add(EnTextureModeProperty::MakeFilterViewerString("m_eFilter ", pMap->m_eFilter));
        kStrings.Add(MakeViewerUInt("m_uiTexCoord ", pMap->m_uiTexCoord));
        kStrings.Add(MakeViewerShort("m_sL", pMap->m_sL));
        kStrings.Add(MakeViewerShort("m_sK", pMap->m_sK));
    }
}
