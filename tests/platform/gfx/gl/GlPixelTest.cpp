#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "GfxRig.h"
#include "platform/gfx/Palette.h"
#include "platform/gfx/PixelCodec.h"
#include "platform/gfx/VertexBuffer.h"
#include "platform/gfx/VertexFormat.h"

using namespace gfxtest;
using namespace plat::gfx;

namespace {

// Colours read back from the OpenGL back end against what the fixed-function rules give,
// worked out here channel by channel.

constexpr uint32_t kT = 0xc0804020;  // texture
constexpr uint32_t kD = 0x8040c060;  // diffuse
constexpr uint32_t kF = 0x402020a0;  // texture factor
constexpr uint32_t kU = 0xff20a0e0;  // second texture

float Ch(uint32_t c, int i) {
    return ((c >> (i == 3 ? 24 : 16 - 8 * i)) & 0xff) / 255.0f;
}
uint32_t Pack(float r, float g, float b) {
    auto q = [](float v) {
        return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
    };
    return q(r) << 16 | q(g) << 8 | q(b);
}
template <class F>
uint32_t PerChannel(F f) {
    return Pack(f(0), f(1), f(2));
}

class GlPixel : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!rig.Init(BackendKind::Gl, 64, 64, &why)) GTEST_SKIP() << "no OpenGL display: " << why;
    }
    void Stage(uint32_t s, TextureOp cop, uint32_t c1, uint32_t c2, TextureOp aop, uint32_t a1,
               uint32_t a2) {
        rig.dev->SetTextureStageState(s, StageState::ColorOp, cop);
        rig.dev->SetTextureStageState(s, StageState::ColorArg1, c1);
        rig.dev->SetTextureStageState(s, StageState::ColorArg2, c2);
        rig.dev->SetTextureStageState(s, StageState::AlphaOp, aop);
        rig.dev->SetTextureStageState(s, StageState::AlphaArg1, a1);
        rig.dev->SetTextureStageState(s, StageState::AlphaArg2, a2);
    }
    // Vertex-colour only on stage 0.
    void Untextured() {
        Stage(0, TextureOp::SelectArg2, TextureArg::Texture, TextureArg::Diffuse,
              TextureOp::SelectArg2, TextureArg::Texture, TextureArg::Diffuse);
        rig.dev->SetTexture(0, nullptr);
    }
    void Draw(uint32_t diffuse, uint32_t specular = 0, float z = 0.5f) {
        ASSERT_EQ(rig.dev->BeginScene(), Result::Ok);
        rig.ScreenQuad(diffuse, specular, z);
        ASSERT_EQ(rig.dev->EndScene(), Result::Ok);
    }
    // A perspective camera at the origin looking along +z (depth 0..1 over 1..11) and a square
    // of side 12 at distance 5 facing it, drawn through a vertex buffer.
    void Perspective() {
        Matrix proj;
        const float n = 1.0f, f = 11.0f;
        proj.m[0][0] = 5.0f / 6.0f;
        proj.m[1][1] = 5.0f / 6.0f;
        proj.m[2][2] = f / (f - n);
        proj.m[2][3] = 1.0f;
        proj.m[3][2] = -n * f / (f - n);
        rig.dev->SetTransform(TransformState::Projection, proj);
    }
    void DrawFacingSquare(uint32_t diffuse, float zAt = 5.0f,
                          PrimitiveType type = PrimitiveType::TriangleList, float half = 6.0f) {
        struct V {
            float x, y, z, nx, ny, nz;
            uint32_t diffuse;
        };
        const uint32_t fvf = VertexFormat::Xyz | VertexFormat::Normal | VertexFormat::Diffuse;
        VertexBufferDesc d;
        d.fvf = fvf;
        d.numVertices = 4;
        d.caps = VertexBufferBits::WriteOnly;
        Ref<VertexBuffer> vb;
        ASSERT_EQ(rig.g3d->CreateVertexBuffer(d, vb.Put(), 0), Result::Ok);
        void* p;
        vb->Lock(LockBits::WriteOnly, &p, nullptr);
        const float s = half;
        const V v[4] = {{-s, s, zAt, 0, 0, -1, diffuse},
                        {s, s, zAt, 0, 0, -1, diffuse},
                        {s, -s, zAt, 0, 0, -1, diffuse},
                        {-s, -s, zAt, 0, 0, -1, diffuse}};
        std::memcpy(p, v, sizeof v);
        vb->Unlock();
        ASSERT_EQ(rig.dev->BeginScene(), Result::Ok);
        if (type == PrimitiveType::TriangleList) {
            const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
            EXPECT_EQ(rig.dev->DrawIndexedPrimitiveVB(type, vb.Get(), 0, 4, idx, 6, 0), Result::Ok);
        } else if (type == PrimitiveType::TriangleFan) {
            EXPECT_EQ(rig.dev->DrawPrimitiveVB(type, vb.Get(), 0, 4, 0), Result::Ok);
        } else {
            const uint16_t idx[4] = {0, 1, 3, 2};
            EXPECT_EQ(rig.dev->DrawIndexedPrimitiveVB(type, vb.Get(), 0, 4, idx, 4, 0), Result::Ok);
        }
        rig.dev->EndScene();
    }
    GfxRig rig;
};

struct OpCase {
    const char* name;
    TextureOp op;
    uint32_t arg1, arg2;
    uint32_t expected;
};

