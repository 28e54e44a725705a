// The texture pipeline on the null device: the capability tables and the multitexture probe,
// the passes that texture, texture-mode, multi-texture and texture-effect properties become
// for devices with and without single-pass pairs, the stage states each pass sets, the
// coordinate generators, the unsupported-feature mask and transformed vertices.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnFogProperty.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/d3d/EnD3DRenderStateManager.h"
#include "engine/d3d/EnD3DTexturePipeline.h"
#include "engine/d3d/EnD3DVertexBufferPool.h"
#include "engine/geometry/EnDynamicEffectState.h"
#include "engine/geometry/EnMultiTextureProperty.h"
#include "engine/geometry/EnTextureEffect.h"
#include "engine/geometry/EnTextureProperty.h"
#include "tests/engine/d3d/D3DTestSupport.h"
#include "tests/engine/d3d/TextureTestSupport.h"

using namespace d3dtest;

namespace {

using Pipeline = EnD3DTexturePipeline;
using AM = EnTextureModeProperty;
using Kind = EnD3DStageRecord;

constexpr uint32_t OP(TextureOp op) {
    return uint32_t(op);
}

GfxConfig WithDevice(void (*change)(DeviceDesc&)) {
    GfxConfig config = GfxConfig::Standard();
    change(config.drivers[0].devices[0].desc);
    return config;
}

GfxConfig OneStage() {
    return WithDevice([](DeviceDesc& d) {
        d.maxTextureBlendStages = 1;
        d.maxSimultaneousTextures = 1;
    });
}

class PipelineTest : public NullRendererTest {
protected:
    void SetUp() override {}
    // A renderer (and its pipeline) on a device of the configuration; the hook, when given,
    // decides every validation of the probe.
    void Make(GfxConfig config = GfxConfig::Standard(), SoftBackend::ValidateHook hook = {},
              uint32_t flags = 0x09) {
        Install(std::move(config));
        if (hook) m_backend->SetValidateHook(std::move(hook));
        ASSERT_NE(Create(flags), nullptr) << EnD3DRender::GetLastError();
        m_backend->SetValidateHook({});
        m_pipeline = m_renderer->GetTexturePipeline();
        ASSERT_NE(m_pipeline, nullptr);
    }
    bool HasLine(const std::string& text) {
        for (const std::string& line : Lines())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

    Pipeline* m_pipeline = nullptr;
};

// ---- capabilities and the probe ----

TEST_F(PipelineTest, FilterTableFollowsTheFilterCaps) {
    namespace TF = TextureFilterCapBits;
    const uint32_t P = uint32_t(TextureFilter::Point), L = uint32_t(TextureFilter::Linear),
                   N = uint32_t(TextureFilter::None);
    struct Case {
        uint32_t caps;
        uint32_t table[6][3];  // min, mag, mip per filter mode
        int warnings;
    };
    const Case cases[] = {
        {TF::MinfLinear | TF::MagfLinear | TF::MipfLinear | TF::MinfPoint | TF::MagfPoint,
         {{P, P, N}, {L, L, N}, {L, L, L}, {P, P, P}, {P, P, L}, {L, L, P}},
         0},
        {TF::MinfPoint | TF::MagfPoint | TF::MipfPoint,
         {{P, P, N}, {P, P, N}, {P, P, P}, {P, P, P}, {P, P, P}, {P, P, P}},
         0},
        // Per-stage mip bits without magnification or minification: warned twice.
        {TF::MipfLinear, {{P, P, N}, {P, P, N}, {P, P, L}, {P, P, P}, {P, P, L}, {P, P, P}}, 2},
        {0, {{P, P, N}, {P, P, N}, {P, P, N}, {P, P, N}, {P, P, N}, {P, P, N}}, 1},
        // The older combined bits.
        {TF::Linear | TF::MipNearest | TF::LinearMipLinear,
         {{P, P, N}, {L, L, N}, {L, L, L}, {P, P, P}, {P, P, N}, {L, L, N}},
         0},
        {TF::Nearest | TF::MipLinear | TF::LinearMipNearest,
         {{P, P, N}, {P, P, N}, {P, P, P}, {P, P, N}, {P, P, L}, {P, P, P}},
         0},
    };
    for (const Case& c : cases) {
        m_renderer = nullptr;
        m_capture.Clear();
        GfxConfig config = GfxConfig::Standard();
        config.drivers[0].devices[0].desc.triCaps.textureFilterCaps = c.caps;
        Make(config);
        for (uint32_t mode = 0; mode < 6; mode++)
            for (uint32_t which = 0; which < 3; which++)
                EXPECT_EQ(m_pipeline->GetFilterState(mode, which), c.table[mode][which])
                    << "caps 0x" << std::hex << c.caps << " mode " << mode << " state " << which;
        int warnings = 0;
        for (const std::string& line : Lines())
            warnings += line ==
                        "EN D3D Renderer WARNING: (Creation): Device does not support "
                        "texture filtering";
        EXPECT_EQ(warnings, c.warnings) << "caps 0x" << std::hex << c.caps;
    }
}

TEST_F(PipelineTest, StageZeroOperationsAndFlagsFollowTheBlendCaps) {
    Make();
    EXPECT_EQ(m_pipeline->GetFlags() & (Pipeline::FLAG_INDEPENDENT_UV | Pipeline::FLAG_DECAL_ALPHA |
                                        Pipeline::FLAG_PROJECTED),
              uint32_t(Pipeline::FLAG_INDEPENDENT_UV | Pipeline::FLAG_DECAL_ALPHA |
                       Pipeline::FLAG_PROJECTED));
    EXPECT_EQ(m_pipeline->GetStage0ColorOp(AM::APPLY_REPLACE), OP(TextureOp::SelectArg1));
    EXPECT_EQ(m_pipeline->GetStage0ColorOp(AM::APPLY_DECAL), OP(TextureOp::BlendTextureAlpha));
    EXPECT_EQ(m_pipeline->GetStage0AlphaOp(AM::APPLY_MODULATE), OP(TextureOp::Modulate));
    EXPECT_EQ(m_pipeline->GetStage0ColorOp(AM::APPLY_HILIGHT2), OP(TextureOp::Modulate));
    EXPECT_EQ(m_pipeline->GetStage0AlphaOp(AM::APPLY_HILIGHT), OP(TextureOp::SelectArg1));

    m_renderer = nullptr;
    Make(WithDevice([](DeviceDesc& d) {
        d.triCaps.textureBlendCaps &=
            ~(TextureBlendCapBits::DecalAlpha | TextureBlendCapBits::ModulateAlpha);
        d.triCaps.textureAddressCaps &= ~TextureAddressCapBits::IndependentUV;
        d.triCaps.textureCaps &= ~TextureCapBits::Projected;
    }));
    EXPECT_EQ(m_pipeline->GetFlags() & (Pipeline::FLAG_INDEPENDENT_UV | Pipeline::FLAG_DECAL_ALPHA |
                                        Pipeline::FLAG_PROJECTED),
              0u);
    EXPECT_EQ(m_pipeline->GetStage0ColorOp(AM::APPLY_DECAL), OP(TextureOp::SelectArg1));
    EXPECT_EQ(m_pipeline->GetStage0AlphaOp(AM::APPLY_MODULATE), OP(TextureOp::SelectArg1));
}

TEST_F(PipelineTest, ASingleStageDeviceIsNotProbed) {
    Make(OneStage());
    EXPECT_FALSE(HasLine("single-pass"));
    EXPECT_FALSE(HasLine("multitexture modes"));
    for (uint32_t a = 0; a < 8; a++) {
        for (uint32_t b = 0; b < 8; b++) {
            EXPECT_EQ(m_pipeline->GetMultitextureEntry(Kind::KIND_ADD, a, b), 2);
            EXPECT_EQ(m_pipeline->GetMultitextureEntry(Kind::KIND_MODULATE2X, a, b), 0);
        }
    }
    m_renderer = nullptr;
    m_capture.Clear();
    Make(GfxConfig::Standard(), {}, 0x09 | EnD3DRender::CREATE_NO_MULTITEXTURE);
    EXPECT_FALSE(HasLine("Attempting to initialize multitexturing"));
    EXPECT_EQ(m_pipeline->GetMultitextureEntry(Kind::KIND_DECAL, 1, 1), 2);
}

TEST_F(PipelineTest, ProbeRecordsWhichPairsValidate) {
    // Modulate x2 in the second stage never validates; nothing else is refused.
    Make(GfxConfig::Standard(), [](const SoftDevice& device, uint32_t* passes) {
        if (device.TSS(1, StageState::ColorOp) == OP(TextureOp::Modulate2X))
            return Result::UnsupportedColorOperation;
        return device.ValidateStages(passes);
    });
    EXPECT_EQ(m_pipeline->GetMultitextureEntry(Kind::KIND_ADD, 1, 5), 0x82);
    EXPECT_EQ(m_pipeline->GetMultitextureEntry(Kind::KIND_MODULATE, 6, 2), 0x82);
    EXPECT_EQ(m_pipeline->GetMultitextureEntry(Kind::KIND_MODULATE2X, 1, 1), 0);
    EXPECT_EQ(m_pipeline->GetMultitextureEntry(Kind::KIND_ADD, 7, 1), 0);  // no such texture
    EXPECT_TRUE(HasLine("(Creation): Number of available single-pass multitexture modes: 147"));
    EXPECT_TRUE(HasLine("(Creation): Number of available multi-pass multitexture modes: 0"));
    EXPECT_TRUE(HasLine("(Creation): Number of available invalid multitexture modes: 49"));

    // A device that validates no pair keeps the two-pass values alone.
    m_renderer = nullptr;
    m_capture.Clear();
    Make(GfxConfig::Standard(), [](const SoftDevice& device, uint32_t* passes) {
        if (device.TSS(1, StageState::ColorOp) != OP(TextureOp::Disable))
            return Result::TooManyOperations;
        return device.ValidateStages(passes);
    });
    EXPECT_TRUE(HasLine("(Creation): Device supports no single-pass modes"));
    EXPECT_EQ(m_pipeline->GetMultitextureEntry(Kind::KIND_DECAL, 3, 4), 2);
    EXPECT_EQ(m_pipeline->GetMultitextureEntry(Kind::KIND_MODULATE2X, 3, 4), 0);
    EXPECT_TRUE(HasLine("(Creation): Number of available multi-pass multitexture modes: 147"));
    EXPECT_FALSE(m_pipeline->GetFlags() & Pipeline::FLAG_VERTEX_LAST);
}

TEST_F(PipelineTest, ProbeChoosesWhereTheVertexColourIsCombined) {
    const GfxConfig threeStages = WithDevice([](DeviceDesc& d) { d.maxTextureBlendStages = 3; });
    // Equal counts stay with the vertex colour in the first stage.
    Make(threeStages);
    EXPECT_TRUE(HasLine("(Creation): - trying single-pass vertex-last"));
    EXPECT_TRUE(
        HasLine("(Creation): Device supports an equal number ofsingle-pass vertex-first "
                "and vertex-last modes"));
    EXPECT_FALSE(m_pipeline->GetFlags() & Pipeline::FLAG_VERTEX_LAST);

    // Only set-ups with the vertex colour in stage 2 validate.
    m_renderer = nullptr;
    m_capture.Clear();
    Make(threeStages, [](const SoftDevice& device, uint32_t* passes) {
        if (device.TSS(1, StageState::ColorOp) != OP(TextureOp::Disable) &&
            device.TSS(2, StageState::ColorOp) == OP(TextureOp::Disable))
            return Result::TooManyOperations;
        return device.ValidateStages(passes);
    });
    EXPECT_TRUE(
        HasLine("(Creation): Device supports vertex-lastsingle pass multitexturing: 196 "
                "modes"));
    EXPECT_TRUE(HasLine(
        "(Creation): Device supports more single-pass vertex-last than vertex-first modes"));
    EXPECT_TRUE(m_pipeline->GetFlags() & Pipeline::FLAG_VERTEX_LAST);
}

TEST_F(PipelineTest, ProbeFindsTrilinearAndAddressingLimitsOfPairs) {
    Make(GfxConfig::Standard(), [](const SoftDevice& device, uint32_t* passes) {
        const bool pair = device.TSS(1, StageState::ColorOp) != OP(TextureOp::Disable);
        if (pair && device.TSS(1, StageState::MipFilter) == uint32_t(TextureFilter::Linear))
            return Result::ConflictingTextureFilter;
        if (pair && device.TSS(0, StageState::AddressU) != device.TSS(1, StageState::AddressU))
            return Result::Unsupported;
        return device.ValidateStages(passes);
    });
    const uint32_t flags = m_pipeline->GetFlags();
    EXPECT_FALSE(flags & Pipeline::FLAG_STAGE1_TRILINEAR);
    EXPECT_FALSE(flags & Pipeline::FLAG_PAIR_TRILINEAR);
    EXPECT_FALSE(flags & Pipeline::FLAG_PAIR_ADDRESSING);
    EXPECT_TRUE(HasLine("(Creation): Device cannot do trilerp in multitexture mode"));
    EXPECT_TRUE(
        HasLine("(Creation): Device cannot do independent texture addressing "
                "inmultitexture mode"));
    EXPECT_TRUE(HasLine("(Creation): EN D3D Renderer will multipass these cases"));

    m_renderer = nullptr;
    m_capture.Clear();
    Make();
    EXPECT_TRUE(m_pipeline->GetFlags() & Pipeline::FLAG_STAGE1_TRILINEAR);
    EXPECT_TRUE(m_pipeline->GetFlags() & Pipeline::FLAG_PAIR_TRILINEAR);
    EXPECT_TRUE(m_pipeline->GetFlags() & Pipeline::FLAG_PAIR_ADDRESSING);
    EXPECT_FALSE(HasLine("cannot do"));
    // The probe leaves the stage defaults behind.
    EXPECT_EQ(Device()->TSS(0, StageState::ColorOp), OP(TextureOp::SelectArg1));
    EXPECT_EQ(Device()->TSS(1, StageState::ColorOp), OP(TextureOp::Disable));
    EXPECT_EQ(Device()->TSS(1, StageState::TexCoordIndex), 1u);
    EXPECT_EQ(Device()->StageTexture(0), nullptr);
    EXPECT_EQ(Device()->StageTexture(1), nullptr);
}

TEST_F(PipelineTest, SelectingTheSecondArgumentIsRequired) {
    Install(WithDevice(
        [](DeviceDesc& d) { d.textureOpCaps &= ~TextureOpCapBit(TextureOp::SelectArg2); }));
    EXPECT_EQ(Create(0x09), nullptr);
    EXPECT_STREQ(EnD3DRender::GetLastError(),
                 "Creation failed: 3D Device cannot support required capabilities");
    EXPECT_TRUE(HasLine("WARNING: (Creation): Device cannot support required SELECTARG2 mode"));
}

// ---- passes ----

// A draw's property and effect states, with named images so that pass lists read as text.
class Passes : public PipelineTest {
public:
    void SetUp() override { m_state = new EnPropertyState; }

