#include "engine/d3d/EnDDImage.h"

#include <algorithm>

#include "engine/d3d/EnD3DImageHooks.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/d3d/EnDDBufferImage.h"
#include "engine/geometry/EnRawImageData.h"
#include "platform/gfx/Palette.h"

using namespace plat::gfx;

EN_IMPLEMENT_RTTI(EnDDImage, EnImage);

// Scene files name every image "EnImage", and the image factory makes this kind from them; a
// record under this class's own name is read the same way.
void EnDDImage::CreateFromStream(EnStream& kStream, EnObject*& pObject) {
    EnImage::CreateFromStream(kStream, pObject);
}
EN_IMPLEMENT_STREAM_LOADER(EnDDImage);

namespace {

EnImage* MakeBufferImage(Surface* pSurface, Graphics* pGraphics) {
    if (!pSurface) return nullptr;
    return new EnDDBufferImage(pSurface, pGraphics);
}

// The renderer's frame buffers and graphics objects reach the image classes through these.
[[maybe_unused]] const bool s_bHooksInstalled = [] {
    EnD3DImageHooks::ms_pfnMakeBufferImage = &MakeBufferImage;
    EnD3DImageHooks::ms_pfnReleaseImageSurfaces = &EnDDImage::ReleaseSurfacesEverywhere;
    EnD3DImageHooks::ms_pfnCreateImage = &EnDDImage::Create;
    EnD3DImageHooks::ms_pSurfaceImageType = &EnDDImage::ms_RTTI;
    return true;
}();

constexpr uint32_t FORMAT_NONE = 7;

Result LockWaiting(Surface* pSurface, SurfaceDesc& kDesc) {
    Result eResult;
    do {
        eResult = pSurface->Lock(nullptr, kDesc, LockBits::Wait);
    } while (eResult == Result::SurfaceBusy);
    return eResult;
}

bool Unlocked(Surface* pSurface) {
    const Result eResult = pSurface->Unlock(nullptr);
    return eResult == Result::Ok || eResult == Result::NotLocked;
}

void PaletteEntries(const EnRawImageData* pRaw, PaletteEntry akEntries[256]) {
    const uint8_t* pPal = pRaw->GetPalette();
    for (uint32_t i = 0; i < 256; i++) {
        akEntries[i].red = pPal ? pPal[4 * i] : 0;
        akEntries[i].green = pPal ? pPal[4 * i + 1] : 0;
        akEntries[i].blue = pPal ? pPal[4 * i + 2] : 0;
        akEntries[i].flags = 0;
    }
}

}  // namespace

std::vector<EnDDImage*>& EnDDImage::LiveImages() {
    static std::vector<EnDDImage*> s_kImages;
    return s_kImages;
}

uint32_t EnDDImage::GetLiveCount() {
    return uint32_t(LiveImages().size());
}

EnDDImage::EnDDImage() {
    LiveImages().push_back(this);
}

EnDDImage::~EnDDImage() {
    ReleaseAllSurfaceRecords();
    // No texture may outlive the image it was made from.
    EnD3DRender::ReleaseImageEverywhere(this);
    m_kTextures.m_spNext.reset();
    auto& kLive = LiveImages();
    kLive.erase(std::remove(kLive.begin(), kLive.end(), this), kLive.end());
}

EnImage* EnDDImage::Create() {
    return new EnDDImage;
}

void EnDDImage::ReleaseAllSurfaceRecords() {
    m_kSurfaces.clear();
    m_uiFlags &= ~FLAG_SURFACES;
}

bool EnDDImage::InvalidatePixels() {
    for (auto& spRecord : m_kSurfaces) spRecord->m_bReload = true;
    ChangedPixels();
    return true;
}

bool EnDDImage::ReleaseSurfaces(Graphics*) {
    ReleaseAllSurfaceRecords();
    return true;
}

bool EnDDImage::GetSurface(Surface*& pSurface) {
    pSurface = nullptr;
    return true;
}

