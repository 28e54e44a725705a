#include "platform/gfx/GfxResult.h"
#include "platform/gfx/GfxStates.h"
#include "platform/gfx/GfxTypes.h"

namespace plat::gfx {

const char* ResultName(Result r) {
    switch (r) {
        case Result::Ok:
            return "Ok";
        case Result::Generic:
            return "Generic";
        case Result::InvalidParams:
            return "InvalidParams";
        case Result::InvalidObject:
            return "InvalidObject";
        case Result::Unsupported:
            return "Unsupported";
        case Result::NotFound:
            return "NotFound";
        case Result::NotLocked:
            return "NotLocked";
        case Result::SurfaceBusy:
            return "SurfaceBusy";
        case Result::WasStillDrawing:
            return "WasStillDrawing";
        case Result::SurfaceLost:
            return "SurfaceLost";
        case Result::OutOfVideoMemory:
            return "OutOfVideoMemory";
        case Result::OutOfMemory:
            return "OutOfMemory";
        case Result::NoCooperativeLevel:
            return "NoCooperativeLevel";
        case Result::InvalidMode:
            return "InvalidMode";
        case Result::WrongMode:
            return "WrongMode";
        case Result::SurfaceAlreadyAttached:
            return "SurfaceAlreadyAttached";
        case Result::CannotAttachSurface:
            return "CannotAttachSurface";
        case Result::CannotDetachSurface:
            return "CannotDetachSurface";
        case Result::NoPalette:
            return "NoPalette";
        case Result::NoColorKey:
            return "NoColorKey";
        case Result::NoClipper:
            return "NoClipper";
        case Result::SceneInScene:
            return "SceneInScene";
        case Result::SceneNotInScene:
            return "SceneNotInScene";
        case Result::InvalidVertexFormat:
            return "InvalidVertexFormat";
        case Result::VertexBufferLocked:
            return "VertexBufferLocked";
        case Result::VertexBufferOptimized:
            return "VertexBufferOptimized";
        case Result::InvalidPrimitiveType:
            return "InvalidPrimitiveType";
        case Result::UnsupportedColorOperation:
            return "UnsupportedColorOperation";
        case Result::UnsupportedColorArg:
            return "UnsupportedColorArg";
        case Result::UnsupportedAlphaOperation:
            return "UnsupportedAlphaOperation";
        case Result::UnsupportedAlphaArg:
            return "UnsupportedAlphaArg";
        case Result::TooManyOperations:
            return "TooManyOperations";
        case Result::UnsupportedTextureFilter:
            return "UnsupportedTextureFilter";
        case Result::ConflictingTextureFilter:
            return "ConflictingTextureFilter";
        case Result::InvalidLight:
            return "InvalidLight";
    }
    return "Unknown";
}

const char* DeviceTypeName(DeviceType t) {
    switch (t) {
        case DeviceType::Rgb:
            return "Rgb";
        case DeviceType::Hal:
            return "Hal";
        case DeviceType::TnLHal:
            return "TnLHal";
    }
    return "Unknown";
}

const char* RenderStateName(RenderState s) {
    static const char* const names[] = {"CullMode",
                                        "FillMode",
                                        "TexturePerspective",
                                        "ShadeMode",
                                        "ColorKeyEnable",
                                        "AlphaBlendEnable",
                                        "SrcBlend",
                                        "DestBlend",
                                        "AlphaTestEnable",
                                        "AlphaFunc",
                                        "AlphaRef",
                                        "ZEnable",
                                        "ZFunc",
                                        "ZWriteEnable",
                                        "DitherEnable",
                                        "SpecularEnable",
                                        "FogEnable",
                                        "FogTableMode",
                                        "FogVertexMode",
                                        "FogStart",
                                        "FogEnd",
                                        "FogDensity",
                                        "RangeFogEnable",
                                        "FogColor",
                                        "NormalizeNormals",
                                        "StencilEnable",
                                        "StencilFunc",
                                        "StencilRef",
                                        "StencilMask",
                                        "StencilWriteMask",
                                        "StencilFail",
                                        "StencilZFail",
                                        "StencilPass",
                                        "Lighting",
                                        "Ambient",
                                        "ColorVertex",
                                        "LocalViewer",
                                        "DiffuseMaterialSource",
                                        "SpecularMaterialSource",
                                        "AmbientMaterialSource",
                                        "EmissiveMaterialSource",
                                        "TextureFactor",
                                        "Clipping",
                                        "Wrap0",
                                        "Wrap1",
                                        "Wrap2",
                                        "Wrap3",
                                        "Wrap4",
                                        "Wrap5",
                                        "Wrap6",
                                        "Wrap7",
                                        "MonoEnable",
                                        "LastPixel",
                                        "StippleEnable",
                                        "StippledAlpha",
                                        "AntiAlias"};
    static_assert(sizeof(names) / sizeof(names[0]) == static_cast<size_t>(RenderState::Count));
    auto i = static_cast<size_t>(s);
    return i < static_cast<size_t>(RenderState::Count) ? names[i] : "Unknown";
}

const char* StageStateName(StageState s) {
    static const char* const names[] = {"ColorOp",       "ColorArg1",
                                        "ColorArg2",     "AlphaOp",
                                        "AlphaArg1",     "AlphaArg2",
                                        "TexCoordIndex", "Address",
                                        "AddressU",      "AddressV",
                                        "MagFilter",     "MinFilter",
                                        "MipFilter",     "TextureTransformFlags",
                                        "BorderColor",   "MipMapLodBias",
                                        "MaxMipLevel"};
    static_assert(sizeof(names) / sizeof(names[0]) == static_cast<size_t>(StageState::Count));
    auto i = static_cast<size_t>(s);
    return i < static_cast<size_t>(StageState::Count) ? names[i] : "Unknown";
}

namespace Formats {
namespace {
PixelFormat Rgb(uint32_t bits, uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    PixelFormat f;
    f.flags = PixelFormatBits::Rgb | (a ? PixelFormatBits::AlphaPixels : 0);
    f.rgbBitCount = bits;
    f.rMask = r;
    f.gMask = g;
    f.bMask = b;
    f.aMask = a;
    return f;
}
PixelFormat Depth(uint32_t total, uint32_t zMask, uint32_t stencilBits, uint32_t stencilMask) {
    PixelFormat f;
    f.flags = PixelFormatBits::ZBuffer | (stencilBits ? PixelFormatBits::StencilBuffer : 0);
    f.zBufferBitDepth = total;
    f.zBitMask = zMask;
    f.stencilBitDepth = stencilBits;
    f.stencilBitMask = stencilMask;
    return f;
}
}  // namespace
PixelFormat Rgb565() {
    return Rgb(16, 0, 0xf800, 0x07e0, 0x001f);
}
PixelFormat Rgb555() {
    return Rgb(16, 0, 0x7c00, 0x03e0, 0x001f);
}
PixelFormat Xrgb8888() {
    return Rgb(32, 0, 0xff0000, 0xff00, 0xff);
}
PixelFormat Argb1555() {
    return Rgb(16, 0x8000, 0x7c00, 0x03e0, 0x001f);
}
PixelFormat Argb4444() {
    return Rgb(16, 0xf000, 0x0f00, 0x00f0, 0x000f);
}
PixelFormat Argb8888() {
    return Rgb(32, 0xff000000, 0xff0000, 0xff00, 0xff);
}
PixelFormat Pal8() {
    PixelFormat f;
    f.flags = PixelFormatBits::Rgb | PixelFormatBits::PaletteIndexed8;
    f.rgbBitCount = 8;
    return f;
}
PixelFormat Depth16() {
    return Depth(16, 0xffff, 0, 0);
}
PixelFormat Depth24() {
    return Depth(32, 0xffffff00, 0, 0);
}
PixelFormat Depth24Stencil8() {
    return Depth(32, 0xffffff00, 8, 0xff);
}
PixelFormat Depth32() {
    return Depth(32, 0xffffffff, 0, 0);
}
}  // namespace Formats

}  // namespace plat::gfx
