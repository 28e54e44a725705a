#pragma once
#include <cstdint>

namespace plat::gfx {

// Render states of the device. Values travel as 32-bit words: enum values below, booleans 0/1,
// colours 0xAARRGGBB, floats as their bits (FloatBits).
enum class RenderState : uint32_t {
    CullMode,            // Cull
    FillMode,            // Fill
    TexturePerspective,  // bool
    ShadeMode,           // Shade
    ColorKeyEnable,      // bool: texels matching a texture's source colour key are not drawn
    AlphaBlendEnable,    // bool
    SrcBlend,            // Blend
    DestBlend,           // Blend
    AlphaTestEnable,     // bool
    AlphaFunc,           // Cmp
    AlphaRef,            // 0..255
    ZEnable,             // ZBufferType
    ZFunc,               // Cmp
    ZWriteEnable,        // bool
    DitherEnable,        // bool
    SpecularEnable,      // bool
    FogEnable,           // bool
    FogTableMode,        // FogMode: per-pixel fog
    FogVertexMode,       // FogMode: per-vertex fog
    FogStart,            // float bits
    FogEnd,              // float bits
    FogDensity,          // float bits
    RangeFogEnable,      // bool
    FogColor,            // 0x00RRGGBB
    NormalizeNormals,    // bool
    StencilEnable,       // bool
    StencilFunc,         // Cmp
    StencilRef,
    StencilMask,
    StencilWriteMask,
    StencilFail,             // StencilOp
    StencilZFail,            // StencilOp
    StencilPass,             // StencilOp
    Lighting,                // bool
    Ambient,                 // 0xAARRGGBB
    ColorVertex,             // bool: vertex colours may feed the material
    LocalViewer,             // bool
    DiffuseMaterialSource,   // MaterialSource
    SpecularMaterialSource,  // MaterialSource
    AmbientMaterialSource,   // MaterialSource
    EmissiveMaterialSource,  // MaterialSource
    TextureFactor,           // 0xAARRGGBB
    Clipping,                // bool
    Wrap0,                   // wrap flags of texture coordinate set 0..7
    Wrap1,
    Wrap2,
    Wrap3,
    Wrap4,
    Wrap5,
    Wrap6,
    Wrap7,
    MonoEnable,  // the states below have no effect here; they are kept at 0
    LastPixel,
    StippleEnable,
    StippledAlpha,
    AntiAlias,
    Count
};

enum class Cull : uint32_t { None = 1, Cw = 2, Ccw = 3 };  // Cw removes clockwise faces
enum class Fill : uint32_t { Point = 1, Wireframe = 2, Solid = 3 };
enum class Shade : uint32_t { Flat = 1, Gouraud = 2 };
enum class Blend : uint32_t {
    Zero = 0,
    One,
    SrcColor,
    InvSrcColor,
    SrcAlpha,
    InvSrcAlpha,
    DestAlpha,
    InvDestAlpha,
    DestColor,
    InvDestColor,
    SrcAlphaSat,
    Count
};
enum class Cmp : uint32_t {
    Never = 0,
    Less,
    Equal,
    LessEqual,
    Greater,
    NotEqual,
    GreaterEqual,
    Always,
    Count
};
enum class ZBufferType : uint32_t { False = 0, True = 1, UseW = 2 };
enum class FogMode : uint32_t { None = 0, Exp = 1, Exp2 = 2, Linear = 3 };
enum class StencilOp : uint32_t {
    Keep = 0,
    Zero,
    Replace,
    IncrSat,
    DecrSat,
    Invert,
    Incr,
    Decr,
    Count
};
enum class MaterialSource : uint32_t { Material = 0, Color1 = 1, Color2 = 2 };

// Capability bit of a blend factor in PrimitiveCaps::srcBlendCaps/destBlendCaps, of a
// comparison in zCmpCaps/alphaCmpCaps and of a stencil operation in DeviceDesc::stencilCaps.
constexpr uint32_t BlendCapBit(Blend b) {
    return 1u << static_cast<uint32_t>(b);
}
constexpr uint32_t CmpCapBit(Cmp c) {
    return 1u << static_cast<uint32_t>(c);
}
constexpr uint32_t StencilCapBit(StencilOp o) {
    return 1u << static_cast<uint32_t>(o);
}

// Texture stage states. A stage combines its two arguments with its operation, separately for
// colour and alpha; the result ("current") feeds the next stage.
enum class StageState : uint32_t {
    ColorOp,    // TextureOp
    ColorArg1,  // TextureArg
    ColorArg2,
    AlphaOp,  // TextureOp
    AlphaArg1,
    AlphaArg2,
    TexCoordIndex,  // set number 0..7, optionally with a TexCoordGen value
    Address,        // TextureAddress, U and V together
    AddressU,
    AddressV,
    MagFilter,              // TextureFilter: Point or Linear
    MinFilter,              // TextureFilter: Point or Linear
    MipFilter,              // TextureFilter: None, Point or Linear
    TextureTransformFlags,  // TextureTransform
    BorderColor,            // 0xAARRGGBB
    MipMapLodBias,          // float bits
    MaxMipLevel,
    Count
};

constexpr uint32_t kMaxTextureStages = 8;

enum class TextureOp : uint32_t {
    Disable = 1,  // this stage and every later one are off
    SelectArg1,
    SelectArg2,
    Modulate,
    Modulate2X,
    Modulate4X,
    Add,
    AddSigned,
    Subtract,
    BlendDiffuseAlpha,  // arg1 * diffuse.a + arg2 * (1 - diffuse.a)
    BlendTextureAlpha,  // arg1 * texture.a + arg2 * (1 - texture.a)
    BlendFactorAlpha,
    BlendCurrentAlpha,
    Count
};
// Capability bit of an operation in DeviceDesc::textureOpCaps.
constexpr uint32_t TextureOpCapBit(TextureOp op) {
    return 1u << static_cast<uint32_t>(op);
}

// Texture stage arguments: one source, optionally with modifier bits.
namespace TextureArg {
constexpr uint32_t Diffuse = 0;
constexpr uint32_t Current = 1;  // result of the previous stage (diffuse on stage 0)
constexpr uint32_t Texture = 2;
constexpr uint32_t TFactor = 3;
constexpr uint32_t Specular = 4;
constexpr uint32_t SelectMask = 0x0f;
constexpr uint32_t Complement = 0x10;
constexpr uint32_t AlphaReplicate = 0x20;
}  // namespace TextureArg

// Texture coordinate generation, or'ed into StageState::TexCoordIndex; any value above 7 is one.
namespace TexCoordGen {
constexpr uint32_t PassThru = 0x00000;
constexpr uint32_t CameraSpaceNormal = 0x10000;
constexpr uint32_t CameraSpacePosition = 0x20000;
constexpr uint32_t CameraSpaceReflectionVector = 0x30000;
constexpr uint32_t Mask = 0xffff0000;
}  // namespace TexCoordGen

enum class TextureAddress : uint32_t { Wrap = 1, Mirror = 2, Clamp = 3, Border = 4 };
enum class TextureFilter : uint32_t {
    None = 1,  // mip filter only: one level
    Point,
    Linear,
    Anisotropic,
    FlatCubic,
    GaussianCubic
};

// Texture transform flags: how many transformed coordinates the stage reads, and whether the
// last of them divides the others.
namespace TextureTransform {
constexpr uint32_t Disable = 0;
constexpr uint32_t Count1 = 1;
constexpr uint32_t Count2 = 2;
constexpr uint32_t Count3 = 3;
constexpr uint32_t Count4 = 4;
constexpr uint32_t Projected = 256;
}  // namespace TextureTransform

enum class TransformState : uint32_t {
    World = 1,
    View = 2,
    Projection = 3,
    Texture0 = 16,  // Texture0 + stage
    Texture1,
    Texture2,
    Texture3,
    Texture4,
    Texture5,
    Texture6,
    Texture7
};
constexpr TransformState TextureTransformState(uint32_t stage) {
    return static_cast<TransformState>(static_cast<uint32_t>(TransformState::Texture0) + stage);
}

enum class PrimitiveType : uint32_t {
    PointList = 1,
    LineList = 2,
    LineStrip = 3,
    TriangleList = 4,
    TriangleStrip = 5,
    TriangleFan = 6
};

const char* RenderStateName(RenderState s);
const char* StageStateName(StageState s);

}  // namespace plat::gfx
