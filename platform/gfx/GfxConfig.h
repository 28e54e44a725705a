#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/GfxTypes.h"

namespace plat::gfx {

// The machine a software-modelled back end presents: its drivers, their devices, formats and
// display modes. The OpenGL back end presents Standard(); tests of the null back end change
// any part of it.
struct GfxConfig {
    struct DeviceInfo {
        std::string name;  // e.g. "Direct3D T&L HAL"
        std::string description;
        DeviceDesc desc;
    };
    struct Mode {
        uint32_t width = 0, height = 0, bitsPerPixel = 0;
    };
    struct Driver {
        bool primary = true;  // the primary display driver enumerates with a null guid
        DriverGuid guid;
        std::string description;
        std::string name;
        GraphicsCaps driverCaps;
        GraphicsCaps emulationCaps;
        DeviceIdentifier identifier;
        std::vector<DeviceInfo> devices;  // in enumeration order
        std::vector<PixelFormat> zFormats;
        std::vector<PixelFormat> textureFormats;
        std::vector<Mode> modes;  // full-screen modes in enumeration order
    };

    std::vector<Driver> drivers;
    Mode desktop{1280, 1024, 32};         // what windowed surfaces take their format from
    uint32_t textureMemory = 32u << 20;   // budget for device textures, in bytes
    uint32_t videoMemory = 64u << 20;     // reported total video memory
    uint32_t maxBackBuffers = 2;          // a flip chain asking for more fails
    bool nonLocalTextureTargets = false;  // texture render targets land in non-local memory
    uint32_t cursorCaps = CursorCapBits::Color;

    // One primary driver with one hardware transform-and-lighting device: two texture stages,
    // 16- and 32-bit rendering, 16/24/24+8 z-buffers, the seven texture formats, modes from
    // 512x384 to 1280x1024 at 16 and 32 bits.
    static GfxConfig Standard();
    static DeviceDesc StandardDeviceDesc();
};

}  // namespace plat::gfx
