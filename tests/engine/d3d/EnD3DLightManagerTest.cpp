#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/core/EnMatrix3.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/core/EnVertexColorProperty.h"
#include "engine/d3d/EnD3DLightManager.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/geometry/EnAmbientLight.h"
#include "engine/geometry/EnDirectionalLight.h"
#include "engine/geometry/EnDynamicEffectState.h"
#include "engine/geometry/EnPointLight.h"
#include "engine/geometry/EnSpotLight.h"
#include "tests/engine/d3d/D3DTestSupport.h"

using namespace d3dtest;

namespace {

class Lights : public NullRendererTest {
protected:
    void SetUp() override {
        NullRendererTest::SetUp();
        ASSERT_NE(Create(0x09), nullptr);
        m_lights = m_renderer->GetLightManager();
        m_mode = new EnTextureModeProperty;
        m_colors = new EnVertexColorProperty;
    }
    void TearDown() override {
        m_effects.clear();
        m_keep.clear();
        NullRendererTest::TearDown();
    }
    template <class T>
    T* Keep(T* light) {
        m_keep.push_back(light);
        light->Update(0.0f);
        return light;
    }
    EnDynamicEffectState* State(std::initializer_list<EnLight*> lights) {
        auto* state = new EnDynamicEffectState;
        for (EnLight* light : lights) state->AddEffect(light);
        m_effects.push_back(state);
        return state;
    }
    size_t Draw(EnDynamicEffectState* state, bool texture = false) {
        const size_t mark = LogMark();
        m_lights->SetLighting(state, texture, m_mode, m_colors);
        return mark;
    }
    bool Enabled(uint32_t index) {
        auto& lights = Device()->Lights();
        auto it = lights.find(index);
        return it != lights.end() && it->second.enabled;
    }
    uint32_t RS(RenderState s) { return Device()->RS(s); }