TEST_F(GlPixel, StageColourOperationsAndArguments) {
    const float da = Ch(kD, 3), ta = Ch(kT, 3), fa = Ch(kF, 3);
    using A = uint32_t;
    const A tex = TextureArg::Texture, dif = TextureArg::Diffuse, cur = TextureArg::Current,
            tf = TextureArg::TFactor;
    const OpCase cases[] = {
        {"select texture", TextureOp::SelectArg1, tex, dif, kT & 0xffffff},
        {"select diffuse", TextureOp::SelectArg2, tex, dif, kD & 0xffffff},
        {"select factor", TextureOp::SelectArg1, tf, dif, kF & 0xffffff},
        {"complement", TextureOp::SelectArg1, tex | TextureArg::Complement, dif,
         PerChannel([](int i) { return 1 - Ch(kT, i); })},
        {"alpha replicate", TextureOp::SelectArg1, tex | TextureArg::AlphaReplicate, dif,
         Pack(ta, ta, ta)},
        {"complemented alpha", TextureOp::SelectArg2, tex,
         dif | TextureArg::AlphaReplicate | TextureArg::Complement, Pack(1 - da, 1 - da, 1 - da)},
        {"modulate", TextureOp::Modulate, tex, dif,
         PerChannel([](int i) { return Ch(kT, i) * Ch(kD, i); })},
        {"modulate 2x", TextureOp::Modulate2X, tex, dif,
         PerChannel([](int i) { return 2 * Ch(kT, i) * Ch(kD, i); })},
        {"modulate 4x", TextureOp::Modulate4X, tex, dif,
         PerChannel([](int i) { return 4 * Ch(kT, i) * Ch(kD, i); })},
        {"add", TextureOp::Add, tex, dif, PerChannel([](int i) { return Ch(kT, i) + Ch(kD, i); })},
        {"add signed", TextureOp::AddSigned, tex, dif,
         PerChannel([](int i) { return Ch(kT, i) + Ch(kD, i) - 0.5f; })},
        {"subtract", TextureOp::Subtract, tex, dif,
         PerChannel([](int i) { return Ch(kT, i) - Ch(kD, i); })},
        {"blend diffuse alpha", TextureOp::BlendDiffuseAlpha, tex, tf,
         PerChannel([&](int i) { return Ch(kT, i) * da + Ch(kF, i) * (1 - da); })},
        {"blend texture alpha", TextureOp::BlendTextureAlpha, dif, tf,
         PerChannel([&](int i) { return Ch(kD, i) * ta + Ch(kF, i) * (1 - ta); })},
        {"blend factor alpha", TextureOp::BlendFactorAlpha, tex, dif,
         PerChannel([&](int i) { return Ch(kT, i) * fa + Ch(kD, i) * (1 - fa); })},
        {"blend current alpha", TextureOp::BlendCurrentAlpha, tex, tf,
         PerChannel([&](int i) { return Ch(kT, i) * da + Ch(kF, i) * (1 - da); })},
        {"modulate factor by current", TextureOp::Modulate, tf, cur,
         PerChannel([](int i) { return Ch(kF, i) * Ch(kD, i); })},
    };
    Ref<Surface> t = rig.SolidTexture(Formats::Argb8888(), kT);
    rig.dev->SetTexture(0, t.Get());
    rig.dev->SetRenderState(RenderState::TextureFactor, kF);
    for (const OpCase& c : cases) {
        rig.Clear(0);
        Stage(0, c.op, c.arg1, c.arg2, TextureOp::SelectArg1, tex, dif);
        Draw(kD);
        EXPECT_TRUE(NearColor(rig.Centre(), c.expected)) << c.name;
    }
}

TEST_F(GlPixel, StageAlphaOperations) {
    // The colour is white and the target black: blending by source alpha shows the alpha.
    const uint32_t factor = 0x40ffffff;
    const float ta = Ch(kT, 3), da = Ch(kD, 3), fa = Ch(factor, 3);
    using A = uint32_t;
    const A tex = TextureArg::Texture, dif = TextureArg::Diffuse, tf = TextureArg::TFactor;
    struct Case {
        const char* name;
        TextureOp op;
        uint32_t a1, a2;
        float alpha;
    };
    const Case cases[] = {
        {"texture", TextureOp::SelectArg1, tex, dif, ta},
        {"diffuse", TextureOp::SelectArg2, tex, dif, da},
        {"modulate", TextureOp::Modulate, tex, dif, ta * da},
        {"modulate 2x", TextureOp::Modulate2X, tex, dif, 2 * ta * da},
        {"add", TextureOp::Add, tex, tf, ta + fa},
        {"subtract", TextureOp::Subtract, tex, dif, ta - da},
        {"complement", TextureOp::SelectArg1, tex | TextureArg::Complement, dif, 1 - ta},
        {"blend texture alpha", TextureOp::BlendTextureAlpha, dif, tf, da * ta + fa * (1 - ta)},
    };
    Ref<Surface> t = rig.SolidTexture(Formats::Argb8888(), kT);
    rig.dev->SetTexture(0, t.Get());
    rig.dev->SetRenderState(RenderState::TextureFactor, factor);
    rig.dev->SetRenderState(RenderState::AlphaBlendEnable, 1u);
    rig.dev->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    rig.dev->SetRenderState(RenderState::DestBlend, Blend::Zero);
    for (const Case& c : cases) {
        rig.Clear(0);
        Stage(0, TextureOp::SelectArg1, tf, dif, c.op, c.a1, c.a2);
        Draw(kD);
        const float a = std::clamp(c.alpha, 0.0f, 1.0f);
        EXPECT_TRUE(NearColor(rig.Centre(), Pack(a, a, a))) << c.name;
    }
}

