#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnTMap.h"
#include "engine/d3d/EnD3DPixelFormat.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Ref.h"

class EnImage;

// The owner of the device textures that engine images are drawn with. One manager serves every
// renderer on the same graphics object (and of the same hardware kind): renderers find it in
// a global map and count their use of it. It knows which of the seven texture formats the
// device offers. This manager keeps no textures yet: every texture request is answered with
// "none", so geometry draws untextured through the base pass.
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
    // Memory choice of the texture operations: both memories.
    static constexpr int32_t ALL_MEMORIES = -1;

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

    virtual void BeginFrame();
    virtual uint32_t GetImageFormatIndex(EnImage* pImage);
    virtual bool PrepareImageSurface(EnImage* pImage);
    virtual bool PrecacheImage(EnImage* pImage, bool bAllowEviction, bool bPin, int32_t iMemory);
    virtual bool ReleaseTextures(EnImage* pImage, bool bIncludePinned, int32_t iMemory);
    virtual void InvalidateAllTextures();

    bool IsFormatAvailable(uint32_t uiFormat) const {
        return uiFormat < FORMAT_COUNT && m_abAvailable[uiFormat];
    }
    const EnD3DPixelFormat* GetFormat(uint32_t uiFormat) const {
        return uiFormat < FORMAT_COUNT ? m_aspFormat[uiFormat].get() : nullptr;
    }
    bool RequiresSquareTextures() const { return (m_uiFlags & FLAG_SQUARE_ONLY) != 0; }
    uint32_t GetFlags() const { return m_uiFlags; }

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

    std::unique_ptr<EnD3DPixelFormat> m_aspFormat[FORMAT_COUNT];
    uint32_t m_auiDepthClass[FORMAT_COUNT] = {};
    bool m_abAvailable[FORMAT_COUNT] = {};
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
