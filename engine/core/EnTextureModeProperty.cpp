#include "engine/core/EnTextureModeProperty.h"

#include "engine/core/EnFormatString.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnTextureModeProperty, EnProperty);
EN_IMPLEMENT_STREAM(EnTextureModeProperty);

EnPointer<EnTextureModeProperty> GetDefaultTextureModeProperty() {
    static const EnPointer<EnTextureModeProperty> s_spDefault(new EnTextureModeProperty);
    return s_spDefault;
}

namespace {
EnProperty* DefaultInstance() {
    return GetDefaultTextureModeProperty();
}
// The default is made at start-up and registered for the property states.
[[maybe_unused]] const bool s_bDefaultRegistered =
    EnProperty::RegisterDefault(EnTextureModeProperty::TYPE, &DefaultInstance) && DefaultInstance();

char* MakeNamedViewerString(const char* pcLabel, uint32_t uiValue, const char* const* ppcNames,
                            uint32_t uiNames) {
    if (!pcLabel) pcLabel = "";
    if (uiValue < uiNames) return EnFormatNewString("%s = %s", pcLabel, ppcNames[uiValue]);
    return EnFormatNewString("%s = UNKNOWN(%u)", pcLabel, uiValue);
}

// Apply modes of files older than "3.02", which had two more values between decal and modulate.
constexpr uint32_t OLD_APPLY_MODES[8] = {0, 1, 2, 2, 2, 3, 4, 7};
}  // namespace

EnTextureModeProperty::EnTextureModeProperty() {
    SetApplyMode(APPLY_MODULATE);
    SetFilterMode(FILTER_NEAREST);
    SetClampMode(WRAP_S_WRAP_T);
}

EnTextureModeProperty::~EnTextureModeProperty() = default;

char* EnTextureModeProperty::MakeApplyViewerString(const char* pcLabel, uint32_t uiApply) {
    static constexpr const char* NAMES[APPLY_MAX_MODES] = {
        "APPLY_REPLACE", "APPLY_DECAL", "APPLY_MODULATE", "APPLY_HILIGHT", "APPLY_HILIGHT2"};
    return MakeNamedViewerString(pcLabel, uiApply, NAMES, APPLY_MAX_MODES);
}

char* EnTextureModeProperty::MakeFilterViewerString(const char* pcLabel, uint32_t uiFilter) {
    static constexpr const char* NAMES[FILTER_MAX_MODES] = {
        "FILTER_NEAREST",         "FILTER_BILERP",
        "FILTER_TRILERP",         "FILTER_NEAREST_MIPNEAREST",
        "FILTER_NEAREST_MIPLERP", "FILTER_BILERP_MIPNEAREST"};
    return MakeNamedViewerString(pcLabel, uiFilter, NAMES, FILTER_MAX_MODES);
}

char* EnTextureModeProperty::MakeClampViewerString(const char* pcLabel, uint32_t uiClamp) {
    static constexpr const char* NAMES[CLAMP_MAX_MODES] = {"CLAMP_S_CLAMP_T", "CLAMP_S_WRAP_T",
                                                           "WRAP_S_CLAMP_T", "WRAP_S_WRAP_T"};
    return MakeNamedViewerString(pcLabel, uiClamp, NAMES, CLAMP_MAX_MODES);
}

EnObject* EnTextureModeProperty::CloneObject() {
    auto* pCopy = new EnTextureModeProperty;
    CopyMembers(pCopy);
    pCopy->m_sL = m_sL;
    pCopy->m_sK = m_sK;
    return pCopy;
}

void EnTextureModeProperty::LoadFromStream(EnStream& kStream) {
    EnProperty::LoadFromStream(kStream);
    if (!kStream.IsVersionAtLeast("3.02"))
        SetFlagField(OLD_APPLY_MODES[GetApplyMode()], APPLY_MASK >> APPLY_POS, APPLY_POS);
    if (kStream.IsVersionAtLeast("3.04")) {
        kStream.ReadI16(m_sL);
        kStream.ReadI16(m_sK);
    }
}

void EnTextureModeProperty::SaveToStream(EnStream& kStream) {
    EnProperty::SaveToStream(kStream);
    kStream.WriteI16(m_sL);
    kStream.WriteI16(m_sK);
}

bool EnTextureModeProperty::EqualsObject(const EnObject* pObject) const {
    if (!EnProperty::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnTextureModeProperty*>(pObject);
    return ((m_usFlags ^ pOther->m_usFlags) & 0x00FF) == 0 && m_sL == pOther->m_sL &&
           m_sK == pOther->m_sK;
}

void EnTextureModeProperty::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnProperty::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnTextureModeProperty"));
    kStrings.Add(MakeApplyViewerString("m_apply", GetApplyMode()));
    kStrings.Add(MakeFilterViewerString("m_filter", GetFilterMode()));
    kStrings.Add(MakeClampViewerString("m_clamp", GetClampMode()));
    kStrings.Add(MakeViewerShort("m_sL", m_sL));
    kStrings.Add(MakeViewerShort("m_sK", m_sK));
}