TEST_F(GlPixel, SecondStageCombinesWithTheFirst) {
    Ref<Surface> t0 = rig.SolidTexture(Formats::Argb8888(), kT);
    Ref<Surface> t1 = rig.SolidTexture(Formats::Xrgb8888(), kU);
    rig.dev->SetTexture(0, t0.Get());
    rig.dev->SetTexture(1, t1.Get());
    rig.dev->SetTextureStageState(1, StageState::TexCoordIndex, 0u);
    const float ta = Ch(kT, 3);
    struct Case {
        const char* name;
        TextureOp op;
        uint32_t expected;
    };
    const Case cases[] = {
        {"modulate", TextureOp::Modulate, PerChannel([](int i) { return Ch(kU, i) * Ch(kT, i); })},
        {"add", TextureOp::Add, PerChannel([](int i) { return Ch(kU, i) + Ch(kT, i); })},
        {"blend current alpha", TextureOp::BlendCurrentAlpha,
         PerChannel([&](int i) { return Ch(kU, i) * ta + Ch(kT, i) * (1 - ta); })},
        {"disabled", TextureOp::Disable, kT & 0xffffff},
    };
    Stage(0, TextureOp::SelectArg1, TextureArg::Texture, TextureArg::Diffuse, TextureOp::SelectArg1,
          TextureArg::Texture, TextureArg::Diffuse);
    for (const Case& c : cases) {
        rig.Clear(0);
        Stage(1, c.op, TextureArg::Texture, TextureArg::Current, TextureOp::SelectArg2,
              TextureArg::Texture, TextureArg::Current);
        uint32_t passes = 0;
        EXPECT_EQ(rig.dev->ValidateDevice(&passes), Result::Ok) << c.name;
        Draw(kD);
        EXPECT_TRUE(NearColor(rig.Centre(), c.expected)) << c.name;
    }
}

TEST_F(GlPixel, EveryBlendFactor) {
    const uint32_t dest = 0x00306090;
    auto factor = [&](Blend b, int i) -> float {
        const float s = Ch(kD, i), sa = Ch(kD, 3), d = Ch(dest, i), a = 1.0f;  // no target alpha
        switch (b) {
            case Blend::Zero:
                return 0;
            case Blend::One:
                return 1;
            case Blend::SrcColor:
                return s;
            case Blend::InvSrcColor:
                return 1 - s;
            case Blend::SrcAlpha:
                return sa;
            case Blend::InvSrcAlpha:
                return 1 - sa;
            case Blend::DestAlpha:
                return a;
            case Blend::InvDestAlpha:
                return 1 - a;
            case Blend::DestColor:
                return d;
            case Blend::InvDestColor:
                return 1 - d;
            case Blend::SrcAlphaSat:
                return std::min(sa, 1 - a);
            default:
                return 0;
        }
    };
    Untextured();
    rig.dev->SetRenderState(RenderState::AlphaBlendEnable, 1u);
    for (uint32_t side = 0; side < 2; ++side) {
        for (uint32_t f = 0; f < uint32_t(Blend::Count); ++f) {
            const Blend src = side == 0 ? Blend(f) : Blend::Zero;
            const Blend dst = side == 0 ? Blend::Zero : Blend(f);
            rig.Clear(dest);
            rig.dev->SetRenderState(RenderState::SrcBlend, src);
            rig.dev->SetRenderState(RenderState::DestBlend, dst);
            Draw(kD);
            uint32_t want = PerChannel(
                [&](int i) { return Ch(kD, i) * factor(src, i) + Ch(dest, i) * factor(dst, i); });
            EXPECT_TRUE(NearColor(rig.Centre(), want)) << (side ? "dest " : "source ") << f;
        }
    }
    rig.Clear(dest);
    rig.dev->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    rig.dev->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
    Draw(kD);
    const float sa = Ch(kD, 3);
    EXPECT_TRUE(NearColor(
        rig.Centre(), PerChannel([&](int i) { return Ch(kD, i) * sa + Ch(dest, i) * (1 - sa); })));
}

bool Compare(Cmp c, float a, float b) {
    switch (c) {
        case Cmp::Never:
            return false;
        case Cmp::Less:
            return a < b;
        case Cmp::Equal:
            return a == b;
        case Cmp::LessEqual:
            return a <= b;
        case Cmp::Greater:
            return a > b;
        case Cmp::NotEqual:
            return a != b;
        case Cmp::GreaterEqual:
            return a >= b;
        default:
            return true;
    }
}

