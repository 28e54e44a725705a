#pragma once
#include <cstdint>

#include "engine/core/EnObject.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnRect.h"
#include "engine/core/EnTList.h"
#include "engine/render/EnAccumulator.h"

class EnBoundSphere;
class EnCamera;
class EnColorRGB;
class EnColorRGBA;
class EnDynamicEffect;
class EnDynamicEffectState;
class EnGeometry;
class EnGeometryData;
class EnImage;
class EnLinesData;
class EnMatrix3;
class EnParticlesData;
class EnPlaneEquation;
class EnPropertyState;
class EnTriShapeData;
class EnTriStripData;
class EnTriStripsData;
class EnTrianglesData;
class EnVector2;
class EnVector3;
struct EnDrawRecord;
struct EnFrustum;

// The engine's abstract renderer: the one interface through which cameras, geometry, the
// accumulators and screen polygons draw. It holds the accumulator that every geometry draw is
// offered to first, and the property and effect states that the next draw uses (lent to it by
// whoever draws next; the renderer never makes one). Every live renderer sits in one
// process-wide list, so that destroyed effects and geometry data reach all of them.
// Everything that touches a device is virtual and supplied by the concrete renderer.
//
// This header depends on the engine core alone (the geometry classes are only named), so the
// core's camera and nodes may use it; the operations they call are virtual or inline.
class EnRender : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // Flags of ClearBuffers.
    enum : uint32_t {
        CLEAR_BACKBUFFER = 0x1,
        CLEAR_STENCIL = 0x2,  // honoured only when the device has a stencil buffer
        CLEAR_ZBUFFER = 0x4,
        CLEAR_ALL = 0x7,
    };
    // What the base renderer answers for any property and effect state.
    static constexpr uint32_t UNSUPPORTED_UNKNOWN = 0x800000;

    EnRender();
    ~EnRender() override;

    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    // Device description and capabilities.
    virtual const char* GetDisplayFormatInfo() = 0;
    virtual uint32_t GetRendererField() = 0;
    virtual bool IsTextureFormatAvailable(uint32_t uiFormat) = 0;
    // Bits of the features in the two states that this renderer cannot show; 0 = all of them.
    virtual uint32_t QueryUnsupportedFeatures(EnPropertyState* pState,
                                              EnDynamicEffectState* pEffects);

    // Frame buffer.
    virtual bool SwapBuffers() = 0;
    // Viewport in fractions of the target with y upward; null clears the whole buffer.
    virtual bool ClearBuffers(const EnRect<float>* pViewport, uint32_t uiFlags) = 0;
    virtual uint32_t GetScreenWidth() = 0;
    virtual uint32_t GetScreenHeight() = 0;
    // 1: the back buffer's image; 2: the front buffer's (the back one when there is none).
    virtual EnImage* GetBufferSurface(uint32_t uiWhich) = 0;
    // Copies the image (or the pixel rectangle of it) to (x, y) of the back buffer; answers the
    // device's result code, 0 on success.
    virtual uint32_t BlitImage(EnImage* pImage, const EnRect<uint32_t>* pSource, uint32_t uiX,
                               uint32_t uiY, bool bUseColorKey) = 0;
    virtual bool SetBackgroundColor(const EnColorRGB& kColor) = 0;
    virtual void SetStencilClear(uint32_t uiValue);
    virtual float GetMaxFogValue();
    virtual void SetMaxFogValue(float fValue);

    // Textures.
    virtual bool PrecacheImage(EnImage* pImage, bool bAllowEviction, bool bPin) = 0;
    virtual bool ReleaseAllTextures(bool bIncludePinned) = 0;
    virtual bool ReleaseImageTextures(EnImage* pImage) = 0;
    virtual bool GetTextureMemory(uint32_t& uiTotal, uint32_t& uiFree);
    virtual bool GetTextureStatistics(uint32_t& uiResident, uint32_t& uiUsed, uint32_t uiUnused,
                                      uint32_t& uiThird, uint32_t& uiFourth);
    virtual uint32_t GetTextureManagerValue();
    virtual bool SetTextureManagerValue(uint32_t uiValue) = 0;
    virtual uint32_t GetTextureManagerSetting() = 0;
    virtual bool PrepareImageSurface(EnImage* pImage);
    // Told of every new image; false refuses it.
    virtual bool OnImageCreated(EnImage* pImage);

    // Scenes and views. OpenScene answers the device's result code, 0 when drawing may go on.
    virtual uint32_t OpenScene(EnCamera* pCamera);
    virtual void CloseScene();
    virtual void SetViewFromCamera(const EnVector3& kLoc, const EnVector3& kDir,
                                   const EnVector3& kUp, const EnVector3& kRight,
                                   const EnFrustum& kFrustum, const EnRect<float>& kPort) = 0;
    virtual void SetModelTransform(const EnVector3& kTranslate, const EnMatrix3& kRotate,
                                   float fScale) = 0;
    // Installs the culling planes for the next geometry draw: the active planes, their count,
    // how many of them are frustum planes, and bit i for each frustum plane i among them.
    virtual bool SetClipPlanes(EnPlaneEquation* const* ppPlanes, uint32_t uiCount,
                               uint32_t uiFrustumCount, uint32_t uiFrustumBits) = 0;

    // One draw per geometry kind, with the current model transform, property and effect state.
    virtual void DrawTriShape(EnTriShapeData* pData, const EnBoundSphere& kWorldBound) = 0;
    virtual void DrawTriangles(EnTrianglesData* pData, const EnBoundSphere& kWorldBound) = 0;
    virtual void DrawTriStrip(EnTriStripData* pData, const EnBoundSphere& kWorldBound) = 0;
    virtual void DrawTriStrips(EnTriStripsData* pData, const EnBoundSphere& kWorldBound) = 0;
    virtual void DrawParticles(EnParticlesData* pData, const EnBoundSphere& kWorldBound) = 0;
    virtual void DrawLines(EnLinesData* pData, const EnBoundSphere& kWorldBound) = 0;
    // A flat polygon in screen space; texture coordinates and colours may be null.
    virtual void DrawScreenPolygon(uint16_t usVertices, const EnVector3* pVertex,
                                   const EnVector2* pTexture, const EnColorRGBA* pColor) = 0;

    // Notices that let a renderer drop what it keeps for an object about to be destroyed.
    virtual void OnDynamicEffectDestroyed(EnDynamicEffect* pEffect);
    virtual void OnGeometryDataDestroyed(EnGeometryData* pData);

    // Draws one object that an accumulator deferred, at once, with the object's own property
    // and effect states and with the accumulator set aside so it is not collected again;
    // afterwards the renderer holds exactly the accumulator and states it held before. The
    // camera calls it with the record's plane mask in place (EnCamera::DrawRecordWithMask).
    virtual void BeginCameraDraw(EnCamera& kCamera, EnDrawRecord& kRecord);

    // The accumulator every geometry draw is offered to; null draws everything at once.
    EnAccumulator* GetAccumulator() const { return m_spAccumulator; }
    void SetAccumulator(EnAccumulator* pAccumulator) { m_spAccumulator = pAccumulator; }
    // True when the accumulator kept the object; the caller must not draw it now.
    bool DrawViaAccumulator(EnGeometry* pGeometry) {
        return m_spAccumulator && m_spAccumulator->CollectObject(pGeometry);
    }

    // The states of the next draw. Setting one releases the state held before.
    EnPropertyState* GetPropertyState() const { return m_spPropertyState; }
    void SetPropertyState(EnPropertyState* pState);
    EnDynamicEffectState* GetEffectState() const { return m_spEffectState; }
    void SetEffectState(EnDynamicEffectState* pState);

    // Calls OnDynamicEffectDestroyed / OnGeometryDataDestroyed on every live renderer, in the
    // order the renderers were made. Effect and geometry-data destructors call them first.
    static void BroadcastEffectDestroyed(EnDynamicEffect* pEffect);
    static void BroadcastDataDestroyed(EnGeometryData* pData);
    static uint32_t GetLiveRendererCount();

    // Presents the finished frame; the camera's PresentFrame uses it.
    void DisplayFrame() { SwapBuffers(); }

protected:
    EnPointer<EnAccumulator> m_spAccumulator;
    EnPointer<EnPropertyState> m_spPropertyState;
    EnPointer<EnDynamicEffectState> m_spEffectState;

private:
    static EnTList<EnRender*>& LiveRenderers();
};
