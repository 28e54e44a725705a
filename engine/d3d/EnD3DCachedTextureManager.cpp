#include "engine/d3d/EnD3DCachedTextureManager.h"

#include <algorithm>

#include "engine/d3d/EnD3DRender.h"
#include "engine/d3d/EnDDBufferImage.h"
#include "engine/d3d/EnDDImage.h"
#include "platform/gfx/Palette.h"

using namespace plat::gfx;

namespace {

// Owner ids are unique in the program: every manager takes the next two.
uint32_t NextOwnerIds() {
    static uint32_t s_uiNext = 1;
    const uint32_t uiFirst = s_uiNext;
    s_uiNext += 2;
    return uiFirst;
}

bool IsPowerOfTwo(uint32_t v) {
    return v && !(v & (v - 1));
}

uint32_t Log2(uint32_t v) {
    uint32_t n = 0;
    while (v >>= 1) n++;
    return n;
}

}  // namespace

EnD3DCachedTextureManager::EnD3DCachedTextureManager(Graphics* pGraphics, Device* pDevice)
    : EnD3DTextureManager(pGraphics, pDevice) {
    const uint32_t uiFirst = NextOwnerIds();
    m_auiOwner[0] = uiFirst;
    m_auiOwner[1] = uiFirst + 1;
}

EnD3DCachedTextureManager::~EnD3DCachedTextureManager() {
    EnDDImage::ClearOwnerEverywhere(m_auiOwner[0]);
    EnDDImage::ClearOwnerEverywhere(m_auiOwner[1]);
    ReleaseMemory(0, true);
    ReleaseMemory(1, true);
    m_pFree = nullptr;
    m_kBlocks.clear();
}

void EnD3DCachedTextureManager::AllocateMemories(bool bTwoMemories) {
    m_akMemory[0] = Memory();
    m_akMemory[1] = Memory();
    m_bTwoMemories = bTwoMemories;
}

uint32_t EnD3DCachedTextureManager::MakeKey(uint32_t uiWidthLog, uint32_t uiHeightLog, bool bMipmap,
                                            uint32_t uiFormat, uint32_t uiDepthClass) {
    const int32_t iAspect = int32_t(uiWidthLog) - int32_t(uiHeightLog);
    const uint32_t uiAspect = iAspect <= -4 ? 0 : iAspect >= 3 ? 7 : uint32_t(iAspect + 4);
    const int32_t iSize = int32_t(uiDepthClass + uiWidthLog + uiHeightLog) - 8;
    const uint32_t uiSize = iSize < 0 ? 0 : iSize >= 15 ? 15 : uint32_t(iSize);
    return (uiHeightLog & 0xf) | (uiWidthLog & 0xf) << 4 | (bMipmap ? 1u : 0u) << 8 |
           ((uiFormat + 1) & 7) << 9 | uiAspect << 12 | uiSize << 15;
}

EnDDImage* EnD3DCachedTextureManager::AsSurfaceImage(EnImage* pImage) {
    return pImage && pImage->IsKindOf(&EnDDImage::ms_RTTI) ? static_cast<EnDDImage*>(pImage)
                                                           : nullptr;
}

uint32_t EnD3DCachedTextureManager::GetImageFormatIndex(EnImage* pImage) {
    EnDDImage* pDD = AsSurfaceImage(pImage);
    if (!pDD) return FORMAT_NONE;
    const EnD3DPixelFormat* apFormats[FORMAT_COUNT];
    GetFormatTable(apFormats);
    Surface* pSurface = nullptr;
    uint32_t uiFormat = FORMAT_NONE;
    if (!pDD->GetSurfaceForFormats(m_spGraphics.Get(), apFormats,
                                   (m_uiFlags & FLAG_TRUE_COLOR) != 0, pSurface, uiFormat))
        return FORMAT_NONE;
    return uiFormat;
}

bool EnD3DCachedTextureManager::PrepareImageSurface(EnImage* pImage) {
    return GetImageFormatIndex(pImage) != FORMAT_NONE;
}