    EnImage* Named(const std::string& name, uint32_t size = 8) {
        EnImage* image = SolidImage(size, size);
        m_names[image] = name;
        m_images.push_back(image);
        return image;
    }
    void Base(AM::ApplyMode apply = AM::APPLY_MODULATE, AM::ClampMode clamp = AM::WRAP_S_WRAP_T,
              AM::FilterMode filter = AM::FILTER_NEAREST) {
        auto* texture = new EnTextureProperty;
        texture->SetImage(Named("base"));
        m_state->SetProperty(texture);
        auto* mode = new AM;
        mode->SetApplyMode(apply);
        mode->SetClampMode(clamp);
        mode->SetFilterMode(filter);
        m_state->SetProperty(mode);
    }
    void Map(uint32_t slot, const std::string& name, uint32_t set = 0) {
        if (!m_maps) {
            m_maps = new EnMultiTextureProperty;
            m_state->SetProperty(m_maps);
        }
        m_maps->SetMap(slot, EnMultiTextureProperty::Map(Named(name), AM::WRAP_S_WRAP_T,
                                                         AM::FILTER_NEAREST, set));
    }
    EnTextureEffect* Effect(EnTextureEffect::TextureMode mode, const std::string& name,
                            bool plane = false,
                            EnTextureEffect::CoordMode coords = EnTextureEffect::WORLD_PARALLEL) {
        EnPointer<EnTextureEffect> effect = new EnTextureEffect;
        effect->SetTextureMode(mode);
        effect->SetCoordMode(coords);
        effect->SetImage(Named(name));
        effect->SetClippingPlaneEnable(plane);
        effect->Update(0.0f);
        if (!m_effects) m_effects = new EnDynamicEffectState;
        m_effects->AddEffect(effect);
        m_effectObjects.push_back(effect);
        return effect;
    }

