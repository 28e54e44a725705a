// Device enumeration of EnD3DRender: every Direct3D device of every graphics driver, with the
// modes it renders in, and the three default records.
#include <memory>
#include <string>

#include "engine/d3d/EnD3DDeviceRecord.h"
#include "engine/d3d/EnD3DRender.h"
#include "platform/gfx/Backend.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Graphics3D.h"

using namespace plat::gfx;

namespace {

struct DeviceList {
    std::unique_ptr<EnTList<EnD3DDeviceRecord*>> m_spRecords;
    EnD3DDeviceRecord* m_pFullScreen = nullptr;
    EnD3DDeviceRecord* m_pWindowed = nullptr;
    EnD3DDeviceRecord* m_pSoftware = nullptr;

    void Clear() {
        if (m_spRecords) {
            while (!m_spRecords->IsEmpty()) delete m_spRecords->RemoveHead();
            m_spRecords.reset();
        }
        m_pFullScreen = m_pWindowed = m_pSoftware = nullptr;
    }
    ~DeviceList() { Clear(); }
};

DeviceList& Devices() {
    static DeviceList s_kDevices;
    return s_kDevices;
}

struct DriverContext {
    EnTList<EnD3DDeviceRecord*>* m_pList;
    const DriverGuid* m_pGuid;  // null for the primary display driver
    GraphicsCaps m_kDriverCaps;
    Graphics* m_pGraphics;
};

bool AddDevice(DriverContext& kContext, const char* pcDescription, const char* pcName,
               const DeviceDesc& kDesc) {
    if (!pcDescription) return false;
    const bool bPrimary = kContext.m_pGuid == nullptr;
    const bool bHardware = (kDesc.devCaps & DevCapBits::HwRasterization) != 0;
    // Software rasterisers only count on the primary display, where they stand in when there
    // is no hardware at all.
    if (!bHardware && (!bPrimary || kDesc.devCaps == 0)) return true;

    auto spRecord = std::make_unique<EnD3DDeviceRecord>();
    DeviceIdentifier kIdentifier;
    kContext.m_pGraphics->GetDeviceIdentifier(kIdentifier, 0);
    spRecord->m_kName = std::string(pcName ? pcName : "") + " on " + kIdentifier.description;
    spRecord->m_ucWindowed =
        bPrimary && (kContext.m_kDriverCaps.caps2 & GraphicsCap2Bits::CanRenderWindowed) ? 1 : 0;
    spRecord->m_ucValid = 1;
    spRecord->m_ucHardware = bHardware ? 1 : 0;
    if (!bPrimary) spRecord->m_spDriverGuid = std::make_unique<DriverGuid>(*kContext.m_pGuid);
    const bool bTnL = bHardware && (kDesc.devCaps & DevCapBits::HwTransformAndLight);
    spRecord->m_eDeviceType = bTnL        ? DeviceType::TnLHal
                              : bHardware ? DeviceType::Hal
                                          : DeviceType::Rgb;
    if (kDesc.devCaps & DevCapBits::SeparateTextureMemories)
        spRecord->m_uiFlags |= EnD3DDeviceRecord::FLAG_SEPARATE_TEXTURE_MEMORIES;
    if (kDesc.renderBitDepth & BitDepthBits::Bd32)
        spRecord->m_uiFlags |= EnD3DDeviceRecord::FLAG_RENDERS_32BIT;
    if (bTnL) spRecord->m_uiFlags |= EnD3DDeviceRecord::FLAG_TRANSFORM_AND_LIGHT;

    EnD3DDeviceRecord* pRecord = spRecord.get();
    const uint32_t uiDepths = kDesc.renderBitDepth;
    kContext.m_pGraphics->EnumDisplayModes(
        0, nullptr, [pRecord, uiDepths](const SurfaceDesc& kMode) {
            const uint32_t uiBits = kMode.pixelFormat.rgbBitCount;
            if ((uiBits == 32 && (uiDepths & BitDepthBits::Bd32)) ||
                (uiBits == 16 && (uiDepths & BitDepthBits::Bd16)))
                pRecord->AddMode(kMode.width, kMode.height, uiBits);
            return true;
        });

    // The primary display's hardware devices go first, the last one found at the very head.
    if (bHardware && bPrimary)
        kContext.m_pList->AddHead(spRecord.release());
    else
        kContext.m_pList->AddTail(spRecord.release());
    return true;
}

void AddDriver(EnTList<EnD3DDeviceRecord*>& kList, const DriverGuid* pGuid) {
    Graphics* pRaw = nullptr;
    if (Failed(Backend::Current().CreateGraphics(pGuid, &pRaw)) || !pRaw) return;
    Ref<Graphics> spGraphics(pRaw);
    DriverContext kContext{&kList, pGuid, {}, pRaw};
    GraphicsCaps kEmulation;
    if (Failed(pRaw->GetCaps(&kContext.m_kDriverCaps, &kEmulation))) return;
    if (kContext.m_kDriverCaps.caps == 0) return;
    Ref<Graphics3D> spD3D;
    if (Failed(pRaw->QueryGraphics3D(spD3D.Put())) || !spD3D) return;
    spD3D->EnumDevices(
        [&kContext](const char* pcDescription, const char* pcName, const DeviceDesc& kDesc) {
            return AddDevice(kContext, pcDescription, pcName, kDesc);
        });
}

void ChooseDefaults(DeviceList& kDevices) {
    EnTList<EnD3DDeviceRecord*>& kList = *kDevices.m_spRecords;
    for (EnTListIterator pos = kList.GetHeadPos(); pos;) {
        EnD3DDeviceRecord* pRecord = kList.GetNext(pos);
        if (!pRecord->m_ucHardware) {
            kDevices.m_pSoftware = pRecord;
            break;
        }
    }

    for (EnTListIterator pos = kList.GetHeadPos(); pos;) {
        EnD3DDeviceRecord* pRecord = kList.GetNext(pos);
        if (!pRecord->m_ucWindowed || pRecord->GetDriverGuid()) continue;
        if (pRecord->IsTransformAndLight()) {
            kDevices.m_pWindowed = pRecord;
            break;
        }
        if (pRecord->m_ucHardware) kDevices.m_pWindowed = pRecord;
    }

    // The last qualifying device wins, so an add-on card beats a primary hardware device
    // without transform and lighting; a primary transform-and-lighting device beats all.
    EnD3DDeviceRecord* pFull =
        kDevices.m_pWindowed && kDevices.m_pWindowed->m_ucValid ? kDevices.m_pWindowed : nullptr;
    for (EnTListIterator pos = kList.GetHeadPos(); pos;) {
        EnD3DDeviceRecord* pRecord = kList.GetNext(pos);
        if (!pRecord->m_ucValid) continue;
        const bool bPrimary = pRecord->GetDriverGuid() == nullptr;
        if (bPrimary && pRecord->IsTransformAndLight()) {
            pFull = pRecord;
            break;
        }
        const bool bQualifies =
            (!bPrimary && !pRecord->m_ucWindowed) || (bPrimary && pRecord->m_ucHardware);
        if (bQualifies && !(pFull && pFull->IsTransformAndLight())) pFull = pRecord;
    }
    kDevices.m_pFullScreen = pFull;
}

}  // namespace