bool EnD3DCachedTextureManager::DescribeTexture(EnDDImage* pImage, TextureDesc& kDesc) {
    const EnD3DPixelFormat* apFormats[FORMAT_COUNT];
    GetFormatTable(apFormats);
    kDesc = TextureDesc();
    if (!pImage->GetSurfaceForFormats(m_spGraphics.Get(), apFormats,
                                      (m_uiFlags & FLAG_TRUE_COLOR) != 0, kDesc.m_pSource,
                                      kDesc.m_uiFormat) ||
        !kDesc.m_pSource)
        return false;

    SurfaceDesc kSource;
    if (Failed(kDesc.m_pSource->GetSurfaceDesc(kSource))) {
        EnD3DRender::LogError("(TexDebug): Texture surface get description failed");
        return false;
    }
    const bool bMipmap = (kSource.caps.caps & SurfaceCapBits::MipMap) != 0;
    const uint32_t uiLevels = bMipmap ? std::max(1u, kSource.mipMapCount) : 1;
    // Levels are skipped as the setting asks and until the texture fits the device (a maximum
    // of 0 is no limit); only levels the image has can be skipped.
    const uint32_t uiMaxW = m_uiMaxWidth ? m_uiMaxWidth : UINT32_MAX;
    const uint32_t uiMaxH = m_uiMaxHeight ? m_uiMaxHeight : UINT32_MAX;
    uint32_t uiSkip = std::min(m_uiSkipMipLevels, 31u);
    while (uiSkip < 31 && (kSource.width >> uiSkip) > uiMaxW) uiSkip++;
    while (uiSkip < 31 && (kSource.height >> uiSkip) > uiMaxH) uiSkip++;
    uiSkip = std::min(uiSkip, uiLevels - 1);
    kDesc.m_uiWidth = kSource.width >> uiSkip;
    kDesc.m_uiHeight = kSource.height >> uiSkip;
    kDesc.m_uiMipLevels = uiLevels - uiSkip;
    kDesc.m_bMipmap = bMipmap;
    kDesc.m_uiBitsPerPixel = kSource.pixelFormat.rgbBitCount;
    if (kDesc.m_uiWidth > uiMaxW || kDesc.m_uiHeight > uiMaxH || !IsPowerOfTwo(kDesc.m_uiWidth) ||
        !IsPowerOfTwo(kDesc.m_uiHeight))
        return false;

    const uint32_t uiW = Log2(kDesc.m_uiWidth), uiH = Log2(kDesc.m_uiHeight);
    if ((m_uiFlags & FLAG_SQUARE_ONLY) && uiW != uiH) {
        EnD3DRender::LogError("(TexDebug): Non-square texture cannot be loaded to this hardware");
        return false;
    }
    kDesc.m_uiKey = MakeKey(uiW, uiH, bMipmap, kDesc.m_uiFormat, m_auiDepthClass[kDesc.m_uiFormat]);
    return true;
}

uint32_t EnD3DCachedTextureManager::ChooseMemory(EnDDImage* pImage, int32_t iMemory) const {
    if (!m_bTwoMemories) return 0;
    if (iMemory == 0 || iMemory == 1) return uint32_t(iMemory);
    if (pImage) {
        for (uint32_t m = 0; m < 2; m++) {
            EnD3DTextureRecord* pRecord = pImage->GetTextureRecord(m_auiOwner[m]);
            if (pRecord && pRecord != m_pUnusable) return m;
        }
    }
    return m_akMemory[0].m_uiBytes >= m_akMemory[1].m_uiBytes ? 1 : 0;
}

EnD3DTextureRecord* EnD3DCachedTextureManager::LookUp(EnDDImage* pImage, uint32_t uiMemory) {
    EnD3DTextureRecord* pRecord = pImage->GetTextureRecord(m_auiOwner[uiMemory]);
    if (pRecord == m_pUnusable &&
        pImage->GetTextureStamp(m_auiOwner[uiMemory]) != pImage->GetFormatStamp()) {
        pImage->ClearTextureRecord(m_auiOwner[uiMemory]);
        return nullptr;
    }
    return pRecord;
}

const EnD3DTextureRecord* EnD3DCachedTextureManager::FindRecord(EnImage* pImage,
                                                                uint32_t uiMemory) const {
    EnDDImage* pDD = AsSurfaceImage(pImage);
    return pDD ? pDD->GetTextureRecord(m_auiOwner[uiMemory & 1]) : nullptr;
}