void EnDDImage::ReleaseSurfacesEverywhere(Graphics* pGraphics) {
    // A copy: releasing surfaces never destroys an image, but the list is not ours to hold
    // steady while calling out.
    const std::vector<EnDDImage*> kImages = LiveImages();
    for (EnDDImage* pImage : kImages) pImage->ReleaseSurfaces(pGraphics);
}

EnDDImage::SurfaceRecord* EnDDImage::FindSurface(Graphics* pGraphics, uint32_t uiFormatIndex) {
    for (auto& spRecord : m_kSurfaces)
        if (spRecord->m_pGraphics == pGraphics && spRecord->m_uiFormat == uiFormatIndex)
            return spRecord.get();
    return nullptr;
}

void EnDDImage::DropSurface(SurfaceRecord* pRecord) {
    std::erase_if(m_kSurfaces, [pRecord](const auto& sp) { return sp.get() == pRecord; });
    if (m_kSurfaces.empty()) m_uiFlags &= ~FLAG_SURFACES;
}

void EnDDImage::AddSurface(Surface* pSurface, uint32_t uiFormatIndex, Graphics* pGraphics) {
    auto spRecord = std::make_unique<SurfaceRecord>();
    spRecord->m_spSurface = Ref<Surface>::Share(pSurface);
    spRecord->m_uiFormat = uiFormatIndex;
    spRecord->m_pGraphics = pGraphics;
    m_kSurfaces.push_back(std::move(spRecord));
    m_uiFlags |= FLAG_SURFACES;
}

uint32_t EnDDImage::ChooseFormat(uint32_t eSourceFormat, bool bMipmap, uint32_t uiPreferred,
                                 const EnD3DPixelFormat* const apFormats[7], bool bPrefer32) {
    uint32_t eKind = eSourceFormat;
    if (bMipmap && eKind == EnRawImageData::FORMAT_PALETTIZED) eKind = EnRawImageData::FORMAT_RGB;
    auto available = [apFormats](uint32_t i) { return i < FORMAT_NONE && apFormats[i]; };
    const bool bPalettized = eKind == EnRawImageData::FORMAT_PALETTIZED;
    if ((uiPreferred <= 5 || (uiPreferred == 6 && bPalettized)) && available(uiPreferred))
        return uiPreferred;

    static const uint32_t s_aauiRgb[2][5] = {{1, 2, 4, 3, 5}, {2, 1, 5, 3, 4}};
    static const uint32_t s_aauiRgba[2][5] = {{4, 3, 5, 1, 2}, {5, 3, 4, 2, 1}};
    if (bPalettized) {
        if (available(6)) return 6;
        eKind = EnRawImageData::FORMAT_RGB;
    }
    const uint32_t* puiOrder =
        eKind == EnRawImageData::FORMAT_RGBA ? s_aauiRgba[bPrefer32] : s_aauiRgb[bPrefer32];
    for (uint32_t i = 0; i < 5; i++)
        if (available(puiOrder[i])) return puiOrder[i];
    return FORMAT_NONE;
}

const EnRawImageData* EnDDImage::ReadPixels() {
    const EnRawImageData* pRaw = nullptr;
    if (GetURL()) {
        pRaw = LoadScratchImage(GetURL());
        if (!pRaw) {
            ms_uiLastError = ERROR_FILE_UNREADABLE;
            return nullptr;
        }
    } else if (GetRawImageData()) {
        pRaw = GetRawImageData();
    } else {
        ms_uiLastError = ERROR_NOTHING_TO_LOAD;
        return nullptr;
    }
    if (!pRaw->HasPixels() || pRaw->GetWidth() == 0 || pRaw->GetHeight() == 0) {
        ms_uiLastError = ERROR_FILE_UNREADABLE;
        return nullptr;
    }
    if (pRaw->GetWidth() != m_uiWidth || pRaw->GetHeight() != m_uiHeight) {
        // Textures made at the old size are of no use any more.
        if (m_uiWidth || m_uiHeight) ChangedFormat();
        m_uiWidth = pRaw->GetWidth();
        m_uiHeight = pRaw->GetHeight();
    }
    m_uiMipLevels = std::max(1u, ComputeMipLevels(m_uiWidth, m_uiHeight));
    return pRaw;
}

