#pragma once
#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

// Perspective correction of textures and colours for the objects below it (on by default).
// Its whole state is bit 0 of the flags word.
class EnCorrectionProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = CORRECTION;
    static constexpr uint16_t CORRECTION_MASK = 0x0001;

    EnCorrectionProperty();
    ~EnCorrectionProperty() override;

    EnObject* CloneObject() override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    bool GetCorrection() const { return (m_usFlags & CORRECTION_MASK) != 0; }
    void SetCorrection(bool bCorrection) { SetFlagBit(bCorrection, 0); }
};

// The shared default instance: a plain new EnCorrectionProperty.
EnPointer<EnCorrectionProperty> GetDefaultCorrectionProperty();