TEST_F(GlPixel, AlphaTestAgainstTheReference) {
    Untextured();
    rig.dev->SetRenderState(RenderState::AlphaTestEnable, 1u);
    rig.dev->SetRenderState(RenderState::AlphaRef, 0x80u);
    for (uint32_t f = 0; f < uint32_t(Cmp::Count); ++f) {
        for (uint32_t alpha : {0x40u, 0x80u, 0xc0u}) {
            rig.Clear(0x00ff0000);
            rig.dev->SetRenderState(RenderState::AlphaFunc, Cmp(f));
            Draw(alpha << 24 | 0x00ff00);
            const bool drawn = Compare(Cmp(f), float(alpha), 128.0f);
            EXPECT_TRUE(NearColor(rig.Centre(), drawn ? 0x00ff00 : 0xff0000, 0))
                << "function " << f << " alpha " << alpha;
        }
    }
}

TEST_F(GlPixel, DepthFunctionsAndDepthWrites) {
    Untextured();
    rig.dev->SetRenderState(RenderState::ZEnable, ZBufferType::True);
    for (uint32_t f = 0; f < uint32_t(Cmp::Count); ++f) {
        for (float zv : {0.25f, 0.75f}) {
            rig.Clear(0x00ff0000, 0.5f);
            rig.dev->SetRenderState(RenderState::ZFunc, Cmp(f));
            Draw(0x0000ff00, 0, zv);
            const bool drawn = Compare(Cmp(f), zv, 0.5f);
            EXPECT_TRUE(NearColor(rig.Centre(), drawn ? 0x00ff00 : 0xff0000, 0))
                << "function " << f << " z " << zv;
        }
    }
    // Without depth writes the buffer keeps 0.5; with them the first quad hides the second.
    for (uint32_t write : {0u, 1u}) {
        rig.Clear(0x00ff0000, 0.5f);
        rig.dev->SetRenderState(RenderState::ZWriteEnable, write);
        rig.dev->SetRenderState(RenderState::ZFunc, Cmp::Less);
        Draw(0x0000ff00, 0, 0.25f);
        rig.dev->SetRenderState(RenderState::ZWriteEnable, 1u);
        Draw(0x000000ff, 0, 0.4f);
        EXPECT_TRUE(NearColor(rig.Centre(), write ? 0x00ff00 : 0x0000ff, 0)) << write;
    }
}

TEST_F(GlPixel, FogTableVertexAndPreTransformed) {
    Untextured();
    const uint32_t fog = 0x00ffffff, color = 0x00204080;
    rig.dev->SetRenderState(RenderState::FogColor, fog);
    rig.dev->SetRenderState(RenderState::FogStart, FloatBits(2.0f));
    rig.dev->SetRenderState(RenderState::FogEnd, FloatBits(10.0f));
    rig.dev->SetRenderState(RenderState::FogDensity, FloatBits(0.1f));
    Perspective();
    struct Case {
        const char* name;
        FogMode table, vertex;
        float factor;  // share of the object's colour
    };
    const Case cases[] = {
        {"table linear", FogMode::Linear, FogMode::None, (10.0f - 5.0f) / 8.0f},
        {"vertex linear", FogMode::None, FogMode::Linear, (10.0f - 5.0f) / 8.0f},
        {"table exp", FogMode::Exp, FogMode::None, std::exp(-0.1f * 5.0f)},
        {"table exp2", FogMode::Exp2, FogMode::None, std::exp(-0.25f)},
    };
    for (const Case& c : cases) {
        rig.Clear(0);
        rig.dev->SetRenderState(RenderState::FogEnable, 1u);
        rig.dev->SetRenderState(RenderState::FogTableMode, c.table);
        rig.dev->SetRenderState(RenderState::FogVertexMode, c.vertex);
        DrawFacingSquare(color);
        EXPECT_TRUE(NearColor(rig.Centre(), PerChannel([&](int i) {
                                  return Ch(color, i) * c.factor + Ch(fog, i) * (1 - c.factor);
                              }),
                              4))
            << c.name;
    }
    // Pre-transformed vertices carry their fog factor in the specular alpha.
    rig.Clear(0);
    rig.dev->SetRenderState(RenderState::FogTableMode, FogMode::None);
    rig.dev->SetRenderState(RenderState::FogVertexMode, FogMode::None);
    Draw(color, 0x40000000);
    const float f = 0x40 / 255.0f;
    EXPECT_TRUE(
        NearColor(rig.Centre(),
                  PerChannel([&](int i) { return Ch(color, i) * f + Ch(fog, i) * (1 - f); }), 4));
    rig.dev->SetRenderState(RenderState::FogEnable, 0u);
    rig.Clear(0);
    Draw(color, 0x40000000);
    EXPECT_TRUE(NearColor(rig.Centre(), color));
}