    // The pass list as text: passes separated by " | ", the stages of a pass by "+".
    std::string Plan(bool normals = true, uint32_t sets = 1) {
        m_multi = m_pipeline->BuildPasses(m_state, m_effects, normals, sets);
        std::string text;
        uint32_t record = 0;
        for (uint32_t p = 0; p < m_pipeline->GetPassCount(); p++) {
            if (p) text += " | ";
            for (uint32_t s = 0; s < m_pipeline->GetPassStages(p); s++) {
                if (s) text += "+";
                text += Name(m_pipeline->GetPassRecord(record++));
            }
        }
        return text;
    }
    std::string Name(const EnD3DStageRecord* record) {
        if (record == &m_pipeline->GetEmptyRecord()) return "empty";
        if (m_pipeline->IsClipRecord(record)) return "clip";
        auto it = m_names.find(record->m_spImage.Get());
        return it == m_names.end() ? "?" : it->second;
    }
    const EnD3DStageRecord* Find(const std::string& name) {
        for (uint32_t i = 0; i < m_pipeline->GetPassRecordCount(); i++)
            if (Name(m_pipeline->GetPassRecord(i)) == name) return m_pipeline->GetPassRecord(i);
        return nullptr;
    }
    // Sets every pass in turn; the blend state after each.
    std::vector<std::string> ApplyAll() {
        std::vector<std::string> blends;
        bool more;
        do {
            more = m_pipeline->ApplyNextPass();
            blends.push_back(Device()->RS(RenderState::AlphaBlendEnable)
                                 ? std::to_string(Device()->RS(RenderState::SrcBlend)) + "/" +
                                       std::to_string(Device()->RS(RenderState::DestBlend))
                                 : "off");
        } while (more);
        return blends;
    }