uint32_t EnD3DCachedTextureManager::GetPinnedCount(uint32_t uiMemory) const {
    uint32_t n = 0;
    for (const EnD3DTextureRecord* p = m_akMemory[uiMemory & 1].m_pPinned; p; p = p->m_pNext) n++;
    return n;
}

void EnD3DCachedTextureManager::MarkUnusable(EnDDImage* pImage, uint32_t uiMemory) {
    pImage->SetTextureRecord(m_auiOwner[uiMemory], m_pUnusable, pImage->GetFormatStamp());
}

bool EnD3DCachedTextureManager::IsValidTextureImage(EnDDImage* pImage) {
    // The conversion also brings the size up to date when the pixels changed.
    const EnD3DPixelFormat* apFormats[FORMAT_COUNT];
    GetFormatTable(apFormats);
    Surface* pSurface = nullptr;
    uint32_t uiFormat = FORMAT_NONE;
    if (!pImage->GetSurfaceForFormats(m_spGraphics.Get(), apFormats,
                                      (m_uiFlags & FLAG_TRUE_COLOR) != 0, pSurface, uiFormat)) {
        const uint32_t uiError = EnImage::ms_uiLastError;
        EnD3DRender::LogError(
            uiError == 5 || uiError == 7
                ? "(TexDebug): Create Texture failed: image file not found or of invalid format"
                : "(TexDebug): Create Texture failed: image get failed (possible DirectDraw "
                  "error)");
        return false;
    }
    return IsPowerOfTwo(pImage->GetWidth()) && IsPowerOfTwo(pImage->GetHeight());
}

EnD3DTextureRecord* EnD3DCachedTextureManager::TakeRecord() {
    if (!m_pFree) {
        auto spBlock = std::make_unique<EnD3DTextureRecord[]>(BLOCK_RECORDS);
        for (uint32_t i = 0; i < BLOCK_RECORDS; i++) {
            spBlock[i].m_pNext = m_pFree;
            m_pFree = &spBlock[i];
        }
        m_kBlocks.push_back(std::move(spBlock));
    }
    EnD3DTextureRecord* pRecord = m_pFree;
    m_pFree = pRecord->m_pNext;
    *pRecord = EnD3DTextureRecord();
    return pRecord;
}

void EnD3DCachedTextureManager::LinkTail(EnD3DTextureRecord* pRecord) {
    Memory& kMemory = m_akMemory[pRecord->m_uiMemory];
    const uint32_t uiBucket = EnD3DTextureRecord::BucketOf(pRecord->m_uiKey);
    pRecord->m_pNext = nullptr;
    pRecord->m_pPrev = kMemory.m_apTail[uiBucket];
    if (kMemory.m_apTail[uiBucket])
        kMemory.m_apTail[uiBucket]->m_pNext = pRecord;
    else
        kMemory.m_apHead[uiBucket] = pRecord;
    kMemory.m_apTail[uiBucket] = pRecord;
}

void EnD3DCachedTextureManager::Unlink(EnD3DTextureRecord* pRecord) {
    Memory& kMemory = m_akMemory[pRecord->m_uiMemory];
    if (pRecord->m_uiFlags & EnD3DTextureRecord::FLAG_PINNED) {
        if (pRecord->m_pPrev)
            pRecord->m_pPrev->m_pNext = pRecord->m_pNext;
        else
            kMemory.m_pPinned = pRecord->m_pNext;
        if (pRecord->m_pNext) pRecord->m_pNext->m_pPrev = pRecord->m_pPrev;
    } else {
        const uint32_t uiBucket = EnD3DTextureRecord::BucketOf(pRecord->m_uiKey);
        if (pRecord->m_pPrev)
            pRecord->m_pPrev->m_pNext = pRecord->m_pNext;
        else
            kMemory.m_apHead[uiBucket] = pRecord->m_pNext;
        if (pRecord->m_pNext)
            pRecord->m_pNext->m_pPrev = pRecord->m_pPrev;
        else
            kMemory.m_apTail[uiBucket] = pRecord->m_pPrev;
    }
    pRecord->m_pNext = pRecord->m_pPrev = nullptr;
}

