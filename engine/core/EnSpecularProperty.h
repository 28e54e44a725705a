#pragma once
#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

// Specular lighting for the objects below it (off by default).
// Its whole state is bit 0 of the flags word.
class EnSpecularProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = SPECULAR;
    static constexpr uint16_t SPECULAR_MASK = 0x0001;

    EnSpecularProperty();
    ~EnSpecularProperty() override;

    EnObject* CloneObject() override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    bool GetSpecular() const { return (m_usFlags & SPECULAR_MASK) != 0; }
    void SetSpecular(bool bSpecular) { SetFlagBit(bSpecular, 0); }
};

// The shared default instance: a plain new EnSpecularProperty.
EnPointer<EnSpecularProperty> GetDefaultSpecularProperty();