    EnPointer<EnPropertyState> m_state;
    EnPointer<EnDynamicEffectState> m_effects;
    EnPointer<EnMultiTextureProperty> m_maps;
    std::map<const EnImage*, std::string> m_names;
    std::vector<EnPointer<EnImage>> m_images;
    std::vector<EnPointer<EnTextureEffect>> m_effectObjects;
    bool m_multi = false;
};

struct PlanCase {
    const char* what;
    void (*build)(Passes&);
    bool normals;
    uint32_t sets;
    const char* paired;  // on a device that draws every pair in one pass
    const char* single;  // on a device with one texture stage
};

const PlanCase kPlans[] = {
    {"no texture", [](Passes&) {}, true, 1, "empty", "empty"},
    {"base texture", [](Passes& t) { t.Base(); }, true, 1, "base", "base"},
    {"dark map",
     [](Passes& t) {
         t.Base();
         t.Map(EnMultiTextureProperty::DARK_MAP, "dark");
     },
     true, 1, "base+dark", "base | dark"},
    {"detail map",
     [](Passes& t) {
         t.Base();
         t.Map(EnMultiTextureProperty::DETAIL_MAP, "detail");
     },
     true, 1, "base+detail", "base"},
    {"dark and detail",
     [](Passes& t) {
         t.Base();
         t.Map(EnMultiTextureProperty::DARK_MAP, "dark");
         t.Map(EnMultiTextureProperty::DETAIL_MAP, "detail");
     },
     true, 1, "dark | base+detail", "dark | base"},
    {"dark map without base", [](Passes& t) { t.Map(EnMultiTextureProperty::DARK_MAP, "dark"); },
     true, 1, "dark", "dark"},
    {"glow map",
     [](Passes& t) {
         t.Base();
         t.Map(EnMultiTextureProperty::GLOW_MAP, "glow");
     },
     true, 1, "base | glow", "base | glow"},
    {"maps without coordinates",
     [](Passes& t) {
         t.Base();
         t.Map(EnMultiTextureProperty::GLOW_MAP, "glow");
         t.Map(EnMultiTextureProperty::DECAL_MAP, "decal");
     },
     true, 0, "base", "base"},
    {"two decals",
     [](Passes& t) {
         t.Base();
         t.Map(EnMultiTextureProperty::DECAL_MAP, "decal");
         t.Map(EnMultiTextureProperty::DECAL_MAP + 1, "decal2");
     },
     true, 1, "base | decal | decal2", "base | decal | decal2"},
    {"environment map",
     [](Passes& t) {
         t.Base();
         t.Effect(EnTextureEffect::ENVIRONMENT_MAP, "env", false, EnTextureEffect::SPHERE_MAP);
     },
     true, 1, "base | env", "base | env"},
    {"environment map without normals",
     [](Passes& t) {
         t.Base();
         t.Effect(EnTextureEffect::ENVIRONMENT_MAP, "env", false, EnTextureEffect::SPHERE_MAP);
     },
     false, 1, "base", "base"},
    {"environment and gloss",
     [](Passes& t) {
         t.Base();
         t.Map(EnMultiTextureProperty::GLOSS_MAP, "gloss");
         t.Effect(EnTextureEffect::ENVIRONMENT_MAP, "env", false, EnTextureEffect::SPHERE_MAP);
     },
     true, 1, "base | env+gloss", "base | env"},
    {"environment and glow",
     [](Passes& t) {
         t.Base();
         t.Map(EnMultiTextureProperty::GLOW_MAP, "glow");
         t.Effect(EnTextureEffect::ENVIRONMENT_MAP, "env", false, EnTextureEffect::SPHERE_MAP);
     },
     true, 1, "base | glow+env", "base | glow"},
    {"projected light and dark map",
     [](Passes& t) {
         t.Base();
         t.Map(EnMultiTextureProperty::DARK_MAP, "dark");
         t.Effect(EnTextureEffect::PROJECTED_LIGHT, "light");
     },
     true, 1, "dark+light | base", "dark | light | base"},
    {"three projected lights",
     [](Passes& t) {
         t.Base();
         t.Effect(EnTextureEffect::PROJECTED_LIGHT, "light");
         t.Effect(EnTextureEffect::PROJECTED_LIGHT, "light2");
         t.Effect(EnTextureEffect::PROJECTED_LIGHT, "light3");
     },
     true, 1, "light+light2 | light3 | base", "light | light2 | light3 | base"},
    {"projected light without base",
     [](Passes& t) { t.Effect(EnTextureEffect::PROJECTED_LIGHT, "light"); }, true, 1,
     "light | empty", "light | empty"},
    {"clipped projected light",
     [](Passes& t) {
         t.Base();
         t.Effect(EnTextureEffect::PROJECTED_LIGHT, "light", true);
     },
     true, 1, "light+clip | base", "light | base"},
    {"projected shadows",
     [](Passes& t) {
         t.Base();
         t.Effect(EnTextureEffect::PROJECTED_SHADOW, "shadow");
         t.Effect(EnTextureEffect::PROJECTED_SHADOW, "shadow2", true);
     },
     true, 1, "base | shadow | shadow2+clip", "base | shadow | shadow2"},
    {"fog map last",
     [](Passes& t) {
         t.Base();
         t.Effect(EnTextureEffect::FOG_MAP, "fog");
         t.Map(EnMultiTextureProperty::GLOW_MAP, "glow");
     },
     true, 1, "base | glow | fog", "base | glow | fog"},
};

TEST_F(Passes, PropertiesAndEffectsBecomeThePassesOfTheDevice) {
    for (const bool single : {false, true}) {
        m_renderer = nullptr;
        Make(single ? OneStage() : GfxConfig::Standard());
        for (const PlanCase& c : kPlans) {
            m_state = new EnPropertyState;
            m_effects = nullptr;
            m_maps = nullptr;
            m_names.clear();
            c.build(*this);
            const std::string plan = Plan(c.normals, c.sets);
            EXPECT_EQ(plan, single ? c.single : c.paired)
                << c.what << (single ? " (one stage)" : " (pairs)");
            // More than one pass is reported, unless a pass holds a clipping plane.
            const bool clipped = plan.find("clip") != std::string::npos;
            EXPECT_EQ(m_multi, m_pipeline->GetPassCount() > 1 && !clipped) << c.what;
            m_pipeline->BeginFrame();
        }
    }
}

TEST_F(Passes, TheVertexColourGoesWithTheBaseUnlessReplaced) {
    Make(OneStage());
    Base();
    Map(EnMultiTextureProperty::DARK_MAP, "dark");
    Plan();
    EXPECT_TRUE(Find("base")->m_bVertexColor);
    EXPECT_FALSE(Find("dark")->m_bVertexColor);

    m_state = new EnPropertyState;
    m_maps = nullptr;
    Base(AM::APPLY_REPLACE);
    Plan();
    EXPECT_FALSE(Find("base")->m_bVertexColor);

    // Without a base the dark map carries it.
    m_state = new EnPropertyState;
    m_maps = nullptr;
    Map(EnMultiTextureProperty::DARK_MAP, "dark");
    Plan();
    EXPECT_TRUE(Find("dark")->m_bVertexColor);
}

TEST_F(Passes, MapsUseTheLastCoordinateSetTheGeometryHas) {
    Make();
    Base();
    Map(EnMultiTextureProperty::DECAL_MAP, "decal", 2);
    Map(EnMultiTextureProperty::GLOW_MAP, "glow", 1);
    Plan(true, 1);
    EXPECT_EQ(Find("decal")->m_uiTexCoord, 0u);
    EXPECT_EQ(Find("decal")->m_uiKind, uint32_t(Kind::KIND_DECAL));
    Plan(true, 2);
    EXPECT_EQ(Find("decal")->m_uiTexCoord, 1u);
    EXPECT_EQ(Find("glow")->m_uiTexCoord, 1u);
}

TEST_F(Passes, UntexturedDrawsSelectTheVertexColour) {
    Make();
    Plan();
    EXPECT_EQ(ApplyAll(), std::vector<std::string>{"off"});
    EXPECT_EQ(Device()->TSS(0, StageState::ColorOp), OP(TextureOp::SelectArg2));
    EXPECT_EQ(Device()->TSS(0, StageState::AlphaOp), OP(TextureOp::SelectArg2));
    EXPECT_EQ(Device()->TSS(0, StageState::ColorArg2), TextureArg::Diffuse);
    EXPECT_EQ(Device()->TSS(1, StageState::ColorOp), OP(TextureOp::Disable));
    EXPECT_EQ(Device()->StageTexture(0), nullptr);
}

struct ApplyCase {
    AM::ApplyMode apply;
    AM::ClampMode clamp;
    AM::FilterMode filter;
    uint32_t colorOp, alphaOp;
    uint32_t addressU, addressV;
    uint32_t mag, min, mip;
};

TEST_F(Passes, TheBasePassSetsStageZeroFromTheTextureMode) {
    Make();
    const uint32_t C = uint32_t(TextureAddress::Clamp), W = uint32_t(TextureAddress::Wrap);
    const uint32_t P = uint32_t(TextureFilter::Point), L = uint32_t(TextureFilter::Linear),
                   N = uint32_t(TextureFilter::None);
    const ApplyCase cases[] = {
        {AM::APPLY_MODULATE, AM::WRAP_S_WRAP_T, AM::FILTER_NEAREST, OP(TextureOp::Modulate),
         OP(TextureOp::Modulate), W, W, P, P, N},
        {AM::APPLY_REPLACE, AM::CLAMP_S_WRAP_T, AM::FILTER_BILERP, OP(TextureOp::SelectArg1),
         OP(TextureOp::SelectArg1), C, W, L, L, N},
        // Without mip levels trilinear filtering is bilinear.
        {AM::APPLY_DECAL, AM::WRAP_S_CLAMP_T, AM::FILTER_TRILERP, OP(TextureOp::BlendTextureAlpha),
         OP(TextureOp::SelectArg1), W, C, L, L, N},
        {AM::APPLY_HILIGHT, AM::CLAMP_S_CLAMP_T, AM::FILTER_NEAREST_MIPLERP,
         OP(TextureOp::Modulate), OP(TextureOp::SelectArg1), C, C, P, P, N},
    };
    for (const ApplyCase& c : cases) {
        m_state = new EnPropertyState;
        Base(c.apply, c.clamp, c.filter);
        Plan();
        ApplyAll();
        const SoftDevice* d = Device();
        EXPECT_EQ(d->TSS(0, StageState::ColorOp), c.colorOp) << c.apply;
        EXPECT_EQ(d->TSS(0, StageState::AlphaOp), c.alphaOp) << c.apply;
        EXPECT_EQ(d->TSS(0, StageState::AddressU), c.addressU) << c.apply;
        EXPECT_EQ(d->TSS(0, StageState::AddressV), c.addressV) << c.apply;
        EXPECT_EQ(d->TSS(0, StageState::MagFilter), c.mag) << c.apply;
        EXPECT_EQ(d->TSS(0, StageState::MinFilter), c.min) << c.apply;
        EXPECT_EQ(d->TSS(0, StageState::MipFilter), c.mip) << c.apply;
        EXPECT_EQ(d->TSS(0, StageState::TexCoordIndex), 0u);
        EXPECT_EQ(d->TSS(0, StageState::TextureTransformFlags), TextureTransform::Disable);
        EXPECT_NE(d->StageTexture(0), nullptr);
        EXPECT_EQ(d->TSS(1, StageState::ColorOp), OP(TextureOp::Disable));
    }
    // A mip-mapped texture keeps its mip filter.
    m_state = new EnPropertyState;
    auto* texture = new EnTextureProperty;
    texture->SetImage(SolidImage(16, 16, 0x808080, true));
    m_state->SetProperty(texture);
    auto* mode = new AM;
    mode->SetFilterMode(AM::FILTER_TRILERP);
    m_state->SetProperty(mode);
    Plan();
    ApplyAll();
    EXPECT_EQ(Device()->TSS(0, StageState::MipFilter), L);

    // Setting the same pass again sends no stage state.
    Plan();
    const size_t mark = LogMark();
    ApplyAll();
    EXPECT_TRUE(Calls("Device::SetTextureStageState", mark).empty());
    EXPECT_TRUE(Calls("Device::SetTexture", mark).empty());
}

TEST_F(Passes, StageOneFiltersByItsOwnRecordOnlyWhereThePairAllowsIt) {
    // A device that fails every pair asking stage 1 for a linear mip filter.
    const SoftBackend::ValidateHook noStageOneTrilinear = [](const SoftDevice& device,
                                                             uint32_t* passes) {
        const bool pair = device.TSS(1, StageState::ColorOp) != OP(TextureOp::Disable);
        if (pair && device.TSS(1, StageState::MipFilter) == uint32_t(TextureFilter::Linear))
            return Result::ConflictingTextureFilter;
        return device.ValidateStages(passes);
    };
    const uint32_t P = uint32_t(TextureFilter::Point), L = uint32_t(TextureFilter::Linear);
    for (const bool own : {true, false}) {
        m_renderer = nullptr;
        Make(GfxConfig::Standard(), own ? SoftBackend::ValidateHook{} : noStageOneTrilinear);
        ASSERT_EQ((m_pipeline->GetFlags() & Pipeline::FLAG_STAGE1_TRILINEAR) != 0, own);
        m_state = new EnPropertyState;
        m_maps = nullptr;
        Base(AM::APPLY_MODULATE, AM::WRAP_S_WRAP_T, AM::FILTER_BILERP);
        Map(EnMultiTextureProperty::DARK_MAP, "dark");  // nearest
        ASSERT_EQ(Plan(), "base+dark");
        m_pipeline->ApplyNextPass();
        EXPECT_EQ(Device()->TSS(0, StageState::MagFilter), L);
        // Without the flag stage 1 takes the first record's filter.
        EXPECT_EQ(Device()->TSS(1, StageState::MagFilter), own ? P : L) << own;
        EXPECT_EQ(Device()->TSS(1, StageState::MinFilter), own ? P : L) << own;
    }
}

TEST_F(Passes, PairedAndLaterPassesCombineByTheirKind) {
    Make();
    Base();
    Map(EnMultiTextureProperty::DARK_MAP, "dark");
    Map(EnMultiTextureProperty::GLOW_MAP, "glow");
    ASSERT_EQ(Plan(), "base+dark | glow");
    const auto blends = ApplyAll();
    // The glow pass adds: ONE / ONE.
    EXPECT_EQ(blends.back(),
              std::to_string(uint32_t(Blend::One)) + "/" + std::to_string(uint32_t(Blend::One)));
    EXPECT_EQ(Device()->TSS(0, StageState::ColorOp), OP(TextureOp::SelectArg1));
    EXPECT_EQ(Device()->TSS(1, StageState::ColorOp), OP(TextureOp::Disable));

    // The first pass of the next draw: base and dark in one pass, dark multiplying.
    Plan();
    m_pipeline->ApplyNextPass();
    EXPECT_EQ(Device()->TSS(0, StageState::ColorOp), OP(TextureOp::Modulate));
    EXPECT_EQ(Device()->TSS(1, StageState::ColorOp), OP(TextureOp::Modulate));
    EXPECT_EQ(Device()->TSS(1, StageState::AlphaOp), OP(TextureOp::SelectArg2));
    EXPECT_EQ(Device()->TSS(1, StageState::ColorArg2), TextureArg::Current);
    EXPECT_NE(Device()->StageTexture(1), nullptr);
    EXPECT_NE(Device()->StageTexture(0), Device()->StageTexture(1));

    // A projected light with a dark map accumulates first; the base multiplies it afterwards.
    m_renderer = nullptr;
    Make(OneStage());
    m_state = new EnPropertyState;
    m_maps = nullptr;
    Base();
    Map(EnMultiTextureProperty::DARK_MAP, "dark");
    Effect(EnTextureEffect::PROJECTED_LIGHT, "light");
    ASSERT_EQ(Plan(), "dark | light | base");
    const std::string add =
        std::to_string(uint32_t(Blend::One)) + "/" + std::to_string(uint32_t(Blend::One));
    const std::string modulate =
        std::to_string(uint32_t(Blend::Zero)) + "/" + std::to_string(uint32_t(Blend::SrcColor));
    EXPECT_EQ(ApplyAll(), (std::vector<std::string>{"off", add, modulate}));
}

TEST_F(Passes, EffectStagesGenerateTheirCoordinates) {
    Make();
    Effect(EnTextureEffect::ENVIRONMENT_MAP, "env", false, EnTextureEffect::SPHERE_MAP);
    ASSERT_EQ(Plan(), "empty | env");
    m_pipeline->ApplyNextPass();
    m_pipeline->ApplyNextPass();
    const SoftDevice* d = Device();
    EXPECT_EQ(d->TSS(0, StageState::TexCoordIndex), TexCoordGen::CameraSpaceReflectionVector);
    EXPECT_EQ(d->TSS(0, StageState::TextureTransformFlags), TextureTransform::Count2);
    EXPECT_FLOAT_EQ(d->TransformMatrix(TransformState::Texture0).m[2][0], 0.5f);
    EXPECT_FLOAT_EQ(d->TransformMatrix(TransformState::Texture0).m[3][1], 0.5f);

    // A perspective projection divides where the device can.
    m_state = new EnPropertyState;
    m_effects = nullptr;
    Effect(EnTextureEffect::PROJECTED_SHADOW, "shadow", false, EnTextureEffect::WORLD_PERSPECTIVE);
    ASSERT_EQ(Plan(), "empty | shadow");
    m_pipeline->ApplyNextPass();
    m_pipeline->ApplyNextPass();
    EXPECT_EQ(d->TSS(0, StageState::TexCoordIndex), TexCoordGen::CameraSpacePosition);
    EXPECT_EQ(d->TSS(0, StageState::TextureTransformFlags),
              TextureTransform::Count3 | TextureTransform::Projected);
}

// ---- coordinate generators ----

// The texture coordinates a stage transform gives a camera-space point (row vector).
EnVector3 Through(const Matrix& m, const EnVector3& p) {
    const float v[4] = {p.x, p.y, p.z, 1.0f};
    float r[3];
    for (int c = 0; c < 3; c++)
        r[c] = v[0] * m.m[0][c] + v[1] * m.m[1][c] + v[2] * m.m[2][c] + m.m[3][c];
    return {r[0], r[1], r[2]};
}

TEST_F(PipelineTest, GeneratorsMapCameraSpaceOntoTheTexture) {
    Make();
    EnD3DStageRecord record;
    m_pipeline->GenerateSphereMapCoords(EnMatrix3(), EnVector3::ZERO, record);
    EXPECT_EQ(record.m_uiTexCoord, TexCoordGen::CameraSpaceReflectionVector);
    const EnVector3 forward = Through(record.m_kTransform, {0, 0, 1});
    EXPECT_FLOAT_EQ(forward.x, 1.0f);
    EXPECT_FLOAT_EQ(forward.y, 0.5f);
    const EnVector3 up = Through(record.m_kTransform, {0, 1, 0});
    EXPECT_FLOAT_EQ(up.x, 0.5f);
    EXPECT_FLOAT_EQ(up.y, 1.0f);

    // With the camera at the origin unturned, the effect's own projection.
    const EnMatrix3 a(1, 2, 3, 4, 5, 6, 7, 8, 9);
    const EnVector3 t(0.5f, -1.0f, 2.0f);
    m_pipeline->SetCameraMatrix(EnVector3::UNIT_Z, EnVector3::UNIT_Y, EnVector3::UNIT_X, 0, 0, 0);
    m_pipeline->GenerateParallelCoords(a, t, record);
    EXPECT_EQ(record.m_uiTexCoord, TexCoordGen::CameraSpacePosition);
    EXPECT_FALSE(record.m_bProjected);
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) EXPECT_FLOAT_EQ(record.m_kTransform.m[i][j], a.GetEntry(j, i));
    EXPECT_FLOAT_EQ(record.m_kTransform.m[3][0], t.x);
    EXPECT_FLOAT_EQ(record.m_kTransform.m[3][2], t.z);

