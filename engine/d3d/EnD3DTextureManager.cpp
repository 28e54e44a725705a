#include "engine/d3d/EnD3DTextureManager.h"

#include "engine/d3d/EnD3DCachedTextureManager.h"
#include "engine/d3d/EnD3DRender.h"

using namespace plat::gfx;

EnD3DTextureManager::ManagerMap& EnD3DTextureManager::HardwareManagers() {
    static ManagerMap s_kMap(37);
    return s_kMap;
}

EnD3DTextureManager::ManagerMap& EnD3DTextureManager::SoftwareManagers() {
    static ManagerMap s_kMap(37);
    return s_kMap;
}

EnTList<EnD3DTextureManager*>& EnD3DTextureManager::LiveManagers() {
    static EnTList<EnD3DTextureManager*> s_kManagers(2);
    return s_kManagers;
}

EnD3DTextureManager::EnD3DTextureManager(Graphics* pGraphics, Device* pDevice)
    : m_spGraphics(Ref<Graphics>::Share(pGraphics)), m_spDevice(Ref<Device>::Share(pDevice)) {
    LiveManagers().AddTail(this);
}

EnD3DTextureManager::~EnD3DTextureManager() {
    LiveManagers().Remove(this);
    for (ManagerMap* pMap : {&HardwareManagers(), &SoftwareManagers()}) {
        EnD3DTextureManager* pFound = nullptr;
        if (pMap->GetAt(m_spGraphics.Get(), pFound) && pFound == this)
            pMap->RemoveAt(m_spGraphics.Get());
    }
}

EnD3DTextureManager* EnD3DTextureManager::FindOrCreate(bool bMultitexture, bool bTrueColor,
                                                       Graphics* pGraphics, Device* pDevice,
                                                       const DeviceDesc& kDesc, bool bHardware) {
    ManagerMap& kMap = bHardware ? HardwareManagers() : SoftwareManagers();
    EnD3DTextureManager* pManager = nullptr;
    if (!kMap.GetAt(pGraphics, pManager) || !pManager) {
        pManager = Create(bMultitexture, bTrueColor, pGraphics, pDevice, kDesc);
        if (!pManager) return nullptr;
        kMap.SetAt(pGraphics, pManager);
    }
    pManager->m_uiUseCount++;
    pManager->ReleaseTextures(nullptr, true, ALL_MEMORIES);
    return pManager;
}

EnD3DTextureManager* EnD3DTextureManager::Create(bool bMultitexture, bool bTrueColor,
                                                 Graphics* pGraphics, Device* pDevice,
                                                 const DeviceDesc& kDesc) {
    EnD3DRender::LogMessage("(Creation): Attempting to create texture manager");
    auto spManager = std::make_unique<EnD3DCachedTextureManager>(pGraphics, pDevice);
    spManager->m_uiMaxWidth = kDesc.maxTextureWidth;
    spManager->m_uiMaxHeight = kDesc.maxTextureHeight;
    if (kDesc.devCaps & DevCapBits::TextureVideoMemory) spManager->m_uiFlags |= FLAG_VIDEO_MEMORY;
    if (kDesc.triCaps.textureCaps & TextureCapBits::SquareOnly)
        spManager->m_uiFlags |= FLAG_SQUARE_ONLY;
    if (bTrueColor) spManager->m_uiFlags |= FLAG_TRUE_COLOR;
    if (!spManager->QueryFormats()) return nullptr;
    spManager->AllocateMemories(bMultitexture &&
                                (kDesc.devCaps & DevCapBits::SeparateTextureMemories) != 0);
    EnD3DRender::LogMessage("(Creation): Texture manager creation succeeded");
    return spManager.release();
}

void EnD3DTextureManager::GetFormatTable(const EnD3DPixelFormat* apFormats[FORMAT_COUNT]) const {
    for (uint32_t i = 0; i < FORMAT_COUNT; i++) apFormats[i] = m_aspFormat[i].get();
}