TEST_F(GlPixel, LightsMaterialsAndColourSources) {
    Untextured();
    Perspective();
    rig.dev->SetRenderState(RenderState::Lighting, 1u);
    rig.dev->SetRenderState(RenderState::DiffuseMaterialSource, MaterialSource::Material);
    Material mat;
    mat.diffuse = {0.8f, 0.8f, 0.8f, 1};
    mat.ambient = {1, 0.5f, 0, 1};
    rig.dev->SetMaterial(mat);
    Light dir;
    dir.type = LightType::Directional;
    dir.diffuse = {1, 0.5f, 0.25f, 0};
    dir.direction = {0, 0, 1};
    struct Case {
        const char* name;
        Light light;
        bool on;
        uint32_t ambient;
        uint32_t expected;
    };
    Light slanted = dir;
    slanted.direction = {0.8660254f, 0, 0.5f};
    Light point;
    point.type = LightType::Point;
    point.diffuse = {1, 1, 1, 0};
    point.attenuation0 = 1;
    point.attenuation1 = 0.2f;
    point.range = 100;
    Light spot = point;
    spot.type = LightType::Spot;
    spot.attenuation1 = 0;
    spot.direction = {0, 0, 1};
    spot.theta = spot.phi = 0.5f;
    spot.theta = spot.phi = 2.5f;
    Light away = spot;
    away.direction = {0, 0, -1};
    // Lighting is worked out at the vertices: the square's corners (6, 6, 5) from the camera.
    const float d = std::sqrt(6.0f * 6.0f * 2 + 25.0f), ndl = 5.0f / d;
    const float pointAtt = 1.0f / (1.0f + 0.2f * d);
    const uint32_t pointColor =
        Pack(0.8f * pointAtt * ndl, 0.8f * pointAtt * ndl, 0.8f * pointAtt * ndl);
    const Case cases[] = {
        {"facing directional", dir, true, 0, Pack(0.8f, 0.4f, 0.2f)},
        {"directional at 60 degrees", slanted, true, 0, Pack(0.4f, 0.2f, 0.1f)},
        {"ambient only", dir, false, 0x404040, Pack(0.25f, 0.125f, 0)},
        {"attenuated point", point, true, 0, pointColor},
        {"spot with the corners inside its cone", spot, true, 0,
         Pack(0.8f * ndl, 0.8f * ndl, 0.8f * ndl)},
        {"spot looking away", away, true, 0, 0},
    };
    for (const Case& c : cases) {
        rig.Clear(0);
        rig.dev->SetRenderState(RenderState::Ambient, c.ambient);
        rig.dev->SetLight(0, c.light);
        rig.dev->LightEnable(0, c.on);
        DrawFacingSquare(0xff000000);
        EXPECT_TRUE(NearColor(rig.Centre(), c.expected)) << c.name;
    }
    // Lights are in world space: moving the camera back and the light with it changes nothing.
    rig.Clear(0);
    Matrix view = Matrix::Identity();
    view.m[3][2] = 5;
    rig.dev->SetTransform(TransformState::View, view);
    point.position = {0, 0, -5};
    rig.dev->SetLight(0, point);
    rig.dev->LightEnable(0, true);
    DrawFacingSquare(0xff000000, 0.0f);
    EXPECT_TRUE(NearColor(rig.Centre(), pointColor)) << "moved camera";
    rig.dev->SetTransform(TransformState::View, Matrix::Identity());

    // Vertex colours as emissive, and as ambient and diffuse.
    rig.dev->LightEnable(0, false);
    rig.dev->SetRenderState(RenderState::Ambient, 0u);
    rig.dev->SetRenderState(RenderState::EmissiveMaterialSource, MaterialSource::Color1);
    rig.Clear(0);
    DrawFacingSquare(0xff336699);
    EXPECT_TRUE(NearColor(rig.Centre(), 0x336699)) << "emissive from the vertex";
    rig.dev->SetRenderState(RenderState::EmissiveMaterialSource, MaterialSource::Material);
    rig.dev->SetRenderState(RenderState::DiffuseMaterialSource, MaterialSource::Color1);
    rig.dev->SetRenderState(RenderState::AmbientMaterialSource, MaterialSource::Color1);
    dir.diffuse = {1, 1, 1, 0};
    rig.dev->SetLight(0, dir);
    rig.dev->LightEnable(0, true);
    rig.Clear(0);
    DrawFacingSquare(0xff336699);
    EXPECT_TRUE(NearColor(rig.Centre(), 0x336699)) << "diffuse from the vertex";
    rig.dev->SetRenderState(RenderState::DiffuseMaterialSource, MaterialSource::Material);
    rig.dev->SetRenderState(RenderState::AmbientMaterialSource, MaterialSource::Material);

    // Specular highlight of a light shining along the view: at a corner the halfway vector lies
    // between the light's direction and the direction to the eye.
    mat = Material{};
    mat.specular = {0.5f, 0.25f, 0, 1};
    mat.power = 10;
    rig.dev->SetMaterial(mat);
    dir.specular = {1, 1, 1, 0};
    rig.dev->SetLight(0, dir);
    const float hz = (1.0f + ndl) / std::sqrt(2.0f * (1.0f + ndl));  // N.H at a corner
    const float spec = std::pow(hz, 10.0f);
    for (uint32_t on : {0u, 1u}) {
        rig.Clear(0);
        rig.dev->SetRenderState(RenderState::SpecularEnable, on);
        DrawFacingSquare(0xff000000);
        EXPECT_TRUE(NearColor(rig.Centre(), on ? Pack(0.5f * spec, 0.25f * spec, 0) : 0))
            << "specular " << on;
    }
}