void EnD3DCachedTextureManager::Pin(EnD3DTextureRecord* pRecord) {
    if (pRecord->m_uiFlags & EnD3DTextureRecord::FLAG_PINNED) return;
    Unlink(pRecord);
    if (m_uiResident) m_uiResident--;
    pRecord->m_uiFlags |= EnD3DTextureRecord::FLAG_PINNED;
    Memory& kMemory = m_akMemory[pRecord->m_uiMemory];
    pRecord->m_pPrev = nullptr;
    pRecord->m_pNext = kMemory.m_pPinned;
    if (kMemory.m_pPinned) kMemory.m_pPinned->m_pPrev = pRecord;
    kMemory.m_pPinned = pRecord;
}

void EnD3DCachedTextureManager::ReleaseRecord(EnD3DTextureRecord* pRecord) {
    if (!pRecord || pRecord == m_pUnusable) return;
    Memory& kMemory = m_akMemory[pRecord->m_uiMemory];
    // The image's entry goes only when it names this record.
    if (pRecord->m_pImage &&
        pRecord->m_pImage->GetTextureRecord(m_auiOwner[pRecord->m_uiMemory]) == pRecord)
        pRecord->m_pImage->ClearTextureRecord(m_auiOwner[pRecord->m_uiMemory]);
    kMemory.m_uiBytes -= std::min(kMemory.m_uiBytes, pRecord->m_uiBytes);
    const uint32_t uiClass = EnD3DTextureRecord::SizeClassOf(pRecord->m_uiKey);
    if (kMemory.m_auiSizeClass[uiClass]) kMemory.m_auiSizeClass[uiClass]--;
    if (!(pRecord->m_uiFlags & EnD3DTextureRecord::FLAG_PINNED) && m_uiResident) m_uiResident--;
    Unlink(pRecord);
    pRecord->m_spSurface.Reset();
    pRecord->m_pImage = nullptr;
    pRecord->m_uiFlags = 0;
    pRecord->m_pNext = m_pFree;
    m_pFree = pRecord;
    m_uiReleasedThisFrame++;
}

void EnD3DCachedTextureManager::ReleaseMemory(uint32_t uiMemory, bool bIncludePinned) {
    Memory& kMemory = m_akMemory[uiMemory];
    for (uint32_t b = 0; b < BUCKETS; b++)
        while (kMemory.m_apHead[b]) ReleaseRecord(kMemory.m_apHead[b]);
    if (bIncludePinned)
        while (kMemory.m_pPinned) ReleaseRecord(kMemory.m_pPinned);
}

bool EnD3DCachedTextureManager::LoadInto(Surface* pTexture, const TextureDesc& kDesc) {
    return Succeeded(m_spDevice->Load(pTexture, nullptr, kDesc.m_pSource, nullptr, 0));
}