bool EnDDImage::CopyPixels(Surface* pSurface, const EnRawImageData* pRaw, uint32_t uiLevels) {
    if (!pSurface) {
        ms_uiLastError = ERROR_NO_SURFACE;
        return false;
    }
    if (!pRaw || pRaw->GetWidth() != m_uiWidth || pRaw->GetHeight() != m_uiHeight) return false;

    Ref<Surface> spLevel = Ref<Surface>::Share(pSurface);
    EnPointer<EnRawImageData> spHalf;
    const EnRawImageData* pSource = pRaw;
    for (uint32_t uiLevel = 0; uiLevel < uiLevels; uiLevel++) {
        SurfaceDesc kLocked;
        if (Failed(LockWaiting(spLevel.Get(), kLocked)) || !kLocked.surface || kLocked.pitch <= 0)
            return false;
        const EnD3DPixelFormat kLayout = EnD3DPixelFormat::FromPixelFormat(kLocked.pixelFormat);
        const bool bConverted = pSource->ConvertTo(kLayout, uint32_t(kLocked.pitch),
                                                   static_cast<uint8_t*>(kLocked.surface));
        if (!Unlocked(spLevel.Get()) || !bConverted) return false;
        if (uiLevel + 1 == uiLevels) break;

        SurfaceCaps kCaps;
        kCaps.caps = SurfaceCapBits::Texture | SurfaceCapBits::MipMap;
        Ref<Surface> spNext;
        if (Failed(spLevel->GetAttachedSurface(kCaps, spNext.Put())) || !spNext) break;
        // Each level is the box reduction of the one above; palette pixels reduce into colour.
        const uint32_t eFormat = pSource->GetFormat() == EnRawImageData::FORMAT_PALETTIZED
                                     ? uint32_t(EnRawImageData::FORMAT_RGB)
                                     : pSource->GetFormat();
        EnPointer<EnRawImageData> spNextHalf = new EnRawImageData(
            eFormat, std::max(1u, pSource->GetWidth() / 2), std::max(1u, pSource->GetHeight() / 2));
        if (!spNextHalf->Downsample(pSource)) return false;
        spHalf = spNextHalf;
        pSource = spHalf;
        spLevel = spNext;
    }
    return true;
}

bool EnDDImage::MakeSurface(Graphics* pGraphics, const EnD3DPixelFormat& kFormat,
                            const EnRawImageData* pRaw) {
    if (!pGraphics) {
        ms_uiLastError = ERROR_NO_DIRECTDRAW;
        return false;
    }
    const bool bPalette = kFormat.m_ucPalettized != 0;
    if (bPalette && pRaw->GetFormat() != EnRawImageData::FORMAT_PALETTIZED) {
        ms_uiLastError = ERROR_PALETTE_FORMAT;
        return false;
    }
    SurfaceDesc kDesc;
    kDesc.flags = SurfaceDescBits::Caps | SurfaceDescBits::Height | SurfaceDescBits::Width |
                  SurfaceDescBits::PixelFormat;
    kDesc.width = m_uiWidth;
    kDesc.height = m_uiHeight;
    kDesc.caps.caps = SurfaceCapBits::Texture | SurfaceCapBits::SystemMemory;
    kDesc.pixelFormat = kFormat.ToPixelFormat();
    const bool bMipmap = (m_uiFlags & FLAG_MIPMAP) && !bPalette;
    if (bMipmap) {
        kDesc.flags |= SurfaceDescBits::MipMapCount;
        kDesc.caps.caps |= SurfaceCapBits::MipMap | SurfaceCapBits::Complex;
        kDesc.mipMapCount = m_uiMipLevels;
    }
    Ref<Surface> spSurface;
    if (Failed(pGraphics->CreateSurface(kDesc, spSurface.Put())) || !spSurface) {
        ms_uiLastError = ERROR_SURFACE_CREATION;
        return false;
    }
    if (bPalette) {
        PaletteEntry akEntries[256];
        PaletteEntries(pRaw, akEntries);
        Ref<Palette> spPalette;
        if (Failed(pGraphics->CreatePalette(PaletteBits::Bits8 | PaletteBits::Allow256, akEntries,
                                            spPalette.Put())) ||
            !spPalette || Failed(spSurface->SetPalette(spPalette.Get()))) {
            ms_uiLastError = ERROR_SURFACE_CREATION;
            return false;
        }
    }
    // Without a chain only the top level is filled.
    if (!CopyPixels(spSurface.Get(), pRaw, bMipmap ? m_uiMipLevels : 1)) return false;
    EnD3DPixelFormat kRegistered = kFormat;
    AddSurface(spSurface.Get(), kRegistered.GetIndex(), pGraphics);
    return true;
}

