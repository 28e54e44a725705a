#pragma once
#include <cstdint>

#include "engine/core/EnObjectNET.h"
#include "engine/core/EnPointer.h"

// A render-state property: one kind of state (alpha blending, fog, material, texture, ...)
// attached to a scene object and inherited by everything below it. Each concrete class answers
// a fixed type id, which is also its slot in an EnPropertyState. The flags word holds the bit
// fields that each class defines; bits a class does not define are kept, streamed and copied
// but mean nothing to it.
class EnProperty : public EnObjectNET {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    enum PropertyType : int32_t {
        ALPHA = 0,
        CORRECTION = 1,
        FOG = 2,
        MATERIAL = 3,
        SHADE = 4,
        TEXTURE_MODE = 5,
        TEXTURE = 6,
        TRANSPARENT = 7,
        WIREFRAME = 8,
        ZBUFFER = 9,
        DITHER = 10,
        VERTEX_COLOR = 11,
        SPECULAR = 12,
        MULTI_TEXTURE = 13,
        STENCIL = 14,
        MAX_TYPES = 15,
    };

    // What each class registers for its shared default instance (see RegisterDefault).
    using DefaultFunction = EnProperty* (*)();

    EnProperty();
    ~EnProperty() override;

    // The flags word is left to the classes that define its bits.
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    virtual int32_t GetPropertyType() const = 0;
    // Runs every controller of the property with the time, in chain order.
    virtual void UpdateControllers(float fTime);

    uint16_t GetFlags() const { return m_usFlags; }
    void SetFlags(uint16_t usFlags) { m_usFlags = usFlags; }
    // Sets (non-zero value) or clears one bit of the flags word; bits past 15 are ignored.
    void SetFlagBit(uint32_t uiValue, uint32_t uiBit);
    bool GetFlagBit(uint32_t uiBit) const { return uiBit < 16 && (m_usFlags >> uiBit & 1) != 0; }
    // Writes a field of the flags word: the field is mask << shift, and the value is cut to
    // the mask so that it cannot spill into the neighbouring fields.
    void SetFlagField(uint32_t uiValue, uint32_t uiMask, uint32_t uiShift);
    uint32_t GetFlagField(uint32_t uiMask, uint32_t uiShift) const;

    // Each concrete class registers, from its own unit at start-up, the function that hands out
    // its shared default instance; property states fill the slots nobody supplies from here.
    // Answers true so that it can initialise a unit-local flag.
    static bool RegisterDefault(int32_t iType, DefaultFunction pfnDefault);
    // The default instance of a type, or null for a type out of range or not registered (a
    // program that does not link the texture properties has none for their slots).
    static EnProperty* GetDefault(int32_t iType);

protected:
    // The EnProperty part of a copy: the EnObjectNET part, then the flags word. Each concrete
    // CloneObject calls it right after constructing the copy.
    void CopyMembers(EnProperty* pCopy);
    // The comparison of the classes whose whole state is bit 0 of the flags word.
    bool EnFlagPropertyEquals(const EnObject* pObject) const;

    uint16_t m_usFlags = 0;
};