EnD3DTextureRecord* EnD3DCachedTextureManager::CreateTexture(EnDDImage* pImage, uint32_t uiMemory,
                                                             const TextureDesc& kDesc,
                                                             Result& eResult) {
    SurfaceDesc kNew;
    kNew.flags = SurfaceDescBits::Caps | SurfaceDescBits::Height | SurfaceDescBits::Width |
                 SurfaceDescBits::PixelFormat;
    kNew.width = kDesc.m_uiWidth;
    kNew.height = kDesc.m_uiHeight;
    kNew.caps.caps = SurfaceCapBits::Texture;
    if (kDesc.m_bMipmap) {
        kNew.flags |= SurfaceDescBits::MipMapCount;
        kNew.mipMapCount = kDesc.m_uiMipLevels;
        kNew.caps.caps |= SurfaceCapBits::MipMap | SurfaceCapBits::Complex;
    }
    kNew.caps.caps |= (m_uiFlags & FLAG_VIDEO_MEMORY) ? SurfaceCapBits::VideoMemory
                                                      : SurfaceCapBits::SystemMemory;
    if (m_bTwoMemories) {
        kNew.flags |= SurfaceDescBits::TextureStage;
        kNew.textureStage = uiMemory;
    }
    // The texture takes the source's own layout, so that the device copies it unchanged.
    SurfaceDesc kSource;
    if (Failed(eResult = kDesc.m_pSource->GetSurfaceDesc(kSource))) return nullptr;
    kNew.pixelFormat = kSource.pixelFormat;

    Ref<Surface> spTexture;
    eResult = m_spGraphics->CreateSurface(kNew, spTexture.Put());
    if (Failed(eResult) || !spTexture) {
        if (Succeeded(eResult)) eResult = Result::Generic;
        return nullptr;
    }
    const bool bPalette = (kSource.pixelFormat.flags & PixelFormatBits::PaletteIndexed8) != 0;
    if (bPalette) {
        Ref<Palette> spPalette;
        if (Succeeded(kDesc.m_pSource->GetPalette(spPalette.Put())) && spPalette &&
            Failed(eResult = spTexture->SetPalette(spPalette.Get())))
            return nullptr;
    }
    // Black texels are the transparent ones wherever colour-key transparency is on.
    const ColorKey kBlack{0, 0};
    if (Failed(eResult = spTexture->SetColorKey(ColorKeyBits::SrcBlt, &kBlack))) return nullptr;
    if (!LoadInto(spTexture.Get(), kDesc)) {
        eResult = Result::Generic;
        return nullptr;
    }

    EnD3DTextureRecord* pRecord = TakeRecord();
    pRecord->m_spSurface = std::move(spTexture);
    pRecord->m_uiMemory = uiMemory;
    pRecord->m_uiKey = kDesc.m_uiKey;
    pRecord->m_pImage = pImage;
    pRecord->m_uiFormatStamp = pImage->GetFormatStamp();
    pRecord->m_uiPixelStamp = pImage->GetPixelStamp();
    pRecord->m_uiLastUse = 0;
    if (kDesc.m_bMipmap) pRecord->m_uiFlags |= EnD3DTextureRecord::FLAG_MIPMAP;
    if (kSource.pixelFormat.flags & PixelFormatBits::AlphaPixels)
        pRecord->m_uiFlags |= EnD3DTextureRecord::FLAG_ALPHA;
    pRecord->m_uiBytes = kDesc.m_uiBitsPerPixel / 8 * kDesc.m_uiWidth * kDesc.m_uiHeight;
    pImage->SetTextureRecord(m_auiOwner[uiMemory], pRecord);
    LinkTail(pRecord);
    Memory& kMemory = m_akMemory[uiMemory];
    kMemory.m_auiSizeClass[EnD3DTextureRecord::SizeClassOf(kDesc.m_uiKey)]++;
    kMemory.m_uiBytes += pRecord->m_uiBytes;
    m_uiResident++;
    eResult = Result::Ok;
    return pRecord;
}

bool EnD3DCachedTextureManager::Recycle(EnD3DTextureRecord* pRecord, EnDDImage* pImage,
                                        const TextureDesc& kDesc) {
    if (!LoadInto(pRecord->m_spSurface.Get(), kDesc)) return false;
    if (kDesc.m_pSource) {
        Ref<Palette> spPalette;
        if (Succeeded(kDesc.m_pSource->GetPalette(spPalette.Put())) && spPalette &&
            Failed(pRecord->m_spSurface->SetPalette(spPalette.Get())))
            return false;
    }
    // The image that had the texture forgets it, so it can never draw with another's pixels.
    const uint32_t uiOwner = m_auiOwner[pRecord->m_uiMemory];
    if (pRecord->m_pImage && pRecord->m_pImage->GetTextureRecord(uiOwner) == pRecord)
        pRecord->m_pImage->ClearTextureRecord(uiOwner);
    pRecord->m_pImage = pImage;
    pRecord->m_uiFormatStamp = pImage->GetFormatStamp();
    pRecord->m_uiPixelStamp = pImage->GetPixelStamp();
    pRecord->m_uiLastUse = 0;
    pImage->SetTextureRecord(uiOwner, pRecord);
    Unlink(pRecord);
    LinkTail(pRecord);
    return true;
}

