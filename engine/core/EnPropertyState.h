#pragma once
#include <cstdint>

#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"

class EnAlphaProperty;
class EnCorrectionProperty;
class EnDitherProperty;
class EnFogProperty;
class EnMaterialProperty;
class EnMultiTextureProperty;
class EnShadeProperty;
class EnSpecularProperty;
class EnStencilProperty;
class EnTextureModeProperty;
class EnTextureProperty;
class EnTransparentProperty;
class EnVertexColorProperty;
class EnWireframeProperty;
class EnZBufferProperty;

// The render state that reaches one geometry object: one property per type, merged down the
// scene graph (an object's own property overrides the inherited one of its type). A slot that
// nobody in the chain supplies holds the shared default instance of its class. Reference
// counted like an engine object, but not one itself: it is never streamed or cloned.
class EnPropertyState {
public:
    // Every slot filled with its class's default instance.
    EnPropertyState();
    // Shares the other state's properties, slot by slot.
    EnPropertyState(const EnPropertyState& kOther);
    EnPropertyState& operator=(const EnPropertyState&) = delete;
    ~EnPropertyState();

    void AddReference() { ++m_iRefCount; }
    // Drops one reference; the last one destroys the state. Returns the new count.
    int32_t ReleaseReference();
    int32_t GetRefCount() const { return m_iRefCount; }

    // Puts each slot's default instance back.
    void FillWithDefaults();
    // Stores the property in the slot of its type, releasing what the slot held; null is
    // ignored.
    void SetProperty(EnProperty* pProperty);
    // The property of a type, or null for a type outside 0 to 14.
    EnProperty* GetProperty(int32_t iType) const {
        return iType >= 0 && iType < EnProperty::MAX_TYPES ? m_aspProperty[iType].Get() : nullptr;
    }
    // The slot of the class T (its TYPE), as that class; null when the slot holds none.
    template <class T>
    T* Get() const {
        return EnDynamicCastTo<T>(m_aspProperty[T::TYPE].Get());
    }

    EnAlphaProperty* GetAlpha() const;
    EnCorrectionProperty* GetCorrection() const;
    EnFogProperty* GetFog() const;
    EnMaterialProperty* GetMaterial() const;
    EnShadeProperty* GetShade() const;
    EnTextureModeProperty* GetTextureMode() const;
    EnTransparentProperty* GetTransparent() const;
    EnWireframeProperty* GetWireframe() const;
    EnZBufferProperty* GetZBuffer() const;
    EnDitherProperty* GetDither() const;
    EnVertexColorProperty* GetVertexColor() const;
    EnSpecularProperty* GetSpecular() const;
    EnStencilProperty* GetStencil() const;
    // The texture classes live with the images; these resolve where their headers are seen.
    template <class T = EnTextureProperty>
    T* GetTexture() const {
        return Get<T>();
    }
    template <class T = EnMultiTextureProperty>
    T* GetMultiTexture() const {
        return Get<T>();
    }

    // The material for drawing: when it changed since it was last fetched, its changed flag is
    // cleared and its revision raised, so that renderers know to refresh what they keep of it.
    EnMaterialProperty* GetMaterialProperty() const;

    // Property states constructed and not yet destroyed, process-wide.
    static uint32_t GetLiveCount();

private:
    int32_t m_iRefCount = 0;
    // Released from the last slot to the first when the state goes.
    EnPointer<EnProperty> m_aspProperty[EnProperty::MAX_TYPES];
};
