#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnBoundSphere.h"
#include "engine/core/EnTArray.h"
#include "engine/core/EnTList.h"
#include "engine/core/EnTMap.h"
#include "engine/core/EnVector3.h"
#include "engine/render/EnRender.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Graphics3D.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/VertexBuffer.h"

namespace plat {
class Window;
}
class EnD3DDeviceRecord;
class EnD3DDirectDrawDevice;
class EnD3DFrameBuffer;
class EnD3DLightManager;
class EnD3DRenderStateManager;
class EnD3DTextureManager;
class EnD3DTexturePipeline;
class EnD3DVertexBufferPool;

// The renderer on the DirectDraw/Direct3D-style device of platform/gfx: it makes the device
// and its managers (frame buffers, render states, texture pipeline, lights, vertex buffers),
// frames scenes, sets the view and the model transform, and submits every kind of geometry,
// keeping one vertex buffer per geometry data object drawn. The application enumerates the
// devices, creates one renderer with Create and keeps it for the life of the program.
class EnD3DRender : public EnRender {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // Creation flags.
    enum : uint32_t {
        CREATE_ZBUFFER = 0x01,
        CREATE_DEEP_ZBUFFER = 0x02,
        CREATE_STENCIL = 0x04,
        CREATE_32BIT = 0x10,  // full-screen colour depth 32 instead of 16
        CREATE_TRIPLE_BUFFER = 0x20,
        CREATE_NO_MULTITEXTURE = 0x40,
    };
    // Capability flags (GetRendererField).
    enum : uint32_t {
        CAPS_READY = 0x001,
        CAPS_SQUARE_TEXTURES = 0x002,
        CAPS_MANAGERS = 0x004,
        CAPS_HARDWARE = 0x008,
        CAPS_ALPHA_BLENDING = 0x040,
        CAPS_STENCIL = 0x080,
        CAPS_TRUE_COLOR = 0x100,
        CAPS_WBUFFER = 0x200,
    };
    // Z-buffer format candidates, in the order of m_akZCandidates.
    enum : uint32_t { ZCAND_SHALLOW = 0, ZCAND_DEEP = 1, ZCAND_STENCIL = 2, ZCAND_COUNT = 3 };

    // A vertex buffer kept for one geometry data object.
    struct CachedGeometry {
        plat::gfx::VertexBuffer* m_pBuffer = nullptr;  // one reference
        uint16_t m_usRevision = 0;  // the data's revision when the buffer was filled
        bool m_bOptimized = false;  // optimised for the device: it can no longer be written
    };

    // Makes the renderer: the device record given, else the default record for the screen
    // mode (the software one when that is missing). Null when anything fails; the reason is
    // then in GetLastError(). The caller takes the first reference.
    static EnD3DRender* Create(uint32_t uiFullScreen, uint32_t uiWidth, uint32_t uiHeight,
                               uint32_t uiFlags, plat::Window* pWindow, plat::Window* pWindow2,
                               const EnD3DDeviceRecord* pRecord);
    static bool InstallImageFactory();

    // The devices of every driver, built on the first call; the same list afterwards.
    static EnTList<EnD3DDeviceRecord*>* EnumerateDevices();
    static EnTList<EnD3DDeviceRecord*>* GetDeviceList() { return EnumerateDevices(); }
    static const EnD3DDeviceRecord* GetDefaultFullScreenRecord();
    static const EnD3DDeviceRecord* GetDefaultWindowedRecord();
    static const EnD3DDeviceRecord* GetDefaultSoftwareRecord();
    // Forgets the list so that the next EnumerateDevices asks the graphics back end again
    // (after another back end was installed). Renderers keep copies of their records.
    static void DiscardDeviceList();
    // The DirectDraw device object for a record, or for the default record of the screen mode.
    static EnD3DDirectDrawDevice* GetDirectDrawDevice(uint32_t uiFullScreen,
                                                      const EnD3DDeviceRecord* pRecord);

    // Diagnostics: "EN D3D Renderer: ...", "... WARNING: ...", "... ERROR: ..." on the debug
    // output; an error text is also kept as the last error (null empties it).
    static void LogMessage(const char* pcText);
    static void LogWarning(const char* pcText);
    static void LogError(const char* pcText);
    static const char* GetLastError() { return ms_acLastError; }

    ~EnD3DRender() override;

    // The graphics object of the current frame buffer (driver capabilities are read from it).
    plat::gfx::Graphics* GetDirectDraw() const;
    plat::gfx::Device* GetD3DDevice() const { return m_spDevice.Get(); }
    plat::gfx::Graphics3D* GetDirect3D() const { return m_spD3D.Get(); }
    EnD3DFrameBuffer* GetCurrentFrameBuffer() const { return m_pCurrentFrameBuffer; }
    // After lost surfaces: drops the cached geometry, restores the frame buffer, sets the
    // render target again and invalidates the textures. False while the surfaces stay lost.
    bool RecoverLostSurfaces();

