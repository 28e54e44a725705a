#pragma once
#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

// Draws the objects below it as wireframes (off by default).
// Its whole state is bit 0 of the flags word.
class EnWireframeProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = WIREFRAME;
    static constexpr uint16_t WIREFRAME_MASK = 0x0001;

    EnWireframeProperty();
    ~EnWireframeProperty() override;

    EnObject* CloneObject() override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    bool GetWireframe() const { return (m_usFlags & WIREFRAME_MASK) != 0; }
    void SetWireframe(bool bWireframe) { SetFlagBit(bWireframe, 0); }
};

// The shared default instance: a plain new EnWireframeProperty.
EnPointer<EnWireframeProperty> GetDefaultWireframeProperty();