bool EnD3DTextureManager::QueryFormats() {
    struct Wanted {
        uint32_t m_uiIndex;
        bool m_bAlpha;
        uint32_t m_uiBits;
        uint8_t m_aucChannels[4];
    };
    // Queried in this order; the device's own order decides among equal candidates.
    static const Wanted s_akWanted[] = {
        {FORMAT_ARGB4444, true, 16, {4, 4, 4, 4}}, {FORMAT_ARGB8888, true, 32, {8, 8, 8, 8}},
        {FORMAT_ARGB1555, true, 16, {5, 5, 5, 1}}, {FORMAT_RGB555, false, 16, {5, 5, 5, 0}},
        {FORMAT_RGB565, false, 16, {5, 6, 5, 0}},  {FORMAT_RGB888, false, 32, {8, 8, 8, 0}},
    };
    bool bAny = false;
    auto store = [this, &bAny](uint32_t uiIndex, const EnD3DPixelFormat& kFormat,
                               const PixelFormat& kSurfaceFormat) {
        m_akSurfaceFormat[uiIndex] = kSurfaceFormat;
        auto spFormat = std::make_unique<EnD3DPixelFormat>(kFormat);
        spFormat->GetIndex();
        const uint32_t uiBits = spFormat->m_ucBitsPerPixel;
        m_auiDepthClass[uiIndex] = uiBits == 8 ? 0 : uiBits == 16 ? 1 : 2;
        m_aspFormat[uiIndex] = std::move(spFormat);
        m_abAvailable[uiIndex] = true;
        bAny = true;
    };

    for (const Wanted& kWanted : s_akWanted) {
        bool bFound = false;
        EnD3DPixelFormat kMatch;
        PixelFormat kMatchFormat;
        const Result eResult = m_spDevice->EnumTextureFormats([&](const PixelFormat& kFormat) {
            if (!(kFormat.flags & PixelFormatBits::Rgb)) return true;
            if (kFormat.flags & PixelFormatBits::PaletteIndexed8) return true;
            if (bool(kFormat.flags & PixelFormatBits::AlphaPixels) != kWanted.m_bAlpha) return true;
            if (kFormat.rgbBitCount != kWanted.m_uiBits) return true;
            const EnD3DPixelFormat kLayout = EnD3DPixelFormat::FromPixelFormat(kFormat);
            for (int c = 0; c < (kWanted.m_bAlpha ? 4 : 3); c++)
                if (kLayout.m_aucBits[c] != kWanted.m_aucChannels[c]) return true;
            kMatch = kLayout;
            kMatchFormat = kFormat;
            bFound = true;
            return false;
        });
        if (Failed(eResult)) {
            EnD3DRender::LogError("Creation failed: Texture format query failed");
            return false;
        }
        if (bFound) store(kWanted.m_uiIndex, kMatch, kMatchFormat);
    }

    bool bFound = false;
    PixelFormat kPaletteFormat;
    const Result eResult = m_spDevice->EnumTextureFormats([&](const PixelFormat& kFormat) {
        if (!(kFormat.flags & PixelFormatBits::PaletteIndexed8) ||
            (kFormat.flags & PixelFormatBits::AlphaPixels))
            return true;
        kPaletteFormat = kFormat;
        bFound = true;
        return false;
    });
    if (Failed(eResult)) {
        EnD3DRender::LogError("Creation failed: Texture format query failed");
        return false;
    }
    if (bFound) {
        EnD3DPixelFormat kPalette;
        kPalette.m_ucPalettized = 1;
        kPalette.m_ucBitsPerPixel = 8;
        for (int c = 0; c < 4; c++) {
            kPalette.m_aucBits[c] = 0;
            kPalette.m_aucLoss[c] = 8;
        }
        store(FORMAT_PAL8, kPalette, kPaletteFormat);
    }
    return bAny;
}

bool EnD3DTextureManager::DropUse() {
    if (m_uiUseCount > 0) m_uiUseCount--;
    if (m_uiUseCount == 0) {
        delete this;
        return true;
    }
    ReleaseTextures(nullptr, true, ALL_MEMORIES);
    return false;
}

void EnD3DTextureManager::BeginFrame() {
    m_uiFrameStatus = 1;
    m_uiFrameNumber++;
    m_uiUsedThisFrame = 0;
    m_uiCreatedThisFrame = 0;
    m_uiReleasedThisFrame = 0;
    m_uiFrameCounter = 0;
}