    EnD3DLightManager* m_lights = nullptr;
    EnPointer<EnTextureModeProperty> m_mode;
    EnPointer<EnVertexColorProperty> m_colors;
    std::vector<EnPointer<EnLight>> m_keep;
    std::vector<EnPointer<EnDynamicEffectState>> m_effects;
};

TEST_F(Lights, LightsBecomeDeviceLightsOfTheirKind) {
    EnMatrix3 turn;
    turn.MakeZRotation(0.5f);
    auto* sun = Keep(new EnDirectionalLight);
    sun->SetLocalRotate(turn);
    sun->SetDiffuseColor(EnColorRGB(1.0f, 0.5f, 0.25f));
    sun->SetDimmer(0.5f);
    sun->Update(0.0f);
    auto* lamp = Keep(new EnPointLight);
    lamp->SetLocalTranslate(EnVector3(1.0f, 2.0f, 3.0f));
    lamp->SetConstantAttenuation(0.5f);
    lamp->SetLinearAttenuation(0.25f);
    lamp->SetQuadraticAttenuation(0.125f);
    lamp->Update(0.0f);
    auto* spot = Keep(new EnSpotLight);
    spot->SetSpotAngle(30.0f);
    spot->SetSpotExponent(2.0f);
    spot->Update(0.0f);

    Draw(State({sun, lamp, spot}));
    EXPECT_EQ(RS(RenderState::Lighting), 1u);
    EXPECT_EQ(m_lights->GetEnabledCount(), 3u);
    const auto& device = Device()->Lights();

    const Light& d = device.at(sun->GetIndex()).light;
    EXPECT_EQ(d.type, LightType::Directional);
    EXPECT_EQ(d.direction, (Vector3{sun->GetWorldDirection().x, sun->GetWorldDirection().y,
                                    sun->GetWorldDirection().z}));
    EXPECT_EQ(d.diffuse, (ColorValue{0.5f, 0.25f, 0.125f, 0.0f}));
    EXPECT_EQ(d.specular, (ColorValue{0.5f, 0.5f, 0.5f, 0.0f}));

    const Light& p = device.at(lamp->GetIndex()).light;
    EXPECT_EQ(p.type, LightType::Point);
    EXPECT_EQ(p.position, (Vector3{1.0f, 2.0f, 3.0f}));
    EXPECT_EQ(p.attenuation0, 0.5f);
    EXPECT_EQ(p.attenuation1, 0.25f);
    EXPECT_EQ(p.attenuation2, 0.125f);
    EXPECT_EQ(p.range, std::sqrt(std::numeric_limits<float>::max()));

    const Light& s = device.at(spot->GetIndex()).light;
    EXPECT_EQ(s.type, LightType::Spot);
    // The engine's half angle in degrees becomes the whole cone in radians.
    EXPECT_FLOAT_EQ(s.theta, 30.0f * 3.14159265f / 90.0f);
    EXPECT_FLOAT_EQ(s.phi, s.theta);
    EXPECT_EQ(s.falloff, 2.0f);
}

TEST_F(Lights, SharedEffectStateEnablesNothingAgain) {
    auto* lamp = Keep(new EnPointLight);
    EnDynamicEffectState* state = State({lamp});
    size_t mark = Draw(state);
    EXPECT_EQ(Calls("Device::LightEnable", mark).size(), 1u);
    EXPECT_EQ(Calls("Device::SetLight", mark).size(), 1u);
    mark = Draw(state);
    EXPECT_TRUE(Calls("Device::LightEnable", mark).empty());

    // A new frame starts with no light; the same light is enabled again but not refilled.
    m_lights->DisableAllLights();
    EXPECT_FALSE(Enabled(lamp->GetIndex()));
    mark = Draw(state);
    EXPECT_EQ(Calls("Device::SetLight", mark).size(), 0u);
    EXPECT_TRUE(Enabled(lamp->GetIndex()));

    // A moved light is refilled.
    lamp->IncrementRevision();
    m_lights->DisableAllLights();
    mark = Draw(state);
    EXPECT_EQ(Calls("Device::SetLight", mark).size(), 1u);
}

TEST_F(Lights, DimmedOrSwitchedOffLightsStayOff) {
    struct Case {
        float dimmer;
        bool on;
        bool enabled;
    };
    const Case cases[] = {{0.005f, true, false}, {0.01f, true, true}, {1.0f, false, false}};
    for (const Case& c : cases) {
        auto* lamp = Keep(new EnPointLight);
        lamp->SetDimmer(c.dimmer);
        lamp->SetSwitch(c.on);
        Draw(State({lamp}));
        EXPECT_EQ(Enabled(lamp->GetIndex()), c.enabled) << c.dimmer << " " << c.on;
    }
}

TEST_F(Lights, AmbientLightsAddUpAndSaturate) {
    auto grey = [&]() {
        auto* light = Keep(new EnAmbientLight);
        light->SetAmbientColor(EnColorRGB(0.5f, 0.5f, 0.5f));
        return light;
    };
    EnLight* first = grey();
    Draw(State({first}));
    EXPECT_EQ(RS(RenderState::Ambient), 0xff7f7f7fu);
    EXPECT_EQ(m_lights->GetEnabledCount(), 0u);
    Draw(State({first, grey()}));
    EXPECT_EQ(RS(RenderState::Ambient), 0xffffffffu);
    // Far past full intensity it stays full instead of wrapping.
    Draw(State({first, grey(), grey(), grey()}));
    EXPECT_EQ(RS(RenderState::Ambient), 0xffffffffu);
}

TEST_F(Lights, LightIsSentOnFirstUseWhateverItsRevision) {
    auto* lamp = Keep(new EnPointLight);
    while (lamp->GetRevision() != 0) lamp->IncrementRevision();  // a counter that came round
    const size_t mark = Draw(State({lamp}));
    EXPECT_EQ(Calls("Device::SetLight", mark).size(), 1u);
    EXPECT_EQ(Device()->Lights().at(lamp->GetIndex()).light.type, LightType::Point);
}

TEST_F(Lights, VertexColourModesChooseMaterialSourcesAndLighting) {
    using VC = EnVertexColorProperty;
    struct Case {
        VC::LightingMode lighting;
        VC::SourceVertexMode source;
        uint32_t mode;
        bool lit, useLights;
    };
    const Case cases[] = {
        {VC::LIGHTING_E, VC::SOURCE_IGNORE, 0, true, false},
        {VC::LIGHTING_E, VC::SOURCE_AMB_DIFF, 0, true, false},
        {VC::LIGHTING_E, VC::SOURCE_EMISSIVE, 1, false, false},
        {VC::LIGHTING_E_A_D, VC::SOURCE_IGNORE, 0, true, true},
        {VC::LIGHTING_E_A_D, VC::SOURCE_EMISSIVE, 1, true, true},
        {VC::LIGHTING_E_A_D, VC::SOURCE_AMB_DIFF, 2, true, true},
    };
    auto* lamp = Keep(new EnPointLight);
    auto* ambient = Keep(new EnAmbientLight);
    ambient->SetAmbientColor(EnColorRGB(0.2f, 0.2f, 0.2f));
    EnDynamicEffectState* state = State({lamp, ambient});
    for (const Case& c : cases) {
        m_colors->SetLightingMode(c.lighting);
        m_colors->SetSourceMode(c.source);
        Draw(state);
        SCOPED_TRACE(testing::Message() << c.lighting << " " << c.source);
        EXPECT_EQ(m_lights->GetSourceMode(), c.mode);
        EXPECT_EQ(RS(RenderState::Lighting), c.lit ? 1u : 0u);
        EXPECT_EQ(RS(RenderState::EmissiveMaterialSource),
                  uint32_t(c.mode == 1 ? MaterialSource::Color1 : MaterialSource::Material));
        EXPECT_EQ(RS(RenderState::DiffuseMaterialSource),
                  uint32_t(c.mode == 2 ? MaterialSource::Color1 : MaterialSource::Material));
        EXPECT_EQ(RS(RenderState::AmbientMaterialSource),
                  uint32_t(c.mode == 2 ? MaterialSource::Color1 : MaterialSource::Material));
        if (c.lit) {
            EXPECT_EQ(Enabled(lamp->GetIndex()), c.useLights);
            EXPECT_EQ(RS(RenderState::Ambient), c.useLights ? 0xff333333u : 0xff000000u);
        }
    }
}

TEST_F(Lights, ReplacedTexturesDrawUnlit) {
    auto* lamp = Keep(new EnPointLight);
    Draw(State({lamp}));
    EXPECT_EQ(RS(RenderState::Lighting), 1u);
    m_mode->SetApplyMode(EnTextureModeProperty::APPLY_REPLACE);
    Draw(State({lamp}), true);
    EXPECT_EQ(RS(RenderState::Lighting), 0u);
    // Without a texture the replace mode does not matter.
    Draw(State({lamp}), false);
    EXPECT_EQ(RS(RenderState::Lighting), 1u);
}

TEST_F(Lights, DestroyedLightsAreForgottenByEveryRenderer) {
    EnPointer<EnD3DRender> second =
        EnD3DRender::Create(0, 640, 480, 0x09, m_window, nullptr, nullptr);
    ASSERT_NE(second, nullptr);
    EnPointer<EnPointLight> lamp = new EnPointLight;
    EnPointer<EnDynamicEffectState> state = new EnDynamicEffectState;
    state->AddEffect(lamp);
    m_lights->SetLighting(state, false, m_mode, m_colors);
    second->GetLightManager()->SetLighting(state, false, m_mode, m_colors);
    EXPECT_EQ(m_lights->GetRecordCount(), 1u);
    EXPECT_EQ(second->GetLightManager()->GetRecordCount(), 1u);
    const uint32_t index = lamp->GetIndex();
    state = nullptr;
    lamp = nullptr;
    EXPECT_EQ(m_lights->GetRecordCount(), 0u);
    EXPECT_EQ(m_lights->GetEnabledCount(), 0u);
    EXPECT_EQ(second->GetLightManager()->GetRecordCount(), 0u);
    EXPECT_FALSE(Enabled(index));
}

}  // namespace