bool EnDDImage::ReloadSurface(SurfaceRecord& kRecord) {
    // A surface that wraps pixels drawn by the device has nothing to read them back from.
    if (!HasSource()) {
        kRecord.m_bReload = false;
        return true;
    }
    const EnRawImageData* pRaw = ReadPixels();
    if (!pRaw) return false;
    SurfaceDesc kDesc;
    if (Failed(kRecord.m_spSurface->GetSurfaceDesc(kDesc))) return false;
    if (kDesc.width != m_uiWidth || kDesc.height != m_uiHeight) {
        // The pixels changed size: the surface goes, and the caller makes one that fits.
        kRecord.m_spSurface.Reset();
        return false;
    }
    const bool bChain = (kDesc.caps.caps & SurfaceCapBits::MipMap) != 0;
    if (!CopyPixels(kRecord.m_spSurface.Get(), pRaw, bChain ? std::max(1u, kDesc.mipMapCount) : 1))
        return false;
    if (kDesc.pixelFormat.flags & PixelFormatBits::PaletteIndexed8) {
        Ref<Palette> spPalette;
        if (Succeeded(kRecord.m_spSurface->GetPalette(spPalette.Put())) && spPalette) {
            PaletteEntry akEntries[256];
            PaletteEntries(pRaw, akEntries);
            spPalette->SetEntries(0, 0, 256, akEntries);
        }
    }
    kRecord.m_bReload = false;
    return true;
}

bool EnDDImage::GetSurfaceForFormat(Graphics* pGraphics, const EnD3DPixelFormat& kFormat, bool,
                                    Surface*& pSurface) {
    pSurface = nullptr;
    EnD3DPixelFormat kRegistered = kFormat;
    const uint32_t uiIndex = kRegistered.GetIndex();
    if (SurfaceRecord* pRecord = FindSurface(pGraphics, uiIndex)) {
        if (!pRecord->m_bReload || ReloadSurface(*pRecord)) {
            pSurface = pRecord->m_spSurface.Get();
            return pSurface != nullptr;
        }
        if (pRecord->m_spSurface) return false;
        DropSurface(pRecord);
    }
    if (!HasSource()) {
        ms_uiLastError = ERROR_NOTHING_TO_LOAD;
        return false;
    }
    const EnRawImageData* pRaw = ReadPixels();
    if (!pRaw || !MakeSurface(pGraphics, kFormat, pRaw)) return false;
    pSurface = m_kSurfaces.back()->m_spSurface.Get();
    return true;
}

