#pragma once
#include <cstdint>

#include "engine/core/EnMatrix3.h"
#include "engine/core/EnPlaneEquation.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/core/EnVector3.h"
#include "engine/geometry/EnDynamicEffect.h"

class EnImage;

// The effect that lays a texture over the objects it affects by computing texture coordinates
// from positions: a projected light or shadow, an environment map or a fog map. Its projection
// and clipping plane are given in model space; each world-transform update turns them into the
// world-space ones that the renderer applies to world-space vertices.
class EnTextureEffect : public EnDynamicEffect {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    enum TextureMode : uint32_t {
        PROJECTED_LIGHT = 0,
        PROJECTED_SHADOW = 1,
        ENVIRONMENT_MAP = 2,
        FOG_MAP = 3,
    };
    enum CoordMode : uint32_t {
        WORLD_PARALLEL = 0,
        WORLD_PERSPECTIVE = 1,
        SPHERE_MAP = 2,
    };
    // Filtering and clamping take the texture property's values and names.
    using FilterMode = EnTextureModeProperty::FilterMode;
    using ClampMode = EnTextureModeProperty::ClampMode;
    using enum EnTextureModeProperty::FilterMode;
    using enum EnTextureModeProperty::ClampMode;

    EnTextureEffect();
    ~EnTextureEffect() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // The world transform, then the world projection and plane.
    void ComputeWorldTransform() override;
    EffectType GetEffectType() const override { return TEXTURE_EFFECT; }

    // Recomputes the world projection and clipping plane from the model-space ones and the
    // world transform.
    void UpdateProjection();

    const EnMatrix3& GetModelProjectionMatrix() const { return m_modelProjMat; }
    void SetModelProjectionMatrix(const EnMatrix3& kMatrix) { m_modelProjMat = kMatrix; }
    const EnVector3& GetModelProjectionTranslation() const { return m_modelProjTrans; }
    void SetModelProjectionTranslation(const EnVector3& kTrans) { m_modelProjTrans = kTrans; }
    const EnMatrix3& GetWorldProjectionMatrix() const { return m_worldProjMat; }
    const EnVector3& GetWorldProjectionTranslation() const { return m_worldProjTrans; }

    EnImage* GetImage() const { return m_spImage; }
    void SetImage(EnImage* pImage);

    FilterMode GetTextureFilter() const { return m_eFilter; }
    void SetTextureFilter(FilterMode eFilter) { m_eFilter = eFilter; }
    ClampMode GetTextureClamp() const { return m_eClamp; }
    void SetTextureClamp(ClampMode eClamp) { m_eClamp = eClamp; }
    TextureMode GetTextureMode() const { return m_eTextureMode; }
    void SetTextureMode(TextureMode eMode) { m_eTextureMode = eMode; }
    CoordMode GetCoordMode() const { return m_eCoordMode; }
    void SetCoordMode(CoordMode eMode) { m_eCoordMode = eMode; }

    bool GetClippingPlaneEnable() const { return m_bPlaneEnable; }
    void SetClippingPlaneEnable(bool bEnable) { m_bPlaneEnable = bEnable; }
    const EnPlaneEquation& GetModelClippingPlane() const { return m_modelPlane; }
    void SetModelClippingPlane(const EnPlaneEquation& kPlane) { m_modelPlane = kPlane; }
    const EnPlaneEquation& GetWorldClippingPlane() const { return m_worldPlane; }

    // Renderer parameters; stored, copied and compared only.
    int16_t GetL() const { return m_sL; }
    void SetL(int16_t sL) { m_sL = sL; }
    int16_t GetK() const { return m_sK; }
    void SetK(int16_t sK) { m_sK = sK; }
    uint8_t GetOption(int iIndex) const { return m_aucOption[iIndex & 1]; }
    void SetOption(int iIndex, uint8_t ucValue) { m_aucOption[iIndex & 1] = ucValue; }

protected:
    struct LinkRecord : EnDynamicEffect::LinkRecord {
        uint32_t m_uiImageID = 0;
    };

    EnMatrix3 m_modelProjMat{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    EnVector3 m_modelProjTrans{0.0f, 0.0f, 0.0f};
    EnMatrix3 m_worldProjMat{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    EnVector3 m_worldProjTrans{0.0f, 0.0f, 0.0f};
    EnPointer<EnImage> m_spImage;
    FilterMode m_eFilter = FILTER_NEAREST;
    ClampMode m_eClamp = WRAP_S_WRAP_T;
    TextureMode m_eTextureMode = PROJECTED_LIGHT;
    CoordMode m_eCoordMode = WORLD_PARALLEL;
    bool m_bPlaneEnable = false;
    EnPlaneEquation m_modelPlane{EnVector3(1.0f, 0.0f, 0.0f), 0.0f};
    EnPlaneEquation m_worldPlane{EnVector3(1.0f, 0.0f, 0.0f), 0.0f};
    int16_t m_sL = 0;
    int16_t m_sK = -75;
    uint8_t m_aucOption[2] = {0, 0};
};
