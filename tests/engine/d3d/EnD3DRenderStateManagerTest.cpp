#include <gtest/gtest.h>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnColorRGB.h"
#include "engine/core/EnFogProperty.h"
#include "engine/core/EnFrustum.h"
#include "engine/core/EnMaterialProperty.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnShadeProperty.h"
#include "engine/core/EnSpecularProperty.h"
#include "engine/core/EnStencilProperty.h"
#include "engine/core/EnTransparentProperty.h"
#include "engine/core/EnWireframeProperty.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/d3d/EnD3DRenderStateManager.h"
#include "tests/engine/d3d/D3DTestSupport.h"

using namespace d3dtest;

namespace {

using Sent = std::vector<std::string>;

class RenderStates : public NullRendererTest {
protected:
    void SetUp() override {
        NullRendererTest::SetUp();
        ASSERT_NE(Create(0x09), nullptr) << EnD3DRender::GetLastError();
        m_states = m_renderer->GetRenderStateManager();
        // Near 1, far 101, as fog is measured against the camera's depth range.
        m_renderer->SetViewFromCamera(EnVector3::ZERO, EnVector3::UNIT_X, EnVector3::UNIT_Y,
                                      EnVector3::UNIT_Z,
                                      EnFrustum{-1.0f, 1.0f, 1.0f, -1.0f, 1.0f, 101.0f},
                                      EnRect<float>{0.0f, 1.0f, 1.0f, 0.0f});
        m_base = new EnPropertyState;
        Apply(m_base);
    }
    // The render states the manager sends for one object.
    Sent Apply(EnPropertyState* state) {
        const size_t mark = LogMark();
        m_states->UpdateRenderStates(state);
        return Calls("Device::SetRenderState", mark);
    }
    EnPropertyState* With(EnProperty* property) {
        auto* state = new EnPropertyState(*m_base);
        state->SetProperty(property);
        m_keep.push_back(state);
        return state;
    }
    uint32_t RS(RenderState s) { return Device()->RS(s); }