EnD3DTextureRecord* EnD3DCachedTextureManager::FindVictim(uint32_t uiMemory, uint32_t uiSizeClass,
                                                          bool bAcceptCurrent) {
    const Memory& kMemory = m_akMemory[uiMemory];
    auto oldestHead = [&](uint32_t uiFirst, uint32_t uiLast) {
        EnD3DTextureRecord* pBest = nullptr;
        for (uint32_t c = uiFirst; c <= uiLast; c++) {
            // A size class owns the 16 buckets whose top four bits are the class.
            for (uint32_t b = 0; b < 16; b++) {
                EnD3DTextureRecord* pHead = kMemory.m_apHead[c << 4 | b];
                if (!pHead) continue;
                if (!bAcceptCurrent && pHead->m_uiLastUse >= m_uiFrameNumber) continue;
                if (!pBest || pHead->m_uiLastUse < pBest->m_uiLastUse) pBest = pHead;
            }
        }
        return pBest;
    };
    if (EnD3DTextureRecord* pRecord = oldestHead(uiSizeClass, SIZE_CLASSES - 1)) return pRecord;
    for (uint32_t c = uiSizeClass; c-- > 0;)
        if (EnD3DTextureRecord* pRecord = oldestHead(c, c)) return pRecord;
    return nullptr;
}

EnD3DTextureRecord* EnD3DCachedTextureManager::MakeRoomAndCreate(EnDDImage* pImage,
                                                                 uint32_t uiMemory,
                                                                 const TextureDesc& kDesc) {
    Result eResult;
    if (EnD3DTextureRecord* pRecord = CreateTexture(pImage, uiMemory, kDesc, eResult))
        return pRecord;
    // Only a full texture memory is worth evicting for; any other failure would fail again.
    if (eResult != Result::OutOfVideoMemory || m_bEvictionForbidden) {
        m_uiFrameStatus |= STATUS_NO_TEXTURE;
        return nullptr;
    }

    // An idle texture of exactly the same shape is taken over whole.
    Memory& kMemory = m_akMemory[uiMemory];
    EnD3DTextureRecord* pSameIdle = nullptr;
    EnD3DTextureRecord* pSameInUse = nullptr;
    for (EnD3DTextureRecord* p = kMemory.m_apHead[EnD3DTextureRecord::BucketOf(kDesc.m_uiKey)]; p;
         p = p->m_pNext) {
        if (p->m_uiKey != kDesc.m_uiKey) continue;
        if (p->m_uiLastUse < m_uiFrameNumber) {
            pSameIdle = p;
            break;
        }
        if (!pSameInUse) pSameInUse = p;
    }
    if (pSameIdle) {
        if (Recycle(pSameIdle, pImage, kDesc)) {
            m_uiFrameStatus |= STATUS_RECYCLED;
            return pSameIdle;
        }
        ReleaseRecord(pSameIdle);
    }

    const uint32_t uiClass = EnD3DTextureRecord::SizeClassOf(kDesc.m_uiKey);
    for (bool bAcceptCurrent : {false, true}) {
        if (bAcceptCurrent) {
            if (pSameInUse && Recycle(pSameInUse, pImage, kDesc)) {
                m_uiFrameStatus |= STATUS_RECYCLED_IN_USE;
                return pSameInUse;
            }
            m_uiFrameStatus |= STATUS_EVICTED_IN_USE;
        }
        while (EnD3DTextureRecord* pVictim = FindVictim(uiMemory, uiClass, bAcceptCurrent)) {
            if (pVictim == pSameInUse) pSameInUse = nullptr;
            ReleaseRecord(pVictim);
            m_uiFrameStatus |= STATUS_EVICTED;
            if (EnD3DTextureRecord* pRecord = CreateTexture(pImage, uiMemory, kDesc, eResult))
                return pRecord;
            if (eResult != Result::OutOfVideoMemory) break;
        }
        if (eResult != Result::OutOfVideoMemory) break;
    }
    m_uiFrameStatus |= STATUS_NO_TEXTURE;
    return nullptr;
}

EnD3DTextureRecord* EnD3DCachedTextureManager::MakeTexture(EnDDImage* pImage, uint32_t uiMemory,
                                                           bool bPin) {
    TextureDesc kDesc;
    if (!DescribeTexture(pImage, kDesc)) return nullptr;
    EnD3DTextureRecord* pRecord = MakeRoomAndCreate(pImage, uiMemory, kDesc);
    if (!pRecord) return nullptr;
    m_uiCreatedThisFrame++;
    if (bPin) Pin(pRecord);
    return pRecord;
}

