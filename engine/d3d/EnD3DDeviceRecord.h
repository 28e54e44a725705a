#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "engine/core/EnTList.h"
#include "engine/d3d/EnD3DModeRecord.h"
#include "platform/gfx/GfxTypes.h"

// One Direct3D device of one graphics driver, as the device enumeration found it, with the
// full-screen modes in which it can render. The application picks one of these to create the
// renderer with; the renderer's DirectDraw device object keeps its own deep copy.
class EnD3DDeviceRecord {
public:
    // m_uiFlags bits.
    enum : uint32_t {
        FLAG_SEPARATE_TEXTURE_MEMORIES = 0x1,
        FLAG_RENDERS_32BIT = 0x2,
        FLAG_TRANSFORM_AND_LIGHT = 0x4,
    };

    EnD3DDeviceRecord() = default;
    // Deep copy: name, driver identifier and mode list.
    EnD3DDeviceRecord(const EnD3DDeviceRecord& kRecord);
    EnD3DDeviceRecord& operator=(const EnD3DDeviceRecord&) = delete;
    virtual ~EnD3DDeviceRecord();

    // Appends a mode; the list keeps the order of enumeration.
    void AddMode(uint32_t uiWidth, uint32_t uiHeight, uint32_t uiBitsPerPixel);
    // Exact match on all three values.
    bool HasMode(uint32_t uiWidth, uint32_t uiHeight, uint32_t uiBitsPerPixel) const;
    const EnTList<EnD3DModeRecord*>& GetModes() const { return m_kModes; }

    const char* GetName() const { return m_kName.c_str(); }
    // Null for the primary display driver.
    const plat::gfx::DriverGuid* GetDriverGuid() const { return m_spDriverGuid.get(); }
    bool IsTransformAndLight() const { return (m_uiFlags & FLAG_TRANSFORM_AND_LIGHT) != 0; }

    std::string m_kName;  // "<device> on <driver description>"
    uint8_t m_ucWindowed = 0;
    uint8_t m_ucValid = 1;
    uint8_t m_ucHardware = 0;
    std::unique_ptr<plat::gfx::DriverGuid> m_spDriverGuid;
    plat::gfx::DeviceType m_eDeviceType = plat::gfx::DeviceType::Rgb;
    uint32_t m_uiFlags = 0;

private:
    EnTList<EnD3DModeRecord*> m_kModes{2};
};