EnTList<EnD3DDeviceRecord*>* EnD3DRender::EnumerateDevices() {
    DeviceList& kDevices = Devices();
    if (kDevices.m_spRecords) return kDevices.m_spRecords.get();
    kDevices.m_spRecords = std::make_unique<EnTList<EnD3DDeviceRecord*>>(2);
    EnTList<EnD3DDeviceRecord*>& kList = *kDevices.m_spRecords;
    Backend::Current().EnumerateDrivers(
        [&kList](const DriverGuid* pGuid, const char*, const char*, uint32_t) {
            AddDriver(kList, pGuid);
            return true;
        },
        EnumDriverBits::AttachedSecondaryDevices | EnumDriverBits::DetachedSecondaryDevices |
            EnumDriverBits::NonDisplayDevices);
    ChooseDefaults(kDevices);
    return kDevices.m_spRecords.get();
}

const EnD3DDeviceRecord* EnD3DRender::GetDefaultFullScreenRecord() {
    return Devices().m_pFullScreen;
}

const EnD3DDeviceRecord* EnD3DRender::GetDefaultWindowedRecord() {
    return Devices().m_pWindowed;
}

const EnD3DDeviceRecord* EnD3DRender::GetDefaultSoftwareRecord() {
    return Devices().m_pSoftware;
}

void EnD3DRender::DiscardDeviceList() {
    Devices().Clear();
}