bool EnDDImage::GetSurfaceForFormats(Graphics* pGraphics,
                                     const EnD3DPixelFormat* const apFormats[7], bool bPrefer32,
                                     Surface*& pSurface, uint32_t& uiFormat) {
    pSurface = nullptr;
    uiFormat = FORMAT_NONE;
    for (auto& spRecord : m_kSurfaces) {
        if (spRecord->m_pGraphics != pGraphics) continue;
        for (uint32_t i = 0; i < FORMAT_NONE; i++) {
            if (!apFormats[i] || apFormats[i]->PeekIndex() != spRecord->m_uiFormat) continue;
            if (!spRecord->m_bReload || ReloadSurface(*spRecord)) {
                pSurface = spRecord->m_spSurface.Get();
                uiFormat = i;
                return pSurface != nullptr;
            }
            if (spRecord->m_spSurface) return false;
            DropSurface(spRecord.get());
            return GetSurfaceForFormats(pGraphics, apFormats, bPrefer32, pSurface, uiFormat);
        }
    }
    if (!HasSource()) {
        ms_uiLastError = ERROR_NOTHING_TO_LOAD;
        return false;
    }
    const EnRawImageData* pRaw = ReadPixels();
    if (!pRaw) return false;
    const uint32_t uiChosen = ChooseFormat(pRaw->GetFormat(), (m_uiFlags & FLAG_MIPMAP) != 0,
                                           m_ePrefTexFormat, apFormats, bPrefer32);
    if (uiChosen == FORMAT_NONE || !MakeSurface(pGraphics, *apFormats[uiChosen], pRaw))
        return false;
    pSurface = m_kSurfaces.back()->m_spSurface.Get();
    uiFormat = uiChosen;
    return true;
}

EnD3DTextureRecord* EnDDImage::GetTextureRecord(uint32_t uiOwner) const {
    for (const TextureEntry* p = &m_kTextures; p; p = p->m_spNext.get())
        if (p->m_uiOwner == uiOwner && uiOwner != 0) return p->m_pRecord;
    return nullptr;
}

uint32_t EnDDImage::GetTextureStamp(uint32_t uiOwner) const {
    for (const TextureEntry* p = &m_kTextures; p; p = p->m_spNext.get())
        if (p->m_uiOwner == uiOwner && uiOwner != 0) return p->m_uiStamp;
    return 0;
}

void EnDDImage::SetTextureRecord(uint32_t uiOwner, EnD3DTextureRecord* pRecord, uint32_t uiStamp) {
    if (uiOwner == 0) return;
    TextureEntry* pFree = nullptr;
    for (TextureEntry* p = &m_kTextures; p; p = p->m_spNext.get()) {
        if (p->m_uiOwner == uiOwner) {
            p->m_pRecord = pRecord;
            p->m_uiStamp = uiStamp;
            return;
        }
        if (!pFree && p->m_uiOwner == 0) pFree = p;
    }
    if (!pFree) {
        auto spEntry = std::make_unique<TextureEntry>();
        spEntry->m_spNext = std::move(m_kTextures.m_spNext);
        m_kTextures.m_spNext = std::move(spEntry);
        pFree = m_kTextures.m_spNext.get();
    }
    pFree->m_uiOwner = uiOwner;
    pFree->m_pRecord = pRecord;
    pFree->m_uiStamp = uiStamp;
}

void EnDDImage::ClearTextureRecord(uint32_t uiOwner) {
    if (uiOwner == 0) return;
    if (m_kTextures.m_uiOwner == uiOwner) {
        // The inline entry takes over the next one, so the chain stays short.
        if (std::unique_ptr<TextureEntry> spNext = std::move(m_kTextures.m_spNext)) {
            m_kTextures.m_pRecord = spNext->m_pRecord;
            m_kTextures.m_uiOwner = spNext->m_uiOwner;
            m_kTextures.m_uiStamp = spNext->m_uiStamp;
            m_kTextures.m_spNext = std::move(spNext->m_spNext);
        } else {
            m_kTextures.m_pRecord = nullptr;
            m_kTextures.m_uiOwner = 0;
            m_kTextures.m_uiStamp = 0;
        }
        return;
    }
    for (TextureEntry* p = &m_kTextures; p->m_spNext; p = p->m_spNext.get()) {
        if (p->m_spNext->m_uiOwner == uiOwner) {
            std::unique_ptr<TextureEntry> spGone = std::move(p->m_spNext);
            p->m_spNext = std::move(spGone->m_spNext);
            return;
        }
    }
}

void EnDDImage::ClearOwnerEverywhere(uint32_t uiOwner) {
    for (EnDDImage* pImage : LiveImages()) pImage->ClearTextureRecord(uiOwner);
}
