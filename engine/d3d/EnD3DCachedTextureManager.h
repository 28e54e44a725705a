#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/d3d/EnD3DTextureManager.h"
#include "engine/d3d/EnD3DTextureRecord.h"

class EnDDImage;

// The texture cache: one device texture per engine image and texture memory, made on first use
// from the image's system-memory surface, reloaded when the image's pixels change, and, when
// the device runs out of texture memory, room made by taking over an idle texture of the same
// shape or by evicting the least recently used textures of the same or a larger size class.
// Records are found through the images themselves (under the manager's owner id), kept in 256
// buckets by key with the least recently used at the head, and allocated in blocks of 32.
class EnD3DCachedTextureManager : public EnD3DTextureManager {
public:
    static constexpr uint32_t BUCKETS = 256;
    static constexpr uint32_t SIZE_CLASSES = 16;
    static constexpr uint32_t BLOCK_RECORDS = 32;

    // What a texture for an image would be: the source surface, the level size after any
    // skipped levels, and the key that places it in the cache.
    struct TextureDesc {
        plat::gfx::Surface* m_pSource = nullptr;  // the image's, not counted
        uint32_t m_uiFormat = FORMAT_NONE;
        uint32_t m_uiWidth = 0;
        uint32_t m_uiHeight = 0;
        uint32_t m_uiMipLevels = 1;
        bool m_bMipmap = false;
        uint32_t m_uiBitsPerPixel = 0;
        uint32_t m_uiKey = 0;
    };

    EnD3DCachedTextureManager(plat::gfx::Graphics* pGraphics, plat::gfx::Device* pDevice);
    ~EnD3DCachedTextureManager() override;

    // The cache tables of the first texture memory, and of the second when the device keeps
    // textures for its two stages apart.
    void AllocateMemories(bool bTwoMemories);

    uint32_t GetImageFormatIndex(EnImage* pImage) override;
    bool PrepareImageSurface(EnImage* pImage) override;
    bool PrecacheImage(EnImage* pImage, bool bAllowEviction, bool bPin, int32_t iMemory) override;
    plat::gfx::Ref<plat::gfx::Surface> CreateBlankTexture(uint32_t uiFormat,
                                                          int32_t iStage) override;
    bool ReleaseTextures(EnImage* pImage, bool bIncludePinned, int32_t iMemory) override;
    bool GetTexture(int32_t iMemory, EnImage* pImage, EnPointer<EnImage>& spCached,
                    plat::gfx::Surface*& pSurface, bool& bChanged, bool& bMipmapped) override;
    void InvalidateAllTextures() override;

    // The cache key: heights and widths as base-2 logarithms, whether there are mip levels,
    // the format and its depth class.
    static uint32_t MakeKey(uint32_t uiWidthLog, uint32_t uiHeightLog, bool bMipmap,
                            uint32_t uiFormat, uint32_t uiDepthClass);
    // The description of the image's texture, open for tests (false when it can have none).
    bool DescribeTexture(EnDDImage* pImage, TextureDesc& kDesc);

    bool UsesTwoMemories() const { return m_bTwoMemories; }
    uint32_t GetOwnerId(uint32_t uiMemory) const { return m_auiOwner[uiMemory & 1]; }
    uint32_t GetBytesInUse(uint32_t uiMemory) const { return m_akMemory[uiMemory & 1].m_uiBytes; }
    uint32_t GetSizeClassCount(uint32_t uiMemory, uint32_t uiClass) const {
        return m_akMemory[uiMemory & 1].m_auiSizeClass[uiClass & 15];
    }
    uint32_t GetPinnedCount(uint32_t uiMemory) const;
    // The image's record in a memory (the unusable marker included), or null.
    const EnD3DTextureRecord* FindRecord(EnImage* pImage, uint32_t uiMemory) const;
    const EnD3DTextureRecord* GetBucketHead(uint32_t uiMemory, uint32_t uiBucket) const {
        return m_akMemory[uiMemory & 1].m_apHead[uiBucket & 0xff];
    }

private:
    struct Memory {
        EnD3DTextureRecord* m_apHead[BUCKETS] = {};
        EnD3DTextureRecord* m_apTail[BUCKETS] = {};
        EnD3DTextureRecord* m_pPinned = nullptr;
        uint32_t m_auiSizeClass[SIZE_CLASSES] = {};
        uint32_t m_uiBytes = 0;
    };

    static EnDDImage* AsSurfaceImage(EnImage* pImage);
    uint32_t ChooseMemory(EnDDImage* pImage, int32_t iMemory) const;
    // The image's record in the memory; an unusable mark whose format stamp no longer matches
    // is forgotten, so that the image is tried again.
    EnD3DTextureRecord* LookUp(EnDDImage* pImage, uint32_t uiMemory);
    bool IsValidTextureImage(EnDDImage* pImage);
    void MarkUnusable(EnDDImage* pImage, uint32_t uiMemory);

    // A new texture for the image, making room when the device is out of texture memory.
    EnD3DTextureRecord* MakeTexture(EnDDImage* pImage, uint32_t uiMemory, bool bPin);
    EnD3DTextureRecord* MakeRoomAndCreate(EnDDImage* pImage, uint32_t uiMemory,
                                          const TextureDesc& kDesc);
    // One surface and record; eResult says why there is none.
    EnD3DTextureRecord* CreateTexture(EnDDImage* pImage, uint32_t uiMemory,
                                      const TextureDesc& kDesc, plat::gfx::Result& eResult);
    bool Recycle(EnD3DTextureRecord* pRecord, EnDDImage* pImage, const TextureDesc& kDesc);
    bool LoadInto(plat::gfx::Surface* pTexture, const TextureDesc& kDesc);
    EnD3DTextureRecord* FindVictim(uint32_t uiMemory, uint32_t uiSizeClass, bool bAcceptCurrent);
    EnD3DTextureRecord* Reload(EnD3DTextureRecord* pRecord, bool& bChanged);

    EnD3DTextureRecord* TakeRecord();
    void ReleaseRecord(EnD3DTextureRecord* pRecord);
    void ReleaseMemory(uint32_t uiMemory, bool bIncludePinned);
    void LinkTail(EnD3DTextureRecord* pRecord);
    void Unlink(EnD3DTextureRecord* pRecord);
    void Pin(EnD3DTextureRecord* pRecord);

    Memory m_akMemory[2];
    bool m_bEvictionForbidden = false;
    bool m_bTwoMemories = false;
    EnD3DTextureRecord* m_pFree = nullptr;
    std::vector<std::unique_ptr<EnD3DTextureRecord[]>> m_kBlocks;
    uint32_t m_auiOwner[2] = {};
};