    EnD3DRenderStateManager* m_states = nullptr;
    EnPointer<EnPropertyState> m_base;
    std::vector<EnPointer<EnPropertyState>> m_keep;
};

TEST_F(RenderStates, DefaultsAreSentOnceAtCreationInOrder) {
    const Sent all = Calls("Device::SetRenderState");
    auto first = std::find(all.begin(), all.end(), "CullMode, 0x2");
    ASSERT_NE(first, all.end());
    const Sent defaults(first, first + std::min<size_t>(27, all.end() - first));
    EXPECT_EQ(defaults, (Sent{
                            "CullMode, 0x2",
                            "MonoEnable, 0x0",
                            "LastPixel, 0x0",
                            "StippleEnable, 0x0",
                            "StippledAlpha, 0x0",
                            "AntiAlias, 0x0",
                            "FillMode, 0x3",
                            "TexturePerspective, 0x1",
                            "ShadeMode, 0x2",
                            "ColorKeyEnable, 0x0",
                            "AlphaBlendEnable, 0x0",
                            "SrcBlend, 0x4",
                            "DestBlend, 0x5",
                            "AlphaTestEnable, 0x0",
                            "AlphaFunc, 0x7",
                            "AlphaRef, 0x0",
                            "ZFunc, 0x7",
                            "ZWriteEnable, 0x0",
                            "DitherEnable, 0x0",
                            "SpecularEnable, 0x0",
                            "FogEnable, 0x0",
                            "FogTableMode, 0x3",
                            "FogVertexMode, 0x3",
                            "RangeFogEnable, 0x0",
                            "FogColor, 0x0",
                            "NormalizeNormals, 0x0",
                            "ZEnable, 0x1",
                        }));
    EXPECT_EQ(std::count(all.begin(), all.end(), "CullMode, 0x2"), 1);
}

TEST_F(RenderStates, OnlyChangedStatesAreSent) {
    EXPECT_TRUE(Apply(m_base).empty());

    struct Case {
        EnProperty* property;
        Sent sent;
    };
    EnPointer<EnWireframeProperty> wire = new EnWireframeProperty;
    wire->SetWireframe(true);
    EnPointer<EnShadeProperty> flat = new EnShadeProperty;
    flat->SetSmooth(false);
    EnPointer<EnTransparentProperty> keyed = new EnTransparentProperty;
    keyed->SetTransparent(true);
    EnPointer<EnSpecularProperty> specular = new EnSpecularProperty;
    specular->SetSpecular(true);
    EnPointer<EnZBufferProperty> z = new EnZBufferProperty;
    z->SetZBufferTest(true);
    z->SetZBufferWrite(true);
    const Case cases[] = {
        {wire, {"FillMode, 0x2"}},
        {flat, {"ShadeMode, 0x1"}},
        {keyed, {"ColorKeyEnable, 0x1"}},
        {specular, {"SpecularEnable, 0x1"}},
        {z, {"ZFunc, 0x3", "ZWriteEnable, 0x1"}},
    };
    for (const Case& c : cases) {
        EnPropertyState* state = With(c.property);
        EXPECT_EQ(Apply(state), c.sent) << c.property->GetClassName();
        EXPECT_TRUE(Apply(state).empty()) << c.property->GetClassName();
        // Going back sends the same states with their old values, and nothing else.
        EXPECT_EQ(Apply(m_base).size(), c.sent.size()) << c.property->GetClassName();
    }
}

TEST_F(RenderStates, AlphaPropertyAppliedTwiceInARowIsSkippedWhole) {
    EnPointer<EnAlphaProperty> alpha = new EnAlphaProperty;
    alpha->SetAlphaBlending(true);
    alpha->SetSrcBlendMode(EnAlphaProperty::ALPHA_ONE);
    alpha->SetDestBlendMode(EnAlphaProperty::ALPHA_ONE);
    alpha->SetAlphaTesting(true);
    alpha->SetTestMode(EnAlphaProperty::TEST_GREATER);
    alpha->SetAlphaTestRef(128);
    EnPropertyState* first = With(alpha);
    EXPECT_EQ(Apply(first), (Sent{"AlphaBlendEnable, 0x1", "SrcBlend, 0x1", "DestBlend, 0x1",
                                  "AlphaTestEnable, 0x1", "AlphaFunc, 0x4", "AlphaRef, 0x80"}));

    // A second object with the same alpha property sends no alpha state, even after the
    // property itself changed.
    EnPointer<EnZBufferProperty> z = new EnZBufferProperty;
    z->SetZBufferTest(true);
    EnPropertyState* second = new EnPropertyState(*first);
    m_keep.push_back(second);
    second->SetProperty(z);
    alpha->SetSrcBlendMode(EnAlphaProperty::ALPHA_SRCALPHA);
    EXPECT_EQ(Apply(second), (Sent{"ZFunc, 0x3"}));
    EXPECT_EQ(RS(RenderState::SrcBlend), uint32_t(Blend::One));

    // A new frame looks at it again.
    m_states->BeginFrame();
    EXPECT_EQ(Apply(second), (Sent{"SrcBlend, 0x4"}));
}

TEST_F(RenderStates, BlendingOffLeavesTheFactorsAlone) {
    EnPointer<EnAlphaProperty> on = new EnAlphaProperty;
    on->SetAlphaBlending(true);
    on->SetSrcBlendMode(EnAlphaProperty::ALPHA_DESTCOLOR);
    on->SetDestBlendMode(EnAlphaProperty::ALPHA_ZERO);
    Apply(With(on));
    EnPointer<EnAlphaProperty> off = new EnAlphaProperty;
    off->SetSrcBlendMode(EnAlphaProperty::ALPHA_ONE);
    EXPECT_EQ(Apply(With(off)), (Sent{"AlphaBlendEnable, 0x0"}));
    EXPECT_EQ(RS(RenderState::SrcBlend), uint32_t(Blend::DestColor));
    EXPECT_EQ(RS(RenderState::DestBlend), uint32_t(Blend::Zero));
}

TEST_F(RenderStates, EveryEngineBlendAndTestFunctionHasItsDeviceValue) {
    const Blend blends[] = {Blend::One,          Blend::Zero,        Blend::SrcColor,
                            Blend::InvSrcColor,  Blend::DestColor,   Blend::InvDestColor,
                            Blend::SrcAlpha,     Blend::InvSrcAlpha, Blend::DestAlpha,
                            Blend::InvDestAlpha, Blend::SrcAlphaSat};
    for (uint32_t i = 0; i < 11; i++) EXPECT_EQ(EnD3DRenderStateManager::BlendFactor(i), blends[i]);
    const Cmp tests[] = {Cmp::Always,  Cmp::Less,     Cmp::Equal,        Cmp::LessEqual,
                         Cmp::Greater, Cmp::NotEqual, Cmp::GreaterEqual, Cmp::Never};
    for (uint32_t i = 0; i < 8; i++) EXPECT_EQ(EnD3DRenderStateManager::AlphaTest(i), tests[i]);
    EXPECT_EQ(m_states->GetSupportedSourceBlends(), 0x7ffu);
    EXPECT_EQ(m_states->GetSupportedDestBlends(), 0x7ffu);
}

TEST_F(RenderStates, FogSpansTheDepthFromTheFarPlane) {
    struct Case {
        float depth, maxFog;
        float start, end;
    };
    const Case cases[] = {
        {0.0f, 1.0f, 101.0f, 101.0f},
        {0.5f, 1.0f, 51.0f, 101.0f},
        {0.5f, 0.5f, 51.0f, 151.0f},
        {1.0f, 0.25f, 1.0f, 401.0f},
    };
    for (const Case& c : cases) {
        EnPointer<EnFogProperty> fog = new EnFogProperty;
        fog->SetFog(true);
        fog->SetDepth(c.depth);
        fog->SetFogColor(EnColorRGB(1.0f, 0.5f, 0.25f));
        m_renderer->SetMaxFogValue(c.maxFog);
        Apply(With(fog));
        EXPECT_EQ(RS(RenderState::FogEnable), 1u);
        EXPECT_FLOAT_EQ(BitsFloat(RS(RenderState::FogStart)), c.start)
            << c.depth << " " << c.maxFog;
        EXPECT_FLOAT_EQ(BitsFloat(RS(RenderState::FogEnd)), c.end) << c.depth << " " << c.maxFog;
        EXPECT_EQ(RS(RenderState::FogColor), 0x00ff7f3fu);
    }
}

TEST_F(RenderStates, FogFunctionsSwitchBetweenTableRangeAndNoFog) {
    EnPointer<EnFogProperty> range = new EnFogProperty;
    range->SetFog(true);
    range->SetFogFunction(EnFogProperty::FOG_RANGE_SQ);
    const Sent toRange = Apply(With(range));
    EXPECT_NE(std::find(toRange.begin(), toRange.end(), "FogTableMode, 0x0"), toRange.end());
    EXPECT_EQ(toRange.back(), "RangeFogEnable, 0x1");
    EXPECT_EQ(RS(RenderState::FogVertexMode), uint32_t(FogMode::Linear));

    EnPointer<EnFogProperty> linear = new EnFogProperty;
    linear->SetFog(true);
    linear->SetFogFunction(EnFogProperty::FOG_Z_LINEAR);
    Apply(With(linear));
    EXPECT_EQ(RS(RenderState::FogTableMode), uint32_t(FogMode::Linear));
    EXPECT_EQ(RS(RenderState::FogVertexMode), uint32_t(FogMode::None));
    EXPECT_EQ(RS(RenderState::RangeFogEnable), 0u);

    EnPointer<EnFogProperty> vertexAlpha = new EnFogProperty;
    vertexAlpha->SetFog(true);
    vertexAlpha->SetFogFunction(EnFogProperty::FOG_VERTEX_ALPHA);
    Apply(With(vertexAlpha));
    EXPECT_EQ(RS(RenderState::FogEnable), 0u);

    EnPointer<EnFogProperty> off = new EnFogProperty;
    Apply(With(linear));
    EXPECT_EQ(RS(RenderState::FogEnable), 1u);
    EXPECT_EQ(Apply(With(off)), (Sent{"FogEnable, 0x0"}));
}

TEST_F(RenderStates, EnabledStencilIsSentForEveryObject) {
    EnPointer<EnStencilProperty> stencil = new EnStencilProperty;
    stencil->SetStencilOn(true);
    stencil->SetStencilFunction(EnStencilProperty::TEST_LESSEQUAL);
    stencil->SetStencilReference(3);
    stencil->SetStencilMask(0xf0);
    stencil->SetStencilFailAction(EnStencilProperty::ACTION_ZERO);
    stencil->SetStencilPassZFailAction(EnStencilProperty::ACTION_DECREMENT);
    stencil->SetStencilPassAction(EnStencilProperty::ACTION_INVERT);
    EnPropertyState* state = With(stencil);
    const Sent seven{"StencilEnable, 0x1", "StencilFunc, 0x3", "StencilRef, 0x3",
                     "StencilMask, 0xf0",  "StencilFail, 0x1", "StencilZFail, 0x4",
                     "StencilPass, 0x5"};
    EXPECT_EQ(Apply(state), seven);
    EXPECT_EQ(Apply(state), seven);
    EXPECT_EQ(Apply(m_base), (Sent{"StencilEnable, 0x0"}));
    EXPECT_TRUE(Apply(m_base).empty());
}

TEST_F(RenderStates, MaterialsAreConvertedOncePerRevisionAndSetOnChange) {
    EnPointer<EnMaterialProperty> red = new EnMaterialProperty;
    red->SetDiffuseColor(EnColorRGB(1.0f, 0.0f, 0.0f));
    red->SetEmittance(EnColorRGB(0.0f, 0.25f, 0.0f));
    red->SetShineness(12.0f);
    red->SetAlpha(0.5f);
    EnPointer<EnMaterialProperty> blue = new EnMaterialProperty;
    blue->SetDiffuseColor(EnColorRGB(0.0f, 0.0f, 1.0f));
    EnPropertyState* redState = With(red);
    EnPropertyState* blueState = With(blue);

    auto materials = [&](EnPropertyState* state) {
        const size_t mark = LogMark();
        m_states->UpdateRenderStates(state);
        return Calls("Device::SetMaterial", mark).size();
    };
    EXPECT_EQ(materials(redState), 1u);
    const Material& m = Device()->CurrentMaterial();
    EXPECT_EQ(m.diffuse, (ColorValue{1.0f, 0.0f, 0.0f, 0.5f}));
    EXPECT_EQ(m.emissive, (ColorValue{0.0f, 0.25f, 0.0f, 0.5f}));
    EXPECT_EQ(m.ambient, (ColorValue{0.5f, 0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(m.power, 12.0f);
    EXPECT_EQ(materials(redState), 0u);
    EXPECT_EQ(materials(blueState), 1u);
    EXPECT_EQ(materials(redState), 1u);
    const uint32_t records = m_states->GetMaterialCache().GetCount();

    red->SetDiffuseColor(EnColorRGB(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(materials(redState), 1u);
    EXPECT_EQ(Device()->CurrentMaterial().diffuse, (ColorValue{0.0f, 1.0f, 0.0f, 0.5f}));
    EXPECT_EQ(materials(redState), 0u);
    EXPECT_EQ(m_states->GetMaterialCache().GetCount(), records);
}

}  // namespace