TEST_F(GlPixel, EveryDrawPathGivesTheSameSquare) {
    Untextured();
    Perspective();
    for (PrimitiveType t :
         {PrimitiveType::TriangleList, PrimitiveType::TriangleFan, PrimitiveType::TriangleStrip}) {
        rig.Clear(0);
        DrawFacingSquare(0xff10e030, 5.0f, t);
        EXPECT_TRUE(NearColor(rig.Centre(), 0x10e030, 0)) << int(t);
        EXPECT_TRUE(NearColor(rig.Pixel(2, 2), 0x10e030, 0)) << int(t);
    }
    // A line list across the middle row.
    struct V {
        float x, y, z, rhw;
        uint32_t c;
    };
    const V line[2] = {{0, 32.5f, 0.5f, 1, 0xffffffff}, {64, 32.5f, 0.5f, 1, 0xffffffff}};
    rig.Clear(0);
    rig.dev->BeginScene();
    EXPECT_EQ(rig.dev->DrawPrimitive(PrimitiveType::LineList,
                                     VertexFormat::XyzRhw | VertexFormat::Diffuse, line, 2, 0),
              Result::Ok);
    rig.dev->EndScene();
    EXPECT_TRUE(NearColor(rig.Pixel(20, 32), 0xffffff, 0));
    EXPECT_TRUE(NearColor(rig.Pixel(20, 30), 0, 0));
}

TEST_F(GlPixel, CullingFollowsTheScreenWinding) {
    Untextured();
    struct V {
        float x, y, z, rhw;
        uint32_t c;
    };
    // Top-left, top-right, bottom-left: clockwise on the screen.
    const V tri[3] = {
        {0, 0, 0.5f, 1, 0xff00ff00}, {64, 0, 0.5f, 1, 0xff00ff00}, {0, 64, 0.5f, 1, 0xff00ff00}};
    struct Case {
        Cull cull;
        bool drawn;
    };
    for (const Case& c : {Case{Cull::None, true}, Case{Cull::Cw, false}, Case{Cull::Ccw, true}}) {
        rig.dev->SetRenderState(RenderState::CullMode, c.cull);
        rig.Clear(0);
        rig.dev->BeginScene();
        rig.dev->DrawPrimitive(PrimitiveType::TriangleList,
                               VertexFormat::XyzRhw | VertexFormat::Diffuse, tri, 3, 0);
        rig.dev->EndScene();
        EXPECT_TRUE(NearColor(rig.Pixel(8, 8), c.drawn ? 0x00ff00 : 0, 0))
            << "pre-transformed " << int(c.cull);
        // The same triangle through the camera.
        Perspective();
        struct W {
            float x, y, z;
            uint32_t c;
        };
        const W world[3] = {{-6, 6, 5, 0xff00ff00}, {6, 6, 5, 0xff00ff00}, {-6, -6, 5, 0xff00ff00}};
        rig.Clear(0);
        rig.dev->BeginScene();
        rig.dev->DrawPrimitive(PrimitiveType::TriangleList,
                               VertexFormat::Xyz | VertexFormat::Diffuse, world, 3, 0);
        rig.dev->EndScene();
        EXPECT_TRUE(NearColor(rig.Pixel(8, 8), c.drawn ? 0x00ff00 : 0, 0))
            << "transformed " << int(c.cull);
    }
}

TEST_F(GlPixel, FlatShadingTakesTheFirstVertex) {
    Untextured();
    struct V {
        float x, y, z, rhw;
        uint32_t c;
    };
    const V tri[3] = {
        {0, 0, 0.5f, 1, 0xffff0000}, {128, 0, 0.5f, 1, 0xff00ff00}, {0, 128, 0.5f, 1, 0xff0000ff}};
    for (Shade s : {Shade::Flat, Shade::Gouraud}) {
        rig.dev->SetRenderState(RenderState::ShadeMode, s);
        rig.Clear(0);
        rig.dev->BeginScene();
        rig.dev->DrawPrimitive(PrimitiveType::TriangleList,
                               VertexFormat::XyzRhw | VertexFormat::Diffuse, tri, 3, 0);
        rig.dev->EndScene();
        if (s == Shade::Flat) {
            EXPECT_TRUE(NearColor(rig.Centre(), 0xff0000, 0));
        } else {
            EXPECT_FALSE(NearColor(rig.Centre(), 0xff0000, 16));
        }
    }
}

TEST_F(GlPixel, SpecularIsAddedAfterTheStages) {
    Untextured();
    rig.dev->SetRenderState(RenderState::SpecularEnable, 1u);
    rig.Clear(0);
    Draw(0xff402010, 0xff102040);
    EXPECT_TRUE(NearColor(rig.Centre(), 0x504050));
    rig.dev->SetRenderState(RenderState::SpecularEnable, 0u);
    rig.Clear(0);
    Draw(0xff402010, 0xff102040);
    EXPECT_TRUE(NearColor(rig.Centre(), 0x402010));
}

TEST_F(GlPixel, TextureAddressingModes) {
    Ref<Surface> t = rig.RowTexture(Formats::Argb8888(), {0xffff0000, 0xff0000ff});
    rig.dev->SetTexture(0, t.Get());
    Stage(0, TextureOp::SelectArg1, TextureArg::Texture, TextureArg::Diffuse, TextureOp::SelectArg1,
          TextureArg::Texture, TextureArg::Diffuse);
    struct Case {
        TextureAddress a;
        uint32_t expected;
    };
    rig.dev->SetTextureStageState(0, StageState::BorderColor, 0xff00ff00u);
    for (const Case& c :
         {Case{TextureAddress::Wrap, 0xff0000}, Case{TextureAddress::Clamp, 0x0000ff},
          Case{TextureAddress::Mirror, 0x0000ff}, Case{TextureAddress::Border, 0x00ff00}}) {
        rig.dev->SetTextureStageState(0, StageState::Address, c.a);
        rig.Clear(0);
        rig.dev->BeginScene();
        rig.ScreenQuad(0xffffffff, 0, 0.5f, 0.0f, 2.0f);
        rig.dev->EndScene();
        // x = 38.5 of 64 reads u = 1.2.
        EXPECT_TRUE(NearColor(rig.Pixel(38, 10), c.expected, 0)) << int(c.a);
    }
}

