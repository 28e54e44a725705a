#include "platform/gfx/GfxConfig.h"

#include "platform/gfx/GfxStates.h"

namespace plat::gfx {

DeviceDesc GfxConfig::StandardDeviceDesc() {
    DeviceDesc d;
    d.devCaps = DevCapBits::FloatTlVertex | DevCapBits::ExecuteSystemMemory |
                DevCapBits::TlVertexSystemMemory | DevCapBits::TextureSystemMemory |
                DevCapBits::TextureVideoMemory | DevCapBits::DrawPrimTlVertex |
                DevCapBits::CanRenderAfterFlip | DevCapBits::DrawPrimitives2 |
                DevCapBits::HwTransformAndLight | DevCapBits::HwRasterization;
    PrimitiveCaps p;
    p.rasterCaps = RasterCapBits::Dither | RasterCapBits::ZTest | RasterCapBits::FogVertex |
                   RasterCapBits::FogTable | RasterCapBits::FogRange | RasterCapBits::WFog |
                   RasterCapBits::ZFog | RasterCapBits::MipMapLodBias;
    for (uint32_t c = 0; c < static_cast<uint32_t>(Cmp::Count); ++c) {
        p.zCmpCaps |= 1u << c;
        p.alphaCmpCaps |= 1u << c;
    }
    for (uint32_t b = 0; b < static_cast<uint32_t>(Blend::Count); ++b) {
        p.srcBlendCaps |= 1u << b;
        p.destBlendCaps |= 1u << b;
    }
    p.shadeCaps = ShadeCapBits::ColorFlatRgb | ShadeCapBits::ColorGouraudRgb |
                  ShadeCapBits::SpecularGouraudRgb | ShadeCapBits::AlphaGouraudBlend |
                  ShadeCapBits::FogGouraud;
    p.textureCaps = TextureCapBits::Perspective | TextureCapBits::Pow2 | TextureCapBits::Alpha |
                    TextureCapBits::Projected | TextureCapBits::AlphaPalette;
    p.textureFilterCaps = TextureFilterCapBits::Nearest | TextureFilterCapBits::Linear |
                          TextureFilterCapBits::MipNearest | TextureFilterCapBits::MipLinear |
                          TextureFilterCapBits::LinearMipNearest |
                          TextureFilterCapBits::LinearMipLinear | TextureFilterCapBits::MinfPoint |
                          TextureFilterCapBits::MinfLinear | TextureFilterCapBits::MipfPoint |
                          TextureFilterCapBits::MipfLinear | TextureFilterCapBits::MagfPoint |
                          TextureFilterCapBits::MagfLinear;
    p.textureBlendCaps = TextureBlendCapBits::Decal | TextureBlendCapBits::Modulate |
                         TextureBlendCapBits::DecalAlpha | TextureBlendCapBits::ModulateAlpha |
                         TextureBlendCapBits::DecalMask | TextureBlendCapBits::ModulateMask |
                         TextureBlendCapBits::Copy | TextureBlendCapBits::Add;
    p.textureAddressCaps = TextureAddressCapBits::Wrap | TextureAddressCapBits::Mirror |
                           TextureAddressCapBits::Clamp | TextureAddressCapBits::Border |
                           TextureAddressCapBits::IndependentUV;
    d.lineCaps = p;
    d.triCaps = p;
    d.renderBitDepth = BitDepthBits::Bd16 | BitDepthBits::Bd32;
    d.zBufferBitDepth = BitDepthBits::Bd16 | BitDepthBits::Bd24 | BitDepthBits::Bd32;
    d.maxTextureWidth = d.maxTextureHeight = 2048;
    d.maxTextureRepeat = 8192;
    d.maxTextureAspectRatio = 2048;
    d.maxAnisotropy = 1;
    for (uint32_t o = 0; o < static_cast<uint32_t>(StencilOp::Count); ++o) d.stencilCaps |= 1u << o;
    d.fvfCaps = 8;
    for (uint32_t o = static_cast<uint32_t>(TextureOp::Disable);
         o < static_cast<uint32_t>(TextureOp::Count); ++o)
        d.textureOpCaps |= 1u << o;
    d.maxTextureBlendStages = 2;
    d.maxSimultaneousTextures = 2;
    d.maxActiveLights = 8;
    d.maxVertexW = 1.0e10f;
    d.deviceType = DeviceType::TnLHal;
    return d;
}

GfxConfig GfxConfig::Standard() {
    GfxConfig c;
    Driver drv;
    drv.primary = true;
    drv.description = "Corvane OpenGL Display";
    drv.name = "display";
    drv.driverCaps.caps = GraphicsCapBits::Has3D | GraphicsCapBits::Blt |
                          GraphicsCapBits::BltStretch | GraphicsCapBits::ColorKey |
                          GraphicsCapBits::Palette | GraphicsCapBits::ZBlts;
    drv.driverCaps.caps2 = GraphicsCap2Bits::CanRenderWindowed |
                           GraphicsCap2Bits::NoPageLockRequired | GraphicsCap2Bits::WideSurfaces;
    drv.driverCaps.zBufferBitDepths = BitDepthBits::Bd16 | BitDepthBits::Bd24 | BitDepthBits::Bd32;
    drv.driverCaps.paletteCaps = PaletteBits::Bits8 | PaletteBits::Allow256;
    drv.driverCaps.surfaceCaps.caps =
        SurfaceCapBits::Texture | SurfaceCapBits::VideoMemory | SurfaceCapBits::LocalVidMem |
        SurfaceCapBits::PrimarySurface | SurfaceCapBits::Flip | SurfaceCapBits::Complex |
        SurfaceCapBits::Device3D | SurfaceCapBits::ZBuffer | SurfaceCapBits::MipMap |
        SurfaceCapBits::OffscreenPlain | SurfaceCapBits::Palette;
    drv.emulationCaps = drv.driverCaps;
    drv.emulationCaps.caps &= ~GraphicsCapBits::Has3D;
    drv.identifier.driver = "opengl";
    drv.identifier.description = "Corvane OpenGL Display Adapter";
    drv.identifier.vendorId = 0x1af4;
    drv.identifier.deviceId = 0x0001;
    drv.identifier.driverVersion = 0x0001000100010001ull;

    DeviceInfo tnl;
    tnl.name = "Corvane T&L HAL";
    tnl.description = "Corvane OpenGL Hardware Transform and Lighting HAL";
    tnl.desc = StandardDeviceDesc();
    drv.devices.push_back(tnl);

    drv.zFormats = {Formats::Depth16(), Formats::Depth24(), Formats::Depth24Stencil8()};
    drv.textureFormats = {Formats::Argb4444(), Formats::Argb8888(), Formats::Argb1555(),
                          Formats::Rgb555(),   Formats::Rgb565(),   Formats::Xrgb8888(),
                          Formats::Pal8()};
    const uint32_t sizes[][2] = {{512, 384},  {640, 480},  {800, 600},  {1024, 768},
                                 {1152, 864}, {1280, 960}, {1280, 1024}};
    for (auto& s : sizes)
        for (uint32_t bits : {16u, 32u}) drv.modes.push_back({s[0], s[1], bits});
    c.drivers.push_back(drv);
    return c;
}

}  // namespace plat::gfx
