#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnPointer.h"
#include "engine/core/EnTList.h"
#include "engine/core/EnTMap.h"
#include "engine/d3d/EnD3DPixelFormat.h"
#include "engine/d3d/EnD3DTextureRecord.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Ref.h"

class EnImage;

// The owner of the device textures that engine images are drawn with. One manager serves every
// renderer on the same graphics object (and of the same hardware kind): renderers find it in
// a global map and count their use of it. This base knows which of the seven texture formats
// the device offers and keeps the statistics; the texture cache (EnD3DCachedTextureManager)
// makes, keeps and evicts the textures.
class EnD3DTextureManager {
public:
    // Texture format indices.
    enum : uint32_t {
        FORMAT_RGB555 = 0,
        FORMAT_RGB565 = 1,
        FORMAT_RGB888 = 2,
        FORMAT_ARGB1555 = 3,
        FORMAT_ARGB4444 = 4,
        FORMAT_ARGB8888 = 5,
        FORMAT_PAL8 = 6,
        FORMAT_COUNT = 7,
        FORMAT_NONE = 7,
    };
    // m_uiFlags.
    enum : uint32_t { FLAG_VIDEO_MEMORY = 1, FLAG_SQUARE_ONLY = 2, FLAG_TRUE_COLOR = 4 };
    // Memory choice of the texture operations: both memories, or whichever suits.
    static constexpr int32_t ALL_MEMORIES = -1;
    // Frame status flags (GetFrameStatus).
    enum : uint32_t {
        STATUS_FRAME_BEGUN = 1,
        STATUS_RECYCLED = 2,         // a texture of the same key was taken over
        STATUS_EVICTED = 4,          // textures were evicted to make room
        STATUS_RECYCLED_IN_USE = 8,  // a texture used in this very frame was taken over
        STATUS_EVICTED_IN_USE = 16,  // textures used in this frame had to go
        STATUS_NO_TEXTURE = 32,      // a texture could not be made at all
    };

    // The manager of the graphics object, made on first use; either way one more use is
    // counted and every texture it holds is released, so a renderer starts with none.
    static EnD3DTextureManager* FindOrCreate(bool bMultitexture, bool bTrueColor,
                                             plat::gfx::Graphics* pGraphics,
                                             plat::gfx::Device* pDevice,
                                             const plat::gfx::DeviceDesc& kDesc, bool bHardware);
    static EnD3DTextureManager* Create(bool bMultitexture, bool bTrueColor,
                                       plat::gfx::Graphics* pGraphics, plat::gfx::Device* pDevice,
                                       const plat::gfx::DeviceDesc& kDesc);
    virtual ~EnD3DTextureManager();
    EnD3DTextureManager(const EnD3DTextureManager&) = delete;
    EnD3DTextureManager& operator=(const EnD3DTextureManager&) = delete;

    // Ends one renderer's use: the last one destroys the manager (true), any other releases
    // every texture, pinned ones included.
    bool DropUse();
    uint32_t GetUseCount() const { return m_uiUseCount; }
    // Every live manager, in the order they were made.
    static EnTList<EnD3DTextureManager*>& LiveManagers();

    virtual void BeginFrame();
    // The texture format index the image gets on this device, 7 when it can have none.
    virtual uint32_t GetImageFormatIndex(EnImage* pImage) = 0;
    virtual bool PrepareImageSurface(EnImage* pImage) = 0;
    // Makes the image's texture now (and keeps it out of eviction when pinned).
    virtual bool PrecacheImage(EnImage* pImage, bool bAllowEviction, bool bPin,
                               int32_t iMemory) = 0;
    // A 16 x 16 texture of the format, for probing the device; the caller owns it. Null when
    // the format is missing or the texture cannot be made.
    virtual plat::gfx::Ref<plat::gfx::Surface> CreateBlankTexture(uint32_t uiFormat,
                                                                  int32_t iStage) = 0;
    // The image's textures (all textures for null), in one memory or both.
    virtual bool ReleaseTextures(EnImage* pImage, bool bIncludePinned, int32_t iMemory) = 0;
    // The texture to draw the image with. spCached is the image last set on the stage: it is
    // replaced by the image, and bChanged says whether the stage needs SetTexture again.
    // The surface stays the manager's. False when the image has no texture.
    virtual bool GetTexture(int32_t iMemory, EnImage* pImage, EnPointer<EnImage>& spCached,
                            plat::gfx::Surface*& pSurface, bool& bChanged, bool& bMipmapped) = 0;
    // Every texture is reloaded at its next use (after the device lost its surfaces).
    virtual void InvalidateAllTextures() = 0;

