#pragma once
#include <cstdint>

#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

// Colour-key transparency for the objects below it: bit 0 of the flags word switches it on,
// and a 32-bit colour word names the transparent colour for the renderer.
class EnTransparentProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = TRANSPARENT;
    static constexpr uint16_t TRANSPARENT_MASK = 0x0001;

    EnTransparentProperty();
    ~EnTransparentProperty() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    bool GetTransparent() const { return (m_usFlags & TRANSPARENT_MASK) != 0; }
    void SetTransparent(bool bTransparent) { SetFlagBit(bTransparent, 0); }
    uint32_t GetColor() const { return m_uiColor; }
    void SetColor(uint32_t uiColor) { m_uiColor = uiColor; }

protected:
    uint32_t m_uiColor = 0;
};

// The shared default instance: a plain new EnTransparentProperty.
EnPointer<EnTransparentProperty> GetDefaultTransparentProperty();
