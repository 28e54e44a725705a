#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/gfx/GfxResult.h"

namespace plat {
class Window;
}

namespace plat::gfx {

// Bit words are plain 32-bit values so that callers can keep and combine them as the renderer
// does with its capability words; the constants sit in one namespace per word.

// Capability words of the graphics object (GraphicsCaps::caps, caps2).
namespace GraphicsCapBits {
constexpr uint32_t Has3D = 0x00000001;  // the driver can draw 3D
constexpr uint32_t Blt = 0x00000040;
constexpr uint32_t BltStretch = 0x00000200;
constexpr uint32_t ColorKey = 0x00400000;
constexpr uint32_t Palette = 0x00800000;
constexpr uint32_t ZBlts = 0x10000000;
}  // namespace GraphicsCapBits
namespace GraphicsCap2Bits {
constexpr uint32_t CanRenderWindowed = 0x00080000;
constexpr uint32_t NoPageLockRequired = 0x40000000;
constexpr uint32_t FlipNoVsync = 0x02000000;
constexpr uint32_t WideSurfaces = 0x00001000;
}  // namespace GraphicsCap2Bits

// Surface capability word (SurfaceCaps::caps).
namespace SurfaceCapBits {
constexpr uint32_t Texture = 0x00000001;
constexpr uint32_t SystemMemory = 0x00000002;
constexpr uint32_t VideoMemory = 0x00000004;
constexpr uint32_t LocalVidMem = 0x00000008;
constexpr uint32_t NonLocalVidMem = 0x00000010;
constexpr uint32_t PrimarySurface = 0x00000020;
constexpr uint32_t FrontBuffer = 0x00000040;
constexpr uint32_t BackBuffer = 0x00000080;
constexpr uint32_t Flip = 0x00000100;
constexpr uint32_t Complex = 0x00000200;
constexpr uint32_t Device3D = 0x00000400;  // usable as a render target
constexpr uint32_t ZBuffer = 0x00000800;
constexpr uint32_t MipMap = 0x00001000;
constexpr uint32_t OffscreenPlain = 0x00002000;
constexpr uint32_t Palette = 0x00004000;
}  // namespace SurfaceCapBits

// Which fields of a SurfaceDesc are meaningful.
namespace SurfaceDescBits {
constexpr uint32_t Caps = 0x00000001;
constexpr uint32_t Height = 0x00000002;
constexpr uint32_t Width = 0x00000004;
constexpr uint32_t Pitch = 0x00000008;
constexpr uint32_t BackBufferCount = 0x00000010;
constexpr uint32_t PixelFormat = 0x00000020;
constexpr uint32_t MipMapCount = 0x00000040;
constexpr uint32_t TextureStage = 0x00000080;
constexpr uint32_t SurfaceMemory = 0x00000100;  // SetSurfaceDesc: point at client memory
constexpr uint32_t ColorKeySrcBlt = 0x00000200;
constexpr uint32_t RefreshRate = 0x00000400;
}  // namespace SurfaceDescBits

// Pixel format flags (PixelFormat::flags).
namespace PixelFormatBits {
constexpr uint32_t AlphaPixels = 0x00000001;
constexpr uint32_t PaletteIndexed8 = 0x00000002;
constexpr uint32_t Rgb = 0x00000004;
constexpr uint32_t ZBuffer = 0x00000008;
constexpr uint32_t StencilBuffer = 0x00000010;
}  // namespace PixelFormatBits

// Lock flags.
namespace LockBits {
constexpr uint32_t Wait = 0x00000001;  // keep trying while the surface is busy
constexpr uint32_t ReadOnly = 0x00000002;
constexpr uint32_t WriteOnly = 0x00000004;
constexpr uint32_t DiscardContents = 0x00000008;
constexpr uint32_t NoSysLock = 0x00000010;
}  // namespace LockBits

// Blit flags.
namespace BltBits {
constexpr uint32_t Wait = 0x00000001;
constexpr uint32_t KeySrc = 0x00000002;          // use the source surface's own colour key
constexpr uint32_t KeySrcOverride = 0x00000004;  // use BltFx::srcKeyOverride
constexpr uint32_t DdFx = 0x00000008;            // BltFx::fxFlags apply
constexpr uint32_t ColorFill = 0x00000010;       // fill the destination with BltFx::fillColor
}  // namespace BltBits
namespace BltFxBits {
constexpr uint32_t NoTearing = 0x00000001;
constexpr uint32_t MirrorLeftRight = 0x00000002;
constexpr uint32_t MirrorUpDown = 0x00000004;
}  // namespace BltFxBits

// Flip flags.
namespace FlipBits {
constexpr uint32_t Wait = 0x00000001;
constexpr uint32_t NoVsync = 0x00000002;
}  // namespace FlipBits

// Cooperative levels. Every level the renderer sets includes Multithreaded.
namespace CoopBits {
constexpr uint32_t FullScreen = 0x00000001;
constexpr uint32_t AllowReboot = 0x00000002;
constexpr uint32_t NoWindowChanges = 0x00000004;
constexpr uint32_t Normal = 0x00000008;
constexpr uint32_t Exclusive = 0x00000010;
constexpr uint32_t AllowModeX = 0x00000040;
constexpr uint32_t SetFocusWindow = 0x00000080;
constexpr uint32_t SetDeviceWindow = 0x00000100;
constexpr uint32_t CreateDeviceWindow = 0x00000200;
constexpr uint32_t Multithreaded = 0x00000400;
}  // namespace CoopBits

// Colour key selectors for Surface::SetColorKey / GetColorKey.
namespace ColorKeyBits {
constexpr uint32_t SrcBlt = 0x00000001;
constexpr uint32_t DestBlt = 0x00000002;
}  // namespace ColorKeyBits

// Palette capability flags.
namespace PaletteBits {
constexpr uint32_t Bits8 = 0x00000001;
constexpr uint32_t Allow256 = 0x00000002;
constexpr uint32_t Bits4 = 0x00000004;
}  // namespace PaletteBits

// Driver enumeration flags.
namespace EnumDriverBits {
constexpr uint32_t AttachedSecondaryDevices = 0x00000001;
constexpr uint32_t DetachedSecondaryDevices = 0x00000002;
constexpr uint32_t NonDisplayDevices = 0x00000004;
}  // namespace EnumDriverBits

// Clear flags.
namespace ClearBits {
constexpr uint32_t Target = 0x00000001;
constexpr uint32_t ZBuffer = 0x00000002;
constexpr uint32_t Stencil = 0x00000004;
}  // namespace ClearBits

// Render bit depths (DeviceDesc::renderBitDepth, zBufferBitDepth).
namespace BitDepthBits {
constexpr uint32_t Bd8 = 0x00000800;
constexpr uint32_t Bd16 = 0x00000400;
constexpr uint32_t Bd24 = 0x00000200;
constexpr uint32_t Bd32 = 0x00000100;
}  // namespace BitDepthBits

// Device capability word (DeviceDesc::devCaps).
namespace DevCapBits {
constexpr uint32_t FloatTlVertex = 0x00000001;
constexpr uint32_t ExecuteSystemMemory = 0x00000010;
constexpr uint32_t TlVertexSystemMemory = 0x00000040;
constexpr uint32_t TextureSystemMemory = 0x00000100;
constexpr uint32_t TextureVideoMemory = 0x00000200;
constexpr uint32_t DrawPrimTlVertex = 0x00000400;
constexpr uint32_t CanRenderAfterFlip = 0x00000800;
constexpr uint32_t DrawPrimitives2 = 0x00002000;
constexpr uint32_t SeparateTextureMemories = 0x00004000;
constexpr uint32_t HwTransformAndLight = 0x00010000;
constexpr uint32_t CanBltSysToNonLocal = 0x00020000;
constexpr uint32_t HwRasterization = 0x00080000;
}  // namespace DevCapBits

// Primitive caps words (PrimitiveCaps).
namespace RasterCapBits {
constexpr uint32_t Dither = 0x00000001;
constexpr uint32_t ZTest = 0x00000010;
constexpr uint32_t FogVertex = 0x00000080;
constexpr uint32_t FogTable = 0x00000100;
constexpr uint32_t MipMapLodBias = 0x00002000;
constexpr uint32_t ZBias = 0x00004000;
constexpr uint32_t FogRange = 0x00010000;
constexpr uint32_t Anisotropy = 0x00020000;
constexpr uint32_t WBuffer = 0x00040000;
constexpr uint32_t WFog = 0x00100000;
constexpr uint32_t ZFog = 0x00200000;
}  // namespace RasterCapBits
namespace ShadeCapBits {
constexpr uint32_t ColorFlatRgb = 0x00000002;
constexpr uint32_t ColorGouraudRgb = 0x00000008;
constexpr uint32_t SpecularGouraudRgb = 0x00000200;
constexpr uint32_t AlphaGouraudBlend = 0x00004000;
constexpr uint32_t FogGouraud = 0x00080000;
}  // namespace ShadeCapBits
namespace TextureCapBits {
constexpr uint32_t Perspective = 0x00000001;
constexpr uint32_t Pow2 = 0x00000002;
constexpr uint32_t Alpha = 0x00000004;
constexpr uint32_t SquareOnly = 0x00000020;
constexpr uint32_t AlphaPalette = 0x00000080;
constexpr uint32_t NonPow2Conditional = 0x00000100;
constexpr uint32_t Projected = 0x00000400;
constexpr uint32_t CubeMap = 0x00000800;
}  // namespace TextureCapBits
namespace TextureFilterCapBits {
constexpr uint32_t Nearest = 0x00000001;
constexpr uint32_t Linear = 0x00000002;
constexpr uint32_t MipNearest = 0x00000004;
constexpr uint32_t MipLinear = 0x00000008;
constexpr uint32_t LinearMipNearest = 0x00000010;
constexpr uint32_t LinearMipLinear = 0x00000020;
constexpr uint32_t MinfPoint = 0x00000100;
constexpr uint32_t MinfLinear = 0x00000200;
constexpr uint32_t MinfAnisotropic = 0x00000400;
constexpr uint32_t MipfPoint = 0x00010000;
constexpr uint32_t MipfLinear = 0x00020000;
constexpr uint32_t MagfPoint = 0x01000000;
constexpr uint32_t MagfLinear = 0x02000000;
constexpr uint32_t MagfAnisotropic = 0x04000000;
constexpr uint32_t MagfAFlatCubic = 0x08000000;
constexpr uint32_t MagfGaussianCubic = 0x10000000;
}  // namespace TextureFilterCapBits
// Legacy texture blend caps.
namespace TextureBlendCapBits {
constexpr uint32_t Decal = 0x00000001;
constexpr uint32_t Modulate = 0x00000002;
constexpr uint32_t DecalAlpha = 0x00000004;
constexpr uint32_t ModulateAlpha = 0x00000008;
constexpr uint32_t DecalMask = 0x00000010;
constexpr uint32_t ModulateMask = 0x00000020;
constexpr uint32_t Copy = 0x00000040;
constexpr uint32_t Add = 0x00000080;
}  // namespace TextureBlendCapBits
namespace TextureAddressCapBits {
constexpr uint32_t Wrap = 0x00000001;
constexpr uint32_t Mirror = 0x00000002;
constexpr uint32_t Clamp = 0x00000004;
constexpr uint32_t Border = 0x00000008;
constexpr uint32_t IndependentUV = 0x00000010;
}  // namespace TextureAddressCapBits

// Vertex buffer caps.
namespace VertexBufferBits {
constexpr uint32_t SystemMemory = 0x00000800;
constexpr uint32_t WriteOnly = 0x00010000;
constexpr uint32_t Optimized = 0x80000000;
constexpr uint32_t DoNotClip = 0x00000001;
}  // namespace VertexBufferBits

// Vertex operations of VertexBuffer::ProcessVertices.
namespace VertexOpBits {
constexpr uint32_t Transform = 0x00000001;
constexpr uint32_t Clip = 0x00000004;
constexpr uint32_t Extents = 0x00000008;
constexpr uint32_t Light = 0x00000400;
}  // namespace VertexOpBits

// Capabilities of the hardware pointer (Backend::QueryCursorCaps).
namespace CursorCapBits {
constexpr uint32_t Color = 0x00000001;  // a full-colour pointer can be shown
constexpr uint32_t LowRes = 0x00000002;
}  // namespace CursorCapBits

// Which Direct3D-style device a driver offers: a software rasteriser, a hardware rasteriser,
// and a hardware rasteriser that also transforms and lights.
enum class DeviceType : uint32_t { Rgb = 0, Hal = 1, TnLHal = 2 };
const char* DeviceTypeName(DeviceType t);

struct DriverGuid {
    uint8_t bytes[16] = {};
    bool operator==(const DriverGuid&) const = default;
};

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

struct Point {
    int32_t x = 0, y = 0;
};

// A surface's pixel layout: an RGB format by bit count and channel masks, an 8-bit palette
// index format, or a depth format with an optional stencil part.
struct PixelFormat {
    uint32_t flags = 0;        // PixelFormatBits; 0 means "no format"
    uint32_t rgbBitCount = 0;  // bits per pixel of an RGB or palette format
    uint32_t rMask = 0, gMask = 0, bMask = 0, aMask = 0;
    uint32_t zBufferBitDepth = 0;  // total bits of a depth format, stencil included
    uint32_t stencilBitDepth = 0;
    uint32_t zBitMask = 0;
    uint32_t stencilBitMask = 0;
    bool operator==(const PixelFormat&) const = default;
    bool IsEmpty() const { return flags == 0; }
};

struct SurfaceCaps {
    uint32_t caps = 0;  // SurfaceCapBits
    uint32_t caps2 = 0;
    uint32_t caps3 = 0;
    uint32_t caps4 = 0;
    bool operator==(const SurfaceCaps&) const = default;
};

struct ColorKey {
    uint32_t low = 0;  // raw pixel values in the surface's format, inclusive range
    uint32_t high = 0;
    bool operator==(const ColorKey&) const = default;
};

// Description of a surface, of a surface to create, of a locked surface or of a display mode.
struct SurfaceDesc {
    uint32_t flags = 0;  // SurfaceDescBits: which fields are meaningful
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t pitch = 0;  // bytes from one row to the next
    uint32_t backBufferCount = 0;
    uint32_t mipMapCount = 0;
    uint32_t textureStage = 0;
    uint32_t refreshRate = 0;
    void* surface = nullptr;  // locked memory, or client memory for SetSurfaceDesc
    ColorKey srcBltKey;
    PixelFormat pixelFormat;
    SurfaceCaps caps;
};

struct BltFx {
    uint32_t fxFlags = 0;  // BltFxBits
    ColorKey srcKeyOverride;
    ColorKey destKeyOverride;
    uint32_t fillColor = 0;  // raw pixel value in the destination's format
};

struct PaletteEntry {
    uint8_t red = 0, green = 0, blue = 0, flags = 0;
    bool operator==(const PaletteEntry&) const = default;
};

// Capabilities of the graphics object (driver or emulation).
struct GraphicsCaps {
    uint32_t caps = 0;   // GraphicsCapBits
    uint32_t caps2 = 0;  // GraphicsCap2Bits
    uint32_t colorKeyCaps = 0;
    uint32_t fxCaps = 0;
    uint32_t fxAlphaCaps = 0;
    uint32_t paletteCaps = 0;
    uint32_t zBufferBitDepths = 0;  // BitDepthBits
    uint32_t maxVisibleOverlays = 0;
    uint32_t vidMemTotal = 0;
    uint32_t vidMemFree = 0;
    SurfaceCaps surfaceCaps;
};

struct DeviceIdentifier {
    std::string driver;       // driver file name
    std::string description;  // what the user would call the card
    uint32_t vendorId = 0;
    uint32_t deviceId = 0;
    uint32_t subSysId = 0;
    uint32_t revision = 0;
    uint64_t driverVersion = 0;
    DriverGuid deviceIdentifier;
};

struct PrimitiveCaps {
    uint32_t miscCaps = 0;
    uint32_t rasterCaps = 0;    // RasterCapBits
    uint32_t zCmpCaps = 0;      // bit (1 << Cmp) per comparison
    uint32_t srcBlendCaps = 0;  // bit (1 << Blend) per factor: see BlendCapBit
    uint32_t destBlendCaps = 0;
    uint32_t alphaCmpCaps = 0;
    uint32_t shadeCaps = 0;           // ShadeCapBits
    uint32_t textureCaps = 0;         // TextureCapBits
    uint32_t textureFilterCaps = 0;   // TextureFilterCapBits
    uint32_t textureBlendCaps = 0;    // TextureBlendCapBits
    uint32_t textureAddressCaps = 0;  // TextureAddressCapBits
};

// Description and capabilities of one 3D device.
struct DeviceDesc {
    uint32_t devCaps = 0;  // DevCapBits
    PrimitiveCaps lineCaps;
    PrimitiveCaps triCaps;
    uint32_t renderBitDepth = 0;   // BitDepthBits
    uint32_t zBufferBitDepth = 0;  // BitDepthBits
    uint32_t minTextureWidth = 1, minTextureHeight = 1;
    uint32_t maxTextureWidth = 0, maxTextureHeight = 0;
    uint32_t maxTextureRepeat = 0;
    uint32_t maxTextureAspectRatio = 0;
    uint32_t maxAnisotropy = 0;
    uint32_t stencilCaps = 0;    // bit (1 << StencilOp) per operation
    uint32_t fvfCaps = 0;        // low 16 bits: texture coordinate sets
    uint32_t textureOpCaps = 0;  // bit (1 << TextureOp) per operation: see TextureOpCapBit
    uint16_t maxTextureBlendStages = 0;
    uint16_t maxSimultaneousTextures = 0;
    uint32_t maxActiveLights = 0;
    float maxVertexW = 0.0f;
    DeviceType deviceType = DeviceType::Rgb;
    uint16_t maxUserClipPlanes = 0;
    uint16_t maxVertexBlendMatrices = 0;
    uint32_t vertexProcessingCaps = 0;
};

// Row-vector matrices: a point is a row vector multiplied on the left, so the translation sits
// in the last row (m[3][0..2]); depth after projection runs from 0 (near) to 1 (far).
struct Matrix {
    float m[4][4] = {};
    static Matrix Identity() {
        Matrix r;
        r.m[0][0] = r.m[1][1] = r.m[2][2] = r.m[3][3] = 1.0f;
        return r;
    }
    bool operator==(const Matrix&) const = default;
};

struct Vector3 {
    float x = 0, y = 0, z = 0;
    bool operator==(const Vector3&) const = default;
};

struct ColorValue {
    float r = 0, g = 0, b = 0, a = 0;
    bool operator==(const ColorValue&) const = default;
};

struct Viewport {
    uint32_t x = 0, y = 0, width = 0, height = 0;
    float minZ = 0.0f, maxZ = 1.0f;
    bool operator==(const Viewport&) const = default;
};

struct Material {
    ColorValue diffuse, ambient, specular, emissive;
    float power = 0.0f;
    bool operator==(const Material&) const = default;
};

enum class LightType : uint32_t { Point = 1, Spot = 2, Directional = 3 };

struct Light {
    LightType type = LightType::Directional;
    ColorValue diffuse, specular, ambient;
    Vector3 position;
    Vector3 direction;
    float range = 0.0f;
    float falloff = 0.0f;
    float attenuation0 = 0.0f, attenuation1 = 0.0f, attenuation2 = 0.0f;
    float theta = 0.0f;  // inner cone, full angle in radians
    float phi = 0.0f;    // outer cone, full angle in radians
    bool operator==(const Light&) const = default;
};

struct VertexBufferDesc {
    uint32_t caps = 0;  // VertexBufferBits
    uint32_t fvf = 0;   // VertexFormat bits
    uint32_t numVertices = 0;
};

// Enumeration callbacks return true to go on, false to stop.
using DriverCallback = std::function<bool(const DriverGuid* guid, const char* description,
                                          const char* name, uint32_t monitor)>;
using DisplayModeCallback = std::function<bool(const SurfaceDesc& mode)>;
using DeviceCallback =
    std::function<bool(const char* description, const char* name, const DeviceDesc& desc)>;
using PixelFormatCallback = std::function<bool(const PixelFormat& format)>;

// Frequently used layouts.
namespace Formats {
PixelFormat Rgb565();
PixelFormat Rgb555();
PixelFormat Xrgb8888();
PixelFormat Argb1555();
PixelFormat Argb4444();
PixelFormat Argb8888();
PixelFormat Pal8();
PixelFormat Depth16();
PixelFormat Depth24();  // 24 depth bits in a 32-bit word, no stencil
PixelFormat Depth24Stencil8();
PixelFormat Depth32();
}  // namespace Formats

// Float render-state values travel as their bits.
inline uint32_t FloatBits(float f) {
    uint32_t u;
    __builtin_memcpy(&u, &f, 4);
    return u;
}
inline float BitsFloat(uint32_t u) {
    float f;
    __builtin_memcpy(&f, &u, 4);
    return f;
}

}  // namespace plat::gfx