EnD3DTextureRecord* EnD3DCachedTextureManager::Reload(EnD3DTextureRecord* pRecord, bool& bChanged) {
    EnDDImage* pImage = pRecord->m_pImage;
    TextureDesc kDesc;
    if (!DescribeTexture(pImage, kDesc)) return nullptr;
    if (kDesc.m_uiKey == pRecord->m_uiKey) {
        if (!LoadInto(pRecord->m_spSurface.Get(), kDesc)) return nullptr;
        pRecord->m_uiPixelStamp = pImage->GetPixelStamp();
        m_uiCreatedThisFrame++;
        return pRecord;
    }
    // A texture of another shape: the old one goes before the new one is made.
    const bool bPinned = (pRecord->m_uiFlags & EnD3DTextureRecord::FLAG_PINNED) != 0;
    const uint32_t uiMemory = pRecord->m_uiMemory;
    ReleaseRecord(pRecord);
    bChanged = true;
    EnD3DTextureRecord* pNew = MakeRoomAndCreate(pImage, uiMemory, kDesc);
    if (!pNew) return nullptr;
    m_uiCreatedThisFrame++;
    if (bPinned) Pin(pNew);
    return pNew;
}

bool EnD3DCachedTextureManager::GetTexture(int32_t iMemory, EnImage* pImage,
                                           EnPointer<EnImage>& spCached, Surface*& pSurface,
                                           bool& bChanged, bool& bMipmapped) {
    bChanged = !pImage || pImage != spCached.Get();
    spCached = pImage;
    pSurface = nullptr;
    bMipmapped = false;
    if (!pImage) return false;
    if (pImage->GetTypeRecord() == &EnDDBufferImage::ms_RTTI) {
        static_cast<EnDDBufferImage*>(pImage)->GetSurface(pSurface);
        return pSurface != nullptr;
    }
    EnDDImage* pDD = AsSurfaceImage(pImage);
    if (!pDD) return false;
    const uint32_t uiMemory = ChooseMemory(pDD, iMemory);

    EnD3DTextureRecord* pRecord = LookUp(pDD, uiMemory);
    if (pRecord == m_pUnusable) return false;
    if (pRecord && pRecord->m_uiFormatStamp != pDD->GetFormatStamp()) {
        // The image changed size or format: its old texture goes before the new one is made.
        // A new format is judged like a new image: one no device can take is marked once.
        const bool bPinned = (pRecord->m_uiFlags & EnD3DTextureRecord::FLAG_PINNED) != 0;
        ReleaseRecord(pRecord);
        if (!IsValidTextureImage(pDD)) {
            MarkUnusable(pDD, uiMemory);
            return false;
        }
        pRecord = MakeTexture(pDD, uiMemory, bPinned);
        if (!pRecord) return false;
        bChanged = true;
    } else if (pRecord && pRecord->m_uiPixelStamp != pDD->GetPixelStamp()) {
        pRecord = Reload(pRecord, bChanged);
        if (!pRecord) return false;
    } else if (!pRecord) {
        if (!IsValidTextureImage(pDD)) {
            MarkUnusable(pDD, uiMemory);
            return false;
        }
        pRecord = MakeTexture(pDD, uiMemory, false);
        if (!pRecord) return false;
        bChanged = true;
    }

    if (!(pRecord->m_uiFlags & EnD3DTextureRecord::FLAG_PINNED)) {
        Unlink(pRecord);
        LinkTail(pRecord);
    }
    if (pRecord->m_uiLastUse < m_uiFrameNumber) {
        pRecord->m_uiLastUse = m_uiFrameNumber;
        m_uiUsedThisFrame++;
    }
    bMipmapped = (pRecord->m_uiFlags & EnD3DTextureRecord::FLAG_MIPMAP) != 0;
    pSurface = pRecord->m_spSurface.Get();
    return true;
}

