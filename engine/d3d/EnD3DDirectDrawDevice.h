#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnPointer.h"
#include "engine/core/EnTList.h"
#include "engine/d3d/EnD3DDeviceRecord.h"
#include "engine/geometry/EnImage.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/Surface.h"

namespace plat {
class Window;
}

// The DirectDraw side of one renderer's device: the graphics object of the chosen driver, its
// cooperative level and display mode, and the primary surface that every windowed frame
// buffer on it presents into. Frame buffers share it through a hand-kept reference count; the
// last holder shuts it down. Every live object sits in one list, whose length decides the
// full-screen cooperative level (a second device needs the multi-monitor level).
class EnD3DDirectDrawDevice {
public:
    // Cooperative levels; each includes the multithreaded bit because the loading screen
    // draws from a thread of its own.
    enum : uint32_t {
        COOP_FULLSCREEN = 0x413,
        COOP_FULLSCREEN_MULTIMON = 0x693,
        COOP_NORMAL = 0x408,
    };

    // A new object for the driver of the record (a deep copy of the record is kept), with one
    // reference; null after the error message when the driver cannot be opened or has no 3D.
    static EnD3DDirectDrawDevice* Create(const EnD3DDeviceRecord* pRecord);
    // The same for the default windowed record (the device list is built when needed).
    static EnD3DDirectDrawDevice* CreateDefault();

    EnD3DDirectDrawDevice(const EnD3DDirectDrawDevice&) = delete;
    EnD3DDirectDrawDevice& operator=(const EnD3DDirectDrawDevice&) = delete;

    void AddReference() { ++m_uiRefCount; }
    // Drops one reference; the last one shuts the object down and deletes it.
    void ReleaseReference();
    uint32_t GetRefCount() const { return m_uiRefCount; }

    // Sets the cooperative level for the window once: full screen with the display mode (which
    // must be in the record's mode list), or windowed on the desktop. False after the error
    // message; the cooperative level is then normal again.
    bool SetUp(plat::Window* pWindow, bool bFullScreen, uint32_t uiWidth, uint32_t uiHeight,
               uint32_t uiBitsPerPixel);
    // Keeps the first primary surface given (its own reference) and its image: the one given,
    // else a new buffer image over the surface. Later calls change nothing.
    void SetPrimarySurface(plat::gfx::Surface* pSurface, EnImage* pImage);

    plat::gfx::Graphics* GetDirectDraw() const { return m_spDirectDraw.Get(); }
    plat::gfx::Surface* GetPrimarySurface() const { return m_spPrimary.Get(); }
    EnImage* GetPrimaryImage() const { return m_spPrimaryImage; }
    const EnD3DDeviceRecord* GetDeviceRecord() const { return m_spRecord.get(); }
    const plat::gfx::GraphicsCaps& GetCaps() const { return m_kCaps; }
    bool IsHardware() const { return m_bHardware; }
    uint32_t GetDisplayDepth() const { return m_uiDepth; }
    bool IsSetUp() const { return m_bSetUp; }
    bool IsDisplayModeSet() const { return m_bDisplayModeSet; }
    plat::Window* GetWindow() const { return m_pWindow; }

    static uint32_t GetLiveCount();

private:
    friend struct std::default_delete<EnD3DDirectDrawDevice>;
    explicit EnD3DDirectDrawDevice(const EnD3DDeviceRecord& kRecord);
    ~EnD3DDirectDrawDevice();
    // The release sequence: display mode and cooperative level back, primary surface and
    // images let go, graphics object released; then out of the live list.
    void Shutdown();
    void RestoreNormalLevel();
    static EnTList<EnD3DDirectDrawDevice*>& LiveDevices();

    plat::gfx::Ref<plat::gfx::Surface> m_spPrimary;
    EnPointer<EnImage> m_spPrimaryImage;
    bool m_bDisplayModeSet = false;
    plat::gfx::Ref<plat::gfx::Graphics> m_spDirectDraw;
    bool m_bHardware = false;
    plat::gfx::GraphicsCaps m_kCaps;
    std::unique_ptr<EnD3DDeviceRecord> m_spRecord;
    uint32_t m_uiDepth = 0;
    bool m_bSetUp = false;
    plat::Window* m_pWindow = nullptr;
    uint32_t m_uiRefCount = 0;
    bool m_bShutDown = false;
};