TEST_F(GlPixel, TextureFormatsAndLoadFromSystemMemory) {
    const uint32_t color = 0xff996633;
    const PixelFormat formats[] = {Formats::Rgb555(),   Formats::Rgb565(),   Formats::Xrgb8888(),
                                   Formats::Argb1555(), Formats::Argb4444(), Formats::Argb8888()};
    Stage(0, TextureOp::SelectArg1, TextureArg::Texture, TextureArg::Diffuse, TextureOp::SelectArg1,
          TextureArg::Texture, TextureArg::Diffuse);
    for (const PixelFormat& f : formats) {
        PixelCodec codec(f);
        SurfaceDesc d;
        d.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height |
                  SurfaceDescBits::PixelFormat;
        d.caps.caps = SurfaceCapBits::Texture | SurfaceCapBits::SystemMemory;
        d.width = d.height = 4;
        d.pixelFormat = f;
        Ref<Surface> sys, tex;
        ASSERT_EQ(rig.g->CreateSurface(d, sys.Put()), Result::Ok);
        d.caps.caps = SurfaceCapBits::Texture;
        ASSERT_EQ(rig.g->CreateSurface(d, tex.Put()), Result::Ok);
        SurfaceDesc lk;
        sys->Lock(nullptr, lk, LockBits::Wait);
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 4; ++x)
                codec.Write(
                    static_cast<uint8_t*>(lk.surface) + y * lk.pitch + x * codec.BytesPerPixel(),
                    codec.FromArgb(color));
        sys->Unlock(nullptr);
        ASSERT_EQ(rig.dev->Load(tex.Get(), nullptr, sys.Get(), nullptr, 0), Result::Ok);
        rig.dev->SetTexture(0, tex.Get());
        rig.Clear(0);
        Draw(0xffffffff);
        EXPECT_TRUE(NearColor(rig.Centre(), codec.ToArgb(codec.FromArgb(color)) & 0xffffff, 1))
            << f.rgbBitCount << " bits, masks " << std::hex << f.rMask << " " << f.aMask;
    }
    // A palette texture reads through its palette, and sees palette changes.
    Ref<Surface> pal8;
    SurfaceDesc d;
    d.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height |
              SurfaceDescBits::PixelFormat;
    d.caps.caps = SurfaceCapBits::Texture;
    d.width = d.height = 2;
    d.pixelFormat = Formats::Pal8();
    ASSERT_EQ(rig.g->CreateSurface(d, pal8.Put()), Result::Ok);
    PaletteEntry entries[256] = {};
    entries[5] = {0x99, 0x66, 0x33, 0};
    Ref<Palette> pal;
    rig.g->CreatePalette(PaletteBits::Bits8 | PaletteBits::Allow256, entries, pal.Put());
    pal8->SetPalette(pal.Get());
    SurfaceDesc lk;
    pal8->Lock(nullptr, lk, LockBits::Wait);
    for (uint32_t y = 0; y < 2; ++y)
        std::memset(static_cast<uint8_t*>(lk.surface) + y * lk.pitch, 5, 2);
    pal8->Unlock(nullptr);
    rig.dev->SetTexture(0, pal8.Get());
    rig.Clear(0);
    Draw(0xffffffff);
    EXPECT_TRUE(NearColor(rig.Centre(), 0x996633, 0));
    entries[5] = {0x11, 0x22, 0x33, 0};
    pal->SetEntries(0, 5, 1, &entries[5]);
    rig.Clear(0);
    Draw(0xffffffff);
    EXPECT_TRUE(NearColor(rig.Centre(), 0x112233, 0));
}

TEST_F(GlPixel, ColourKeyEnableLeavesKeyedTexelsOut) {
    Ref<Surface> t = rig.RowTexture(Formats::Rgb565(), {0xff000000, 0xffffffff});
    ColorKey black{0, 0};
    t->SetColorKey(ColorKeyBits::SrcBlt, &black);
    rig.dev->SetTexture(0, t.Get());
    Stage(0, TextureOp::SelectArg1, TextureArg::Texture, TextureArg::Diffuse, TextureOp::SelectArg1,
          TextureArg::Texture, TextureArg::Diffuse);
    for (uint32_t on : {0u, 1u}) {
        rig.dev->SetRenderState(RenderState::ColorKeyEnable, on);
        rig.Clear(0x00ff0000);
        Draw(0xffffffff);
        EXPECT_TRUE(NearColor(rig.Pixel(10, 10), on ? 0xff0000 : 0x000000, 0)) << on;
        EXPECT_TRUE(NearColor(rig.Pixel(50, 10), 0xffffff, 0)) << on;
    }
}