bool EnD3DCachedTextureManager::PrecacheImage(EnImage* pImage, bool bAllowEviction, bool bPin,
                                              int32_t iMemory) {
    EnDDImage* pDD = AsSurfaceImage(pImage);
    if (!pDD) return false;
    const uint32_t uiMemory = ChooseMemory(pDD, m_bTwoMemories ? iMemory : int32_t(ALL_MEMORIES));
    EnD3DTextureRecord* pRecord = LookUp(pDD, uiMemory);
    if (pRecord == m_pUnusable) return false;

    const bool bForbidden = m_bEvictionForbidden;
    m_bEvictionForbidden = !bAllowEviction;
    bool bResult = true;
    if (!pRecord || pRecord->m_uiFormatStamp != pDD->GetFormatStamp()) {
        const bool bPinned = pRecord && (pRecord->m_uiFlags & EnD3DTextureRecord::FLAG_PINNED) != 0;
        ReleaseRecord(pRecord);
        pRecord = nullptr;
        if (!IsValidTextureImage(pDD)) {
            MarkUnusable(pDD, uiMemory);
            bResult = false;
        } else {
            pRecord = MakeTexture(pDD, uiMemory, bPinned);
            bResult = pRecord != nullptr;
        }
    }
    m_bEvictionForbidden = bForbidden;
    if (bResult && bPin) Pin(pRecord);
    return bResult;
}

bool EnD3DCachedTextureManager::ReleaseTextures(EnImage* pImage, bool bIncludePinned,
                                                int32_t iMemory) {
    if (!m_bTwoMemories) iMemory = 0;
    if (!pImage) {
        if (iMemory == 0 || iMemory == 1) {
            ReleaseMemory(uint32_t(iMemory), bIncludePinned);
        } else {
            ReleaseMemory(0, bIncludePinned);
            ReleaseMemory(1, bIncludePinned);
        }
        return true;
    }
    EnDDImage* pDD = AsSurfaceImage(pImage);
    if (!pDD) return true;
    // Whatever the image's record holds, it goes: no record may outlive its image's interest.
    for (uint32_t m = 0; m < 2; m++) {
        EnD3DTextureRecord* pRecord = pDD->GetTextureRecord(m_auiOwner[m]);
        if (!pRecord) continue;
        if (pRecord == m_pUnusable)
            pDD->ClearTextureRecord(m_auiOwner[m]);
        else
            ReleaseRecord(pRecord);
    }
    return true;
}

void EnD3DCachedTextureManager::InvalidateAllTextures() {
    // Pinned textures lost their pixels as much as the others.
    for (Memory& kMemory : m_akMemory) {
        for (EnD3DTextureRecord* pHead : kMemory.m_apHead)
            for (EnD3DTextureRecord* p = pHead; p; p = p->m_pNext) p->m_uiPixelStamp = UINT32_MAX;
        for (EnD3DTextureRecord* p = kMemory.m_pPinned; p; p = p->m_pNext)
            p->m_uiPixelStamp = UINT32_MAX;
    }
}

Ref<Surface> EnD3DCachedTextureManager::CreateBlankTexture(uint32_t uiFormat, int32_t iStage) {
    if (!IsFormatAvailable(uiFormat)) return {};
    const bool bPalette = uiFormat == FORMAT_PAL8;
    SurfaceDesc kDesc;
    kDesc.flags = SurfaceDescBits::Caps | SurfaceDescBits::Height | SurfaceDescBits::Width |
                  SurfaceDescBits::PixelFormat;
    kDesc.width = kDesc.height = 16;
    kDesc.pixelFormat = m_akSurfaceFormat[uiFormat];
    kDesc.caps.caps = SurfaceCapBits::Texture;
    if (!bPalette) kDesc.caps.caps |= SurfaceCapBits::MipMap | SurfaceCapBits::Complex;
    kDesc.caps.caps |= (m_uiFlags & FLAG_VIDEO_MEMORY) ? SurfaceCapBits::VideoMemory
                                                       : SurfaceCapBits::SystemMemory;
    if (iStage != -1) {
        kDesc.flags |= SurfaceDescBits::TextureStage;
        kDesc.textureStage = uint32_t(iStage);
    }
    Ref<Surface> spSurface;
    if (Failed(m_spGraphics->CreateSurface(kDesc, spSurface.Put())) || !spSurface) return {};
    if (bPalette) {
        Ref<Palette> spPalette;
        if (Failed(m_spGraphics->CreatePalette(PaletteBits::Bits8 | PaletteBits::Allow256, nullptr,
                                               spPalette.Put())) ||
            !spPalette || Failed(spSurface->SetPalette(spPalette.Get())))
            return {};
    }
    return spSurface;
}
