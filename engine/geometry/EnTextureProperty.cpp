#include "engine/geometry/EnTextureProperty.h"

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnTextureProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnTextureProperty);

EnPointer<EnTextureProperty> GetDefaultTextureProperty() {
    static const EnPointer<EnTextureProperty> s_spDefault(new EnTextureProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultTextureProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnTextureProperty::TYPE, &DefaultInstance) && DefaultInstance();
}  // namespace

EnTextureProperty::EnTextureProperty() = default;

EnTextureProperty::EnTextureProperty(const char* pcImageFile)
    : m_spImage(EnImage::CreateFromFile(pcImageFile, EnImage::OPTION_DEFAULT, EnImage::TEX_DEFAULT,
                                        EnImage::OPTION_DEFAULT)) {}

EnTextureProperty::EnTextureProperty(EnPointer<EnRawImageData> spRawData)
    : m_spImage(EnImage::CreateFromRawData(std::move(spRawData), EnImage::OPTION_DEFAULT,
                                           EnImage::TEX_DEFAULT, EnImage::OPTION_DEFAULT)) {}

EnTextureProperty::~EnTextureProperty() {
    m_spImage = nullptr;
}

EnObject* EnTextureProperty::CloneObject() {
    auto* pCopy = new EnTextureProperty;
    CopyMembers(pCopy);
    pCopy->m_spImage = m_spImage;
    return pCopy;
}

void EnTextureProperty::LoadFromStream(EnStream& kStream) {
    EnProperty::LoadFromStream(kStream);
    uint32_t uiImageID = 0;
    kStream.ReadLinkID(uiImageID);
    if (auto* pRecord = kStream.GetLinkRecord<LinkRecord>()) pRecord->m_uiImageID = uiImageID;
    if (!kStream.IsVersionAtLeast("3.04")) {
        // Older files carry two more words here that nothing uses any longer.
        uint32_t uiUnused = 0;
        kStream.ReadU32(uiUnused);
        kStream.ReadU32(uiUnused);
    }
}

void EnTextureProperty::LinkFromStream(EnStream& kStream) {
    EnProperty::LinkFromStream(kStream);
    if (auto* pRecord = kStream.GetLinkRecord<LinkRecord>())
        m_spImage = kStream.FindLink<EnImage>(pRecord->m_uiImageID);
}

bool EnTextureProperty::RegisterForSave(EnStream& kStream) {
    if (!EnProperty::RegisterForSave(kStream)) return false;
    if (m_spImage) m_spImage->RegisterForSave(kStream);
    return true;
}

void EnTextureProperty::SaveToStream(EnStream& kStream) {
    EnProperty::SaveToStream(kStream);
    kStream.WriteLinkID(m_spImage);
}

bool EnTextureProperty::EqualsObject(const EnObject* pObject) const {
    if (!EnProperty::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnTextureProperty*>(pObject);
    return !m_spImage == !pOther->m_spImage;
}

void EnTextureProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTextureProperty"));
    kStrings.Add(MakeViewerPointer("m_spImage", m_spImage.Get()));
}