TEST_F(GlPixel, StencilMasksTheSecondDraw) {
    Untextured();
    rig.dev->SetRenderState(RenderState::StencilEnable, 1u);
    rig.dev->SetRenderState(RenderState::StencilFunc, Cmp::Always);
    rig.dev->SetRenderState(RenderState::StencilRef, 1u);
    rig.dev->SetRenderState(RenderState::StencilPass, StencilOp::Replace);
    rig.Clear(0x00ff0000);
    rig.dev->BeginScene();
    rig.ScreenQuad(0xff00ff00, 0, 0.5f, 0, 1, 0, 32);
    rig.dev->SetRenderState(RenderState::StencilFunc, Cmp::Equal);
    rig.dev->SetRenderState(RenderState::StencilPass, StencilOp::Keep);
    rig.ScreenQuad(0xff0000ff, 0);
    rig.dev->EndScene();
    EXPECT_TRUE(NearColor(rig.Pixel(10, 10), 0x0000ff, 0));
    EXPECT_TRUE(NearColor(rig.Pixel(50, 10), 0xff0000, 0));
}

TEST_F(GlPixel, TextureTransformsAndCameraSpaceCoordinates) {
    Ref<Surface> t = rig.RowTexture(Formats::Argb8888(), {0xffff0000, 0xff0000ff});
    rig.dev->SetTexture(0, t.Get());
    rig.dev->SetTextureStageState(0, StageState::Address, TextureAddress::Clamp);
    Stage(0, TextureOp::SelectArg1, TextureArg::Texture, TextureArg::Diffuse, TextureOp::SelectArg1,
          TextureArg::Texture, TextureArg::Diffuse);
    // A two-component set is transformed as (u, v, 1, 0): the shift sits in the third row.
    Matrix shift = Matrix::Identity();
    shift.m[2][0] = 0.5f;
    rig.dev->SetTransform(TransformState::Texture0, shift);
    rig.dev->SetTextureStageState(0, StageState::TextureTransformFlags, TextureTransform::Count2);
    rig.Clear(0);
    Draw(0xffffffff);
    EXPECT_TRUE(NearColor(rig.Pixel(16, 10), 0x0000ff, 0)) << "shifted set";

    // Camera-space positions: u = x / 12 + 0.5 across the square at distance 5.
    Matrix gen;
    gen.m[0][0] = 1.0f / 12.0f;
    gen.m[3][0] = 0.5f;
    gen.m[3][1] = 0.5f;
    rig.dev->SetTransform(TransformState::Texture0, gen);
    rig.dev->SetTextureStageState(0, StageState::TexCoordIndex, TexCoordGen::CameraSpacePosition);
    Perspective();
    rig.Clear(0);
    DrawFacingSquare(0xffffffff);
    EXPECT_TRUE(NearColor(rig.Pixel(16, 32), 0xff0000, 0)) << "left of the camera";
    EXPECT_TRUE(NearColor(rig.Pixel(48, 32), 0x0000ff, 0)) << "right of the camera";
}

TEST_F(GlPixel, MipLevelsFollowTheScreenSize) {
    SurfaceDesc d;
    d.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height |
              SurfaceDescBits::PixelFormat | SurfaceDescBits::MipMapCount;
    d.caps.caps = SurfaceCapBits::Texture | SurfaceCapBits::MipMap | SurfaceCapBits::Complex;
    d.width = d.height = 16;
    d.mipMapCount = 3;
    d.pixelFormat = Formats::Rgb565();
    Ref<Surface> top;
    ASSERT_EQ(rig.g->CreateSurface(d, top.Put()), Result::Ok);
    const uint16_t colors[3] = {0xf800, 0x07e0, 0x001f};
    Ref<Surface> level = top;
    SurfaceCaps mip;
    mip.caps = SurfaceCapBits::Texture | SurfaceCapBits::MipMap;
    for (int i = 0; i < 3; ++i) {
        SurfaceDesc lk;
        level->Lock(nullptr, lk, LockBits::Wait);
        for (uint32_t y = 0; y < lk.height; ++y)
            for (uint32_t x = 0; x < lk.width; ++x)
                std::memcpy(static_cast<uint8_t*>(lk.surface) + y * lk.pitch + x * 2, &colors[i],
                            2);
        level->Unlock(nullptr);
        Ref<Surface> next;
        if (i < 2) {
            ASSERT_EQ(level->GetAttachedSurface(mip, next.Put()), Result::Ok);
        }
        level = next;
    }
    rig.dev->SetTexture(0, top.Get());
    Stage(0, TextureOp::SelectArg1, TextureArg::Texture, TextureArg::Diffuse, TextureOp::SelectArg1,
          TextureArg::Texture, TextureArg::Diffuse);
    rig.dev->SetTextureStageState(0, StageState::MipFilter, TextureFilter::Point);
    struct V {
        float x, y, z, rhw, u, v;
    };
    for (float size : {16.0f, 4.0f}) {
        const V q[4] = {{0, 0, 0.5f, 1, 0, 0},
                        {size, 0, 0.5f, 1, 1, 0},
                        {size, size, 0.5f, 1, 1, 1},
                        {0, size, 0.5f, 1, 0, 1}};
        rig.Clear(0);
        rig.dev->BeginScene();
        rig.dev->DrawPrimitive(PrimitiveType::TriangleFan,
                               VertexFormat::XyzRhw | VertexFormat::Tex1, q, 4, 0);
        rig.dev->EndScene();
        EXPECT_TRUE(NearColor(rig.Pixel(1, 1), size == 16.0f ? 0xff0000 : 0x0000ff, 0)) << size;
    }
}

}  // namespace