    bool IsFormatAvailable(uint32_t uiFormat) const {
        return uiFormat < FORMAT_COUNT && m_abAvailable[uiFormat];
    }
    const EnD3DPixelFormat* GetFormat(uint32_t uiFormat) const {
        return uiFormat < FORMAT_COUNT ? m_aspFormat[uiFormat].get() : nullptr;
    }
    uint32_t GetDepthClass(uint32_t uiFormat) const {
        return uiFormat < FORMAT_COUNT ? m_auiDepthClass[uiFormat] : 0;
    }
    bool RequiresSquareTextures() const { return (m_uiFlags & FLAG_SQUARE_ONLY) != 0; }
    uint32_t GetFlags() const { return m_uiFlags; }
    uint32_t GetMaxWidth() const { return m_uiMaxWidth; }
    uint32_t GetMaxHeight() const { return m_uiMaxHeight; }
    plat::gfx::Graphics* GetDirectDraw() const { return m_spGraphics.Get(); }
    plat::gfx::Device* GetDevice() const { return m_spDevice.Get(); }
    const EnD3DTextureRecord* GetUnusableMarker() const { return m_pUnusable; }

    // The setting word (mip levels to skip) and the statistics the renderer reports.
    uint32_t GetSetting() const { return m_uiSkipMipLevels; }
    void SetSetting(uint32_t uiValue) { m_uiSkipMipLevels = uiValue; }
    uint32_t GetTexturesResident() const { return m_uiResident; }
    uint32_t GetTexturesUsed() const { return m_uiUsedThisFrame; }
    uint32_t GetTexturesCreated() const { return m_uiCreatedThisFrame; }
    uint32_t GetTexturesReleased() const { return m_uiReleasedThisFrame; }
    uint32_t GetFrameStatus() const { return m_uiFrameStatus; }
    uint32_t GetFrameNumber() const { return m_uiFrameNumber; }

protected:
    EnD3DTextureManager(plat::gfx::Graphics* pGraphics, plat::gfx::Device* pDevice);
    // Finds the device's format for each of the seven indices; false when the query fails
    // (with the error message) or the device offers none of them.
    bool QueryFormats();
    // The formats as the image conversion takes them (null where missing).
    void GetFormatTable(const EnD3DPixelFormat* apFormats[FORMAT_COUNT]) const;

    std::unique_ptr<EnD3DPixelFormat> m_aspFormat[FORMAT_COUNT];
    plat::gfx::PixelFormat m_akSurfaceFormat[FORMAT_COUNT];  // as the device enumerated them
    uint32_t m_auiDepthClass[FORMAT_COUNT] = {};
    bool m_abAvailable[FORMAT_COUNT] = {};
    // Images that cannot be made into textures are mapped to this record.
    EnD3DTextureRecord m_kUnusable;
    EnD3DTextureRecord* m_pUnusable = &m_kUnusable;
    uint32_t m_uiMaxWidth = 16384;
    uint32_t m_uiMaxHeight = 16384;
    uint32_t m_uiSkipMipLevels = 0;
    uint32_t m_uiResident = 0;
    uint32_t m_uiUsedThisFrame = 0;
    uint32_t m_uiFrameCounter = 0;
    uint32_t m_uiCreatedThisFrame = 0;
    uint32_t m_uiReleasedThisFrame = 0;
    uint32_t m_uiFrameStatus = 0;
    uint32_t m_uiFrameNumber = 0;
    uint32_t m_uiFlags = 0;
    plat::gfx::Ref<plat::gfx::Graphics> m_spGraphics;
    plat::gfx::Ref<plat::gfx::Device> m_spDevice;
    uint32_t m_uiUseCount = 0;

private:
    using ManagerMap = EnTMap<plat::gfx::Graphics*, EnD3DTextureManager*>;
    static ManagerMap& HardwareManagers();
    static ManagerMap& SoftwareManagers();
};