    // Off-screen targets (usable as textures through their back images) in slots from 1 of the
    // frame-buffer array; slot 0 is the main frame buffer. 0 when no target can be made.
    uint32_t CreateRenderTarget(uint32_t uiWidth, uint32_t uiHeight);
    // Draws into the frame buffer of the slot from now on, with the default view; false for a
    // slot that holds none, or when the device refuses it (the current target then stays).
    bool SetRenderTarget(uint32_t uiIndex);
    EnD3DFrameBuffer* GetFrameBuffer(uint32_t uiIndex) const {
        return uiIndex < m_kFrameBuffers.GetSize() ? m_kFrameBuffers.GetAt(uiIndex) : nullptr;
    }
    uint32_t GetFrameBufferSlots() const { return m_kFrameBuffers.GetSize(); }
    uint32_t GetFrameBufferCapacity() const { return m_kFrameBuffers.GetAllocatedSize(); }
    // Every live texture manager lets go of the image's textures (the image is going).
    static void ReleaseImageEverywhere(EnImage* pImage);

    // EnRender.
    const char* GetDisplayFormatInfo() override;
    uint32_t GetRendererField() override { return m_uiCapabilities; }
    bool IsTextureFormatAvailable(uint32_t uiFormat) override;
    uint32_t QueryUnsupportedFeatures(EnPropertyState* pState,
                                      EnDynamicEffectState* pEffects) override;
    bool SwapBuffers() override;
    bool ClearBuffers(const EnRect<float>* pViewport, uint32_t uiFlags) override;
    uint32_t GetScreenWidth() override;
    uint32_t GetScreenHeight() override;
    EnImage* GetBufferSurface(uint32_t uiWhich) override;
    uint32_t BlitImage(EnImage* pImage, const EnRect<uint32_t>* pSource, uint32_t uiX, uint32_t uiY,
                       bool bUseColorKey) override;
    bool SetBackgroundColor(const EnColorRGB& kColor) override;
    void SetStencilClear(uint32_t uiValue) override { m_uiStencilClear = uiValue; }
    float GetMaxFogValue() override;
    void SetMaxFogValue(float fValue) override;
    bool PrecacheImage(EnImage* pImage, bool bAllowEviction, bool bPin) override;
    bool ReleaseAllTextures(bool bIncludePinned) override;
    bool ReleaseImageTextures(EnImage* pImage) override;
    bool GetTextureMemory(uint32_t& uiTotal, uint32_t& uiFree) override;
    bool GetTextureStatistics(uint32_t& uiResident, uint32_t& uiUsed, uint32_t uiUnused,
                              uint32_t& uiThird, uint32_t& uiFourth) override;
    uint32_t GetTextureManagerValue() override;
    bool SetTextureManagerValue(uint32_t uiValue) override;
    uint32_t GetTextureManagerSetting() override;
    bool PrepareImageSurface(EnImage* pImage) override;
    uint32_t OpenScene(EnCamera* pCamera) override;
    void CloseScene() override;
    void OnDynamicEffectDestroyed(EnDynamicEffect* pEffect) override;
    void SetViewFromCamera(const EnVector3& kLoc, const EnVector3& kDir, const EnVector3& kUp,
                           const EnVector3& kRight, const EnFrustum& kFrustum,
                           const EnRect<float>& kPort) override;
    void SetModelTransform(const EnVector3& kTranslate, const EnMatrix3& kRotate,
                           float fScale) override;
    bool SetClipPlanes(EnPlaneEquation* const* ppPlanes, uint32_t uiCount, uint32_t uiFrustumCount,
                       uint32_t uiFrustumBits) override;
    void DrawTriShape(EnTriShapeData* pData, const EnBoundSphere& kWorldBound) override;
    void DrawTriangles(EnTrianglesData* pData, const EnBoundSphere& kWorldBound) override;
    void DrawTriStrip(EnTriStripData* pData, const EnBoundSphere& kWorldBound) override;
    void DrawTriStrips(EnTriStripsData* pData, const EnBoundSphere& kWorldBound) override;
    void DrawParticles(EnParticlesData* pData, const EnBoundSphere& kWorldBound) override;
    void DrawLines(EnLinesData* pData, const EnBoundSphere& kWorldBound) override;
    void DrawScreenPolygon(uint16_t usVertices, const EnVector3* pVertex, const EnVector2* pTexture,
                           const EnColorRGBA* pColor) override;
    void OnGeometryDataDestroyed(EnGeometryData* pData) override;

    // Geometry submission.
    // The vertex buffer for the data, refilled when its revision changed; static data (revision
    // 0) gets an optimised buffer when bOptimize allows. Null when no buffer can be had.
    plat::gfx::VertexBuffer* GetCachedVertexBuffer(EnGeometryData* pData, bool bOptimize);
    // One draw call per texture pass. Without a buffer the data's cached one is used, and the
    // texture-set count and normals come from the data.
    void DrawPrimitive(plat::gfx::PrimitiveType eType, uint32_t uiVertices,
                       const uint16_t* pusIndices, uint32_t uiIndices, EnGeometryData* pData,
                       plat::gfx::VertexBuffer* pBuffer, uint32_t uiTextureSets, bool bHasNormals);
    // One indexed draw per strip and pass.
    void DrawStrips(plat::gfx::PrimitiveType eType, uint32_t uiVertices, uint16_t usStrips,
                    const uint16_t* pusIndices, const uint16_t* pusLengths, EnGeometryData* pData);

