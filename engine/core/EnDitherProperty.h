#pragma once
#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

// Dithering of the colours drawn for the objects below it (off by default).
// Its whole state is bit 0 of the flags word.
class EnDitherProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = DITHER;
    static constexpr uint16_t DITHERING_MASK = 0x0001;

    EnDitherProperty();
    ~EnDitherProperty() override;

    EnObject* CloneObject() override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    bool GetDithering() const { return (m_usFlags & DITHERING_MASK) != 0; }
    void SetDithering(bool bDithering) { SetFlagBit(bDithering, 0); }
};

// The shared default instance: a plain new EnDitherProperty.
EnPointer<EnDitherProperty> GetDefaultDitherProperty();
