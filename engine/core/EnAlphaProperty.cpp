#include "engine/core/EnAlphaProperty.h"

#include "engine/core/EnFormatString.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnAlphaProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnAlphaProperty);

EnPointer<EnAlphaProperty> GetDefaultAlphaProperty() {
    static const EnPointer<EnAlphaProperty> s_spDefault(new EnAlphaProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultAlphaProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnAlphaProperty::TYPE, &DefaultInstance) && DefaultInstance();

// Every defined bit: blending, both factors, testing and the test function. The no-sorter
// hint and the bits above it do not make two properties differ.
constexpr uint16_t COMPARED_BITS = 0x1FFF;
}  // namespace

EnAlphaProperty::EnAlphaProperty() {
    SetFlagBit(0, 0);
    SetFlagField(ALPHA_SRCALPHA, 0x0F, SRC_BLEND_POS);
    // The destination field is written through bit 12, which clears testing and its function.
    SetFlagField(ALPHA_INVSRCALPHA, 0xFF, DEST_BLEND_POS);
}

EnAlphaProperty::~EnAlphaProperty() = default;

char* EnAlphaProperty::MakeBlendViewerString(const char* pcLabel, uint32_t uiFactor) {
    static constexpr const char* NAMES[ALPHA_MAX_MODES] = {
        "ALPHA_ONE",       "ALPHA_ZERO",         "ALPHA_SRCCOLOR",    "ALPHA_INVSRCCOLOR",
        "ALPHA_DESTCOLOR", "ALPHA_INVDESTCOLOR", "ALPHA_SRCALPHA",    "ALPHA_INVSRCALPHA",
        "ALPHA_DESTALPHA", "ALPHA_INVDESTALPHA", "ALPHA_SRCALPHASAT",
    };
    if (!pcLabel) pcLabel = "";
    if (uiFactor < ALPHA_MAX_MODES) return EnFormatNewString("%s = %s", pcLabel, NAMES[uiFactor]);
    return EnFormatNewString("%s = UNKNOWN(%u)", pcLabel, uiFactor);
}

EnObject* EnAlphaProperty::CloneObject() {
    auto* pCopy = new EnAlphaProperty;
    CopyMembers(pCopy);
    pCopy->m_ucAlphaTestRef = m_ucAlphaTestRef;
    return pCopy;
}

void EnAlphaProperty::LoadFromStream(EnStream& kStream) {
    EnProperty::LoadFromStream(kStream);
    kStream.ReadU8(m_ucAlphaTestRef);
}

void EnAlphaProperty::SaveToStream(EnStream& kStream) {
    EnProperty::SaveToStream(kStream);
    kStream.WriteU8(m_ucAlphaTestRef);
}

bool EnAlphaProperty::EqualsObject(const EnObject* pObject) const {
    if (!EnProperty::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnAlphaProperty*>(pObject);
    return ((m_usFlags ^ pOther->m_usFlags) & COMPARED_BITS) == 0 &&
           m_ucAlphaTestRef == pOther->m_ucAlphaTestRef;
}

void EnAlphaProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnAlphaProperty"));
    kStrings.Add(MakeViewerBool("m_bAlpha", GetAlphaBlending()));
    kStrings.Add(MakeBlendViewerString("m_destBlend", GetDestBlendMode()));
}
