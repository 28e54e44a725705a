#pragma once
#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

// Smooth (Gouraud) shading for the objects below it; off means flat shading (on by default).
// Its whole state is bit 0 of the flags word.
class EnShadeProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = SHADE;
    static constexpr uint16_t SMOOTH_MASK = 0x0001;

    EnShadeProperty();
    ~EnShadeProperty() override;

    EnObject* CloneObject() override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    bool GetSmooth() const { return (m_usFlags & SMOOTH_MASK) != 0; }
    void SetSmooth(bool bSmooth) { SetFlagBit(bSmooth, 0); }
};

// The shared default instance: a plain new EnShadeProperty.
EnPointer<EnShadeProperty> GetDefaultShadeProperty();
