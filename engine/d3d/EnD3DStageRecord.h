#pragma once
#include <cstdint>

#include "engine/core/EnPointer.h"
#include "engine/geometry/EnImage.h"
#include "platform/gfx/GfxStates.h"
#include "platform/gfx/GfxTypes.h"

class EnObject;

// One texture of a draw as the texture pipeline places it on a texture stage: the image, how
// it is filtered, addressed and given coordinates, and how it combines with what is already
// there (in a second stage of the same pass, or in a later pass through blending).
struct EnD3DStageRecord {
    // How the texture combines with what came before.
    enum Kind : uint32_t {
        KIND_ADD = 0,         // glow maps, environment maps, projected lights
        KIND_DECAL = 1,       // decal maps, fog maps
        KIND_MODULATE = 2,    // the base texture, dark and gloss maps, projected shadows
        KIND_MODULATE2X = 3,  // detail maps
        KIND_COUNT = 4,
    };

    EnPointer<EnImage> m_spImage;
    uint32_t m_uiFormat = 7;  // texture format index, 7 for none
    uint32_t m_uiFilter = 0;
    uint32_t m_uiAddressU = uint32_t(plat::gfx::TextureAddress::Wrap);
    uint32_t m_uiAddressV = uint32_t(plat::gfx::TextureAddress::Wrap);
    // A coordinate set number, or a camera-space generation (TexCoordGen) above 7.
    uint32_t m_uiTexCoord = 0;
    plat::gfx::Matrix m_kTransform = plat::gfx::Matrix::Identity();
    bool m_bProjected = false;
    uint32_t m_uiKind = KIND_MODULATE;
    bool m_bVertexColor = true;  // this pass combines the vertex colour
    // The property or texture effect the record came from (compared, never used).
    const EnObject* m_pSource = nullptr;

    bool GeneratesCoordinates() const { return m_uiTexCoord > 7; }
};