    // Any camera: the projection of the world point the camera-space point stands for.
    const EnVector3 dir(0.6f, 0.0f, 0.8f), camUp(0, 1, 0), right(0.8f, 0.0f, -0.6f);
    const EnVector3 location(3, -2, 5);
    m_pipeline->SetCameraMatrix(dir, camUp, right, location.x, location.y, location.z);
    m_pipeline->GeneratePerspectiveCoords(a, t, record);
    EXPECT_TRUE(record.m_bProjected);
    const EnVector3 p(1.5f, -0.25f, 4.0f);
    const EnVector3 world = right * p.x + camUp * p.y + dir * p.z + location;
    const EnVector3 want = a * world + t;
    const EnVector3 got = Through(record.m_kTransform, p);
    EXPECT_NEAR(got.x, want.x, 1e-4f);
    EXPECT_NEAR(got.y, want.y, 1e-4f);
    EXPECT_NEAR(got.z, want.z, 1e-4f);
}

TEST_F(Passes, ClipStagesMaskByTheEffectsPlane) {
    Make();
    const EnVector3 dir(0.0f, 0.0f, 1.0f), camUp(0, 1, 0), right(-1, 0, 0);
    m_pipeline->SetCameraMatrix(dir, camUp, right, 1, 2, 3);
    EnTextureEffect* light = Effect(EnTextureEffect::PROJECTED_LIGHT, "light", true);
    EnTextureEffect* shadow = Effect(EnTextureEffect::PROJECTED_SHADOW, "shadow", true);
    light->SetModelClippingPlane(EnPlaneEquation(EnVector3(0, 1, 0), 2.5f));
    shadow->SetModelClippingPlane(EnPlaneEquation(EnVector3(1, 0, 0), -1.0f));
    light->Update(0.0f);
    shadow->Update(0.0f);
    ASSERT_EQ(Plan(), "light+clip | empty | shadow+clip");
    for (const char* name : {"light", "shadow"}) {
        // The clip stage follows its effect in the same pass.
        const EnD3DStageRecord* effect = Find(name);
        const EnD3DStageRecord* clip = nullptr;
        for (uint32_t i = 0; i + 1 < m_pipeline->GetPassRecordCount(); i++)
            if (m_pipeline->GetPassRecord(i) == effect) clip = m_pipeline->GetPassRecord(i + 1);
        ASSERT_TRUE(m_pipeline->IsClipRecord(clip)) << name;
        const bool isShadow = std::string(name) == "shadow";
        const EnPlaneEquation& plane = (isShadow ? shadow : light)->GetWorldClippingPlane();
        for (const EnVector3& p :
             {EnVector3(0, 0, 0), EnVector3(1, 2, 3), EnVector3(-4, 0.5f, 2)}) {
            const EnVector3 world = right * p.x + camUp * p.y + dir * p.z + EnVector3(1, 2, 3);
            const float side = plane.m_normal.Dot(world) - plane.m_fConstant;
            EXPECT_NEAR(Through(clip->m_kTransform, p).x, (isShadow ? -side : side) + 0.5f, 1e-4f)
                << name;
        }
        EXPECT_EQ(clip->m_uiAddressU, uint32_t(TextureAddress::Clamp));
        EXPECT_EQ(clip->m_uiKind,
                  isShadow ? uint32_t(Kind::KIND_ADD) : uint32_t(Kind::KIND_MODULATE));
    }
}

// ---- unsupported features ----

TEST_F(Passes, FeaturesTheDeviceCannotPlaceAreReported) {
    Make(OneStage());
    EXPECT_EQ(m_renderer->QueryUnsupportedFeatures(m_state, nullptr), 0u);
    Base();
    Map(EnMultiTextureProperty::DETAIL_MAP, "detail");
    EXPECT_EQ(m_pipeline->GetUnsupportedFeatures(m_state, nullptr),
              uint32_t(Pipeline::UNSUPPORTED_DETAIL_MAP));

    Map(EnMultiTextureProperty::DARK_MAP, "dark");
    auto* alpha = new EnAlphaProperty;
    alpha->SetAlphaBlending(true);
    m_state->SetProperty(alpha);
    auto* fog = new EnFogProperty;
    fog->SetFog(true);
    m_state->SetProperty(fog);
    EXPECT_EQ(
        m_pipeline->GetUnsupportedFeatures(m_state, nullptr),
        uint32_t(Pipeline::UNSUPPORTED_DETAIL_MAP | Pipeline::UNSUPPORTED_MULTIPASS |
                 Pipeline::UNSUPPORTED_MULTIPASS_BLEND | Pipeline::UNSUPPORTED_MULTIPASS_FOG));

    // A clipped light whose clip stage found no room, a perspective light the device cannot
    // divide, and lights beyond the eight effect records.
    m_renderer = nullptr;
    Make(WithDevice([](DeviceDesc& d) {
        d.maxTextureBlendStages = 1;
        d.maxSimultaneousTextures = 1;
        d.triCaps.textureCaps &= ~TextureCapBits::Projected;
    }));
    m_state = new EnPropertyState;
    m_maps = nullptr;
    Effect(EnTextureEffect::PROJECTED_LIGHT, "clipped", true);
    Effect(EnTextureEffect::PROJECTED_SHADOW, "perspective", false,
           EnTextureEffect::WORLD_PERSPECTIVE);
    EXPECT_EQ(m_pipeline->GetUnsupportedFeatures(m_state, m_effects),
              uint32_t(Pipeline::UNSUPPORTED_MULTIPASS | Pipeline::UNSUPPORTED_PERSPECTIVE |
                       Pipeline::UNSUPPORTED_CLIPPING_PLANE));
    for (int i = 0; i < 8; i++)
        Effect(EnTextureEffect::PROJECTED_LIGHT, "light" + std::to_string(i));
    const uint32_t crowded = m_pipeline->GetUnsupportedFeatures(m_state, m_effects);
    EXPECT_TRUE(crowded & Pipeline::UNSUPPORTED_PROJECTED_LIGHT);
    EXPECT_TRUE(crowded & Pipeline::UNSUPPORTED_TOO_MANY_STAGES);

    // Addressing the device cannot do.
    m_renderer = nullptr;
    Make(WithDevice([](DeviceDesc& d) {
        d.triCaps.textureAddressCaps &= ~TextureAddressCapBits::IndependentUV;
        d.triCaps.textureBlendCaps &= ~TextureBlendCapBits::DecalAlpha;
    }));
    m_state = new EnPropertyState;
    m_effects = nullptr;
    Base(AM::APPLY_MODULATE, AM::CLAMP_S_WRAP_T);
    EXPECT_EQ(m_renderer->QueryUnsupportedFeatures(m_state, nullptr),
              uint32_t(Pipeline::UNSUPPORTED_CLAMP | Pipeline::UNSUPPORTED_UV_ADDRESSING));
}

TEST_F(Passes, TransformedVerticesTakeOneSetPerGeneratedCoordinate) {
    Make();
    Effect(EnTextureEffect::ENVIRONMENT_MAP, "env", false, EnTextureEffect::SPHERE_MAP);
    Effect(EnTextureEffect::PROJECTED_SHADOW, "shadow");
    Base();
    ASSERT_EQ(Plan(), "base | shadow | env");
    Ref<Graphics3D> d3d;
    ASSERT_EQ(Device()->GetGraphics3D(d3d.Put()), Result::Ok);
    Ref<VertexBuffer> source;
    VertexBufferDesc desc{0, VertexFormat::Xyz | VertexFormat::Normal | VertexFormat::Tex1, 4};
    ASSERT_EQ(d3d->CreateVertexBuffer(desc, source.Put(), 0), Result::Ok);
    VertexBuffer* out = m_pipeline->PrepareTransformedVertices(false, false, 4, 1, source.Get());
    ASSERT_NE(out, nullptr);
    VertexBufferDesc made;
    ASSERT_EQ(out->GetVertexBufferDesc(made), Result::Ok);
    EXPECT_EQ(made.fvf, VertexFormat::XyzRhw | VertexFormat::Diffuse | VertexFormat::Specular |
                            VertexFormat::Tex(3));
    EXPECT_EQ(Find("shadow")->m_uiTexCoord, 1u);
    EXPECT_EQ(Find("env")->m_uiTexCoord, 2u);
    EXPECT_EQ(Device()->TSS(2, StageState::TexCoordIndex),
              TexCoordGen::CameraSpaceReflectionVector);
    EXPECT_EQ(Device()->TSS(1, StageState::ColorOp), OP(TextureOp::Disable));

    // Beyond the eighth stage the generated coordinates share the last set.
    m_pipeline->BeginFrame();
    Plan();
    ASSERT_NE(m_pipeline->PrepareTransformedVertices(false, false, 4, 8, source.Get()), nullptr);
    EXPECT_EQ(Find("shadow")->m_uiTexCoord, 7u);
}

}  // namespace
