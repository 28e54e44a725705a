#pragma once
#include <cstdint>
#include <vector>

#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"
#include "engine/core/EnTArray.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/geometry/EnImage.h"

// Texture maps added to the base texture of the objects below it: a dark map, a detail map, a
// gloss map, a glow map and any number of decal maps, each with its own image, addressing,
// filtering, texture-coordinate set and mipmap parameters. Slot i of the map array holds the
// map of role i (4 and above are decals) or is empty. Images are shared, never copied.
class EnMultiTextureProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = MULTI_TEXTURE;

    enum MapRole : uint32_t {
        DARK_MAP = 0,
        DETAIL_MAP = 1,
        GLOSS_MAP = 2,
        GLOW_MAP = 3,
        DECAL_MAP = 4,  // the first decal; further decals take the slots behind it
        ROLE_SLOTS = 5,
    };

    class Map {
    public:
        Map() = default;
        Map(EnImage* pImage, EnTextureModeProperty::ClampMode eClamp,
            EnTextureModeProperty::FilterMode eFilter, uint32_t uiTexCoord = 0)
            : m_spImage(pImage), m_eClamp(eClamp), m_eFilter(eFilter), m_uiTexCoord(uiTexCoord) {}

        // Images present on both sides or on neither (not compared further) and every value
        // equal.
        bool operator==(const Map& kOther) const;

        EnPointer<EnImage> m_spImage;
        // Kept as the file's 32-bit words, so that values without a name survive a round trip.
        uint32_t m_eClamp = EnTextureModeProperty::WRAP_S_WRAP_T;
        uint32_t m_eFilter = EnTextureModeProperty::FILTER_NEAREST;
        uint32_t m_uiTexCoord = 0;
        int16_t m_sL = 0;
        int16_t m_sK = -75;
        // Two renderer values that travel with the map in newer files.
        uint8_t m_ucExtra0 = 0;
        uint8_t m_ucExtra1 = 0;
    };

    struct LinkRecord : EnProperty::LinkRecord {
        std::vector<uint32_t> m_kImageIDs;  // one per slot
    };

    EnMultiTextureProperty();
    ~EnMultiTextureProperty() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    // Slots in use (empty ones included); at least the five role slots.
    uint32_t GetSlotCount() const { return m_kMaps.GetSize(); }
    // The map of a slot, or null when the slot is empty or past the slots in use.
    Map* GetMap(uint32_t uiSlot) const {
        return uiSlot < m_kMaps.GetSize() ? m_kMaps.GetAt(uiSlot) : nullptr;
    }
    // Puts a copy of the map into the slot (growing the array as needed), replacing what it
    // held.
    void SetMap(uint32_t uiSlot, const Map& kMap);
    // Empties a slot; the slot count stays.
    void RemoveMap(uint32_t uiSlot);

    uint32_t GetExtraWord() const { return m_uiExtra; }
    void SetExtraWord(uint32_t uiExtra) { m_uiExtra = uiExtra; }

protected:
    EnTArray<Map*> m_kMaps{1, 1};  // the property owns the maps
    uint32_t m_uiExtra = 0;        // kept and copied for the renderer; never streamed
};

// The shared default instance: a plain new EnMultiTextureProperty (five empty slots).
EnPointer<EnMultiTextureProperty> GetDefaultMultiTextureProperty();