    // State, for the application and for tests.
    bool IsInScene() const { return m_bInScene; }
    float GetNear() const { return m_fNear; }
    float GetDepthRange() const { return m_fDepthRange; }
    uint32_t GetBackgroundColor() const { return m_uiBackground; }
    uint32_t GetStencilClear() const { return m_uiStencilClear; }
    const plat::gfx::Viewport& GetViewport() const { return m_kViewport; }
    const plat::gfx::Matrix& GetScreenProjection() const { return m_kScreenProjection; }
    const EnVector3& GetModelRight() const { return m_kModelRight; }
    const EnVector3& GetModelUp() const { return m_kModelUp; }
    const EnBoundSphere& GetCurrentBound() const { return m_kCurrentBound; }
    const plat::gfx::PixelFormat& GetZBufferFormat() const { return m_kZFormat; }
    const plat::gfx::PixelFormat& GetZCandidate(uint32_t uiWhich) const {
        return m_akZCandidates[uiWhich];
    }
    uint32_t GetCachedGeometryCount() const { return m_kGeometryCache.GetCount(); }
    bool IsTransformAndLight() const { return m_bTransformAndLight; }
    EnD3DRenderStateManager* GetRenderStateManager() const { return m_pRenderStateManager; }
    EnD3DTexturePipeline* GetTexturePipeline() const { return m_spTexturePipeline.get(); }
    EnD3DLightManager* GetLightManager() const { return m_spLightManager.get(); }
    EnD3DTextureManager* GetTextureManager() const { return m_pTextureManager; }
    EnD3DVertexBufferPool* GetVertexBufferPool() const { return m_spVertexBufferPool.get(); }

private:
    EnD3DRender();

    bool Initialize(EnD3DDirectDrawDevice* pDevice, uint32_t uiFullScreen, uint32_t uiFlags,
                    uint32_t uiWidth, uint32_t uiHeight, plat::Window* pWindow,
                    plat::Window* pWindow2, plat::gfx::Surface* pFront, plat::gfx::Surface* pBack);
    void FindZBufferFormats(const EnD3DDeviceRecord& kRecord);
    bool CreateDeviceWithZBuffer(const EnD3DDeviceRecord& kRecord, uint32_t uiFlags);
    bool CreateDevice(const EnD3DDeviceRecord& kRecord);
    void SetDefaultView();
    void ReleaseCachedBuffer(CachedGeometry* pRecord);
    void DestroyGeometryCache();
    void PrepareDraw(bool bHasNormals, uint32_t uiTextureSets);
    void DrawParticleBatch(EnParticlesData* pData, uint32_t uiFirst, uint32_t uiCount,
                           const EnVector3& kA, const EnVector3& kB);

    static char ms_acLastError[256];

    plat::gfx::Ref<plat::gfx::Graphics3D> m_spD3D;
    plat::gfx::Ref<plat::gfx::Device> m_spDevice;
    plat::gfx::DeviceDesc m_kDeviceDesc;
    EnTArray<EnD3DFrameBuffer*> m_kFrameBuffers{1, 1};
    EnD3DFrameBuffer* m_pCurrentFrameBuffer = nullptr;
    plat::gfx::PixelFormat m_akZCandidates[ZCAND_COUNT];
    plat::gfx::PixelFormat m_kZFormat;
    EnD3DRenderStateManager* m_pRenderStateManager = nullptr;  // counted
    std::unique_ptr<EnD3DTexturePipeline> m_spTexturePipeline;
    std::unique_ptr<EnD3DLightManager> m_spLightManager;
    EnD3DTextureManager* m_pTextureManager = nullptr;  // shared, use-counted
    std::unique_ptr<EnD3DVertexBufferPool> m_spVertexBufferPool;
    // Keyed by the data object itself: its destructor removes the entry before the address
    // can be reused, and no counter can wrap into another object's key.
    EnTMap<EnGeometryData*, CachedGeometry*> m_kGeometryCache{37};

    EnVector3 m_kWorldRight{1.0f, 0.0f, 0.0f};
    EnVector3 m_kWorldUp{0.0f, 1.0f, 0.0f};
    EnVector3 m_kModelRight{1.0f, 0.0f, 0.0f};
    EnVector3 m_kModelUp{0.0f, 1.0f, 0.0f};
    EnBoundSphere m_kCurrentBound;
    EnBoundSphere m_kEmptyBound;
    float m_fNear = 0.1f;
    float m_fDepthRange = 100.0f;
    plat::gfx::Matrix m_kScreenView;
    plat::gfx::Matrix m_kScreenProjection;
    plat::gfx::Matrix m_kScreenWorld;
    plat::gfx::Viewport m_kViewport{0, 0, 1, 1, 0.0f, 1.0f};
    uint32_t m_uiBackground = 0;
    uint32_t m_uiStencilClear = 0;
    bool m_bTransformAndLight = false;
    uint32_t m_uiCapabilities = 0;
    bool m_bInScene = false;
};
