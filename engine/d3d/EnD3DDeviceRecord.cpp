#include "engine/d3d/EnD3DDeviceRecord.h"

EnD3DDeviceRecord::EnD3DDeviceRecord(const EnD3DDeviceRecord& kRecord)
    : m_kName(kRecord.m_kName),
      m_ucWindowed(kRecord.m_ucWindowed),
      m_ucValid(kRecord.m_ucValid),
      m_ucHardware(kRecord.m_ucHardware),
      m_eDeviceType(kRecord.m_eDeviceType),
      m_uiFlags(kRecord.m_uiFlags) {
    if (kRecord.m_spDriverGuid)
        m_spDriverGuid = std::make_unique<plat::gfx::DriverGuid>(*kRecord.m_spDriverGuid);
    for (EnTListIterator pos = kRecord.m_kModes.GetHeadPos(); pos;) {
        const EnD3DModeRecord* pMode = kRecord.m_kModes.GetNext(pos);
        AddMode(pMode->m_uiWidth, pMode->m_uiHeight, pMode->m_uiBitsPerPixel);
    }
}

EnD3DDeviceRecord::~EnD3DDeviceRecord() {
    while (!m_kModes.IsEmpty()) delete m_kModes.RemoveHead();
}

void EnD3DDeviceRecord::AddMode(uint32_t uiWidth, uint32_t uiHeight, uint32_t uiBitsPerPixel) {
    m_kModes.AddTail(new EnD3DModeRecord{uiWidth, uiHeight, uiBitsPerPixel});
}

bool EnD3DDeviceRecord::HasMode(uint32_t uiWidth, uint32_t uiHeight,
                                uint32_t uiBitsPerPixel) const {
    for (EnTListIterator pos = m_kModes.GetHeadPos(); pos;) {
        const EnD3DModeRecord* pMode = m_kModes.GetNext(pos);
        if (pMode->m_uiWidth == uiWidth && pMode->m_uiHeight == uiHeight &&
            pMode->m_uiBitsPerPixel == uiBitsPerPixel)
            return true;
    }
    return false;
}
