#include "tools/demodata/TestTrackScene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnFogProperty.h"
#include "engine/core/EnLODNode.h"
#include "engine/core/EnMaterialProperty.h"
#include "engine/core/EnMatrix3.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnSwitchNode.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/core/EnVertexColorProperty.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/geometry/EnAmbientLight.h"
#include "engine/geometry/EnDirectionalLight.h"
#include "engine/geometry/EnPointLight.h"
#include "engine/geometry/EnTextureProperty.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/geometry/EnTriStrips.h"
#include "engine/render/EnScreenPolygon.h"
#include "tools/demodata/DemoMesh.h"

namespace {

constexpr float PI = 3.14159265359f;

// The loop: two straights of STRAIGHT units along X at y = -+HAIRPIN_RADIUS, joined by
// semicircles; the road is ROAD_WIDTH wide and runs counter-clockwise seen from above.
constexpr float STRAIGHT = 240.0f;
constexpr float HAIRPIN_RADIUS = 70.0f;
constexpr float ROAD_WIDTH = 12.0f;
constexpr float KERB_WIDTH = 1.5f;
constexpr uint32_t ROAD_SAMPLES = 192;
constexpr float ROAD_TEXTURE_LENGTH = 12.0f;  // units of road per asphalt picture
constexpr float SKY_RADIUS = 400.0f;
constexpr float GROUND_HALF_SIZE = 300.0f;
constexpr float LOD_SWITCH_DISTANCE = 180.0f;

const EnColorRGBA WHITE(1, 1, 1, 1);

EnVector3 Unit(EnVector3 v) {
    v.Unitize();
    return v;
}

// A point of the loop's centre line at arc length s, with its direction of travel.
struct LoopPoint {
    EnVector3 kPosition;
    EnVector3 kTangent;
    // Towards the inside of the loop (left of the direction of travel).
    EnVector3 Inside() const { return EnVector3(-kTangent.y, kTangent.x, 0.0f); }
};

float LoopLength() {
    return 2.0f * STRAIGHT + 2.0f * PI * HAIRPIN_RADIUS;
}

LoopPoint PointAt(float s) {
    const float L = STRAIGHT, R = HAIRPIN_RADIUS, fArc = PI * R;
    s = std::fmod(s, LoopLength());
    if (s < 0) s += LoopLength();
    auto arc = [R](float fCentreX, float fAngle) {
        return LoopPoint{EnVector3(fCentreX + R * std::cos(fAngle), R * std::sin(fAngle), 0),
                         EnVector3(-std::sin(fAngle), std::cos(fAngle), 0)};
    };
    if (s < L) return {EnVector3(-L / 2 + s, -R, 0), EnVector3(1, 0, 0)};
    if (s < L + fArc) return arc(L / 2, -PI / 2 + (s - L) / R);
    if (s < 2 * L + fArc) return {EnVector3(L / 2 - (s - L - fArc), R, 0), EnVector3(-1, 0, 0)};
    return arc(-L / 2, PI / 2 + (s - 2 * L - fArc) / R);
}

EnPointer<EnNode> NamedNode(const char* pcName) {
    EnPointer<EnNode> spNode = new EnNode;
    spNode->SetName(pcName);
    return spNode;
}

template <class TGeometry>
EnPointer<TGeometry> Named(TGeometry* pGeometry, const char* pcName) {
    EnPointer<TGeometry> sp = pGeometry;
    if (sp) sp->SetName(pcName);
    return sp;
}

EnPointer<EnMaterialProperty> Material(const EnColorRGB& kColor, float fAlpha = 1.0f) {
    EnPointer<EnMaterialProperty> spMaterial = new EnMaterialProperty;
    spMaterial->SetAmbientColor(kColor);
    spMaterial->SetDiffuseColor(kColor);
    spMaterial->SetAlpha(fAlpha);
    return spMaterial;
}

EnPointer<EnZBufferProperty> DepthBuffer(bool bTest, bool bWrite) {
    EnPointer<EnZBufferProperty> spDepth = new EnZBufferProperty;
    spDepth->SetZBufferTest(bTest);
    spDepth->SetZBufferWrite(bWrite);
    return spDepth;
}

EnPointer<EnVertexColorProperty> VertexColors(EnVertexColorProperty::SourceVertexMode eSource,
                                              EnVertexColorProperty::LightingMode eLighting) {
    EnPointer<EnVertexColorProperty> spColors = new EnVertexColorProperty;
    spColors->SetSourceMode(eSource);
    spColors->SetLightingMode(eLighting);
    return spColors;
}

EnPointer<EnTextureModeProperty> TextureMode(EnTextureModeProperty::ApplyMode eApply,
                                             EnTextureModeProperty::FilterMode eFilter,
                                             EnTextureModeProperty::ClampMode eClamp) {
    EnPointer<EnTextureModeProperty> spMode = new EnTextureModeProperty;
    spMode->SetApplyMode(eApply);
    spMode->SetFilterMode(eFilter);
    spMode->SetClampMode(eClamp);
    return spMode;
}

// Ordinary blending by the source's alpha, optionally also cutting away what is almost clear.
EnPointer<EnAlphaProperty> Blending(bool bCutClear) {
    EnPointer<EnAlphaProperty> spAlpha = new EnAlphaProperty;
    spAlpha->SetAlphaBlending(true);
    spAlpha->SetSrcBlendMode(EnAlphaProperty::ALPHA_SRCALPHA);
    spAlpha->SetDestBlendMode(EnAlphaProperty::ALPHA_INVSRCALPHA);
    if (bCutClear) {
        spAlpha->SetAlphaTesting(true);
        spAlpha->SetTestMode(EnAlphaProperty::TEST_GREATER);
        spAlpha->SetAlphaTestRef(24);
    }
    return spAlpha;
}

// A rotation whose first column is the direction (lights shine and cameras look along +X).
EnMatrix3 RotationAlong(const EnVector3& kDirection) {
    const EnVector3 kDir = Unit(kDirection);
    EnVector3 kUp = EnVector3(0, 0, 1) - kDir * kDir.z;
    if (kUp.SqrLength() < 1e-6f) kUp = EnVector3(0, 1, 0);
    kUp = Unit(kUp);
    EnMatrix3 kRotate;
    kRotate.SetColumns(kDir, kUp, kDir.Cross(kUp));
    return kRotate;
}

EnPointer<EnNode> MakeSky() {
    EnPointer<EnNode> spSky = NamedNode(TestTrackScene::SKY_NAME);
    // The sky is the backdrop: unlit, unfogged, behind everything, and it writes no depth.
    EnPointer<EnFogProperty> spNoFog = new EnFogProperty;
    spNoFog->SetFog(false);
    spSky->AttachProperty(spNoFog);
    spSky->AttachProperty(DepthBuffer(true, false));
    spSky->AttachProperty(
        VertexColors(EnVertexColorProperty::SOURCE_EMISSIVE, EnVertexColorProperty::LIGHTING_E));
    spSky->AttachProperty(new EnTextureProperty(TestTrackScene::SKY_IMAGE));
    spSky->AttachProperty(TextureMode(EnTextureModeProperty::APPLY_REPLACE,
                                      EnTextureModeProperty::FILTER_BILERP,
                                      EnTextureModeProperty::WRAP_S_CLAMP_T));

    // Rings from a little below the horizon up to the zenith, seen from inside. Without its
    // picture the dome still shows a horizon-to-zenith gradient through its vertex colours.
    constexpr uint32_t SEGMENTS = 32, RINGS = 9;
    const float fLowest = -12.0f * PI / 180.0f;
    DemoMesh kMesh(false, true, true);
    for (uint32_t j = 0; j <= RINGS; ++j) {
        const float fElevation = fLowest + (PI / 2 - fLowest) * float(j) / float(RINGS);
        const float h = std::max(0.0f, fElevation / (PI / 2));
        const EnColorRGBA kColor(0.78f - 0.48f * h, 0.85f - 0.35f * h, 0.93f - 0.08f * h, 1.0f);
        for (uint32_t i = 0; i <= SEGMENTS; ++i) {
            const float a = 2 * PI * float(i) / float(SEGMENTS);
            const EnVector3 kPoint(SKY_RADIUS * std::cos(fElevation) * std::cos(a),
                                   SKY_RADIUS * std::cos(fElevation) * std::sin(a),
                                   SKY_RADIUS * std::sin(fElevation));
            kMesh.AddVertex(kPoint, EnVector3(0, 0, 0), kColor,
                            EnVector2(2.0f * float(i) / float(SEGMENTS), 1.0f - h));
        }
    }
    for (uint32_t j = 0; j < RINGS; ++j)
        for (uint32_t i = 0; i < SEGMENTS; ++i) {
            const uint16_t a = uint16_t(j * (SEGMENTS + 1) + i), b = uint16_t(a + 1);
            const uint16_t d = uint16_t(a + SEGMENTS + 1), c = uint16_t(d + 1);
            // Clockwise from outside is counter-clockwise from the centre.
            kMesh.AddTriangle(a, c, b);
            kMesh.AddTriangle(a, d, c);
        }
    spSky->AddChild(Named(kMesh.MakeShape(), "skydome_shape"));
    return spSky;
}

EnPointer<EnNode> MakeGround() {
    EnPointer<EnNode> spGround = NamedNode("ground");
    spGround->AttachProperty(Material(EnColorRGB(0.45f, 0.72f, 0.35f)));
    spGround->AttachProperty(new EnTextureProperty(TestTrackScene::GRASS_IMAGE));
    spGround->AttachProperty(TextureMode(EnTextureModeProperty::APPLY_MODULATE,
                                         EnTextureModeProperty::FILTER_TRILERP,
                                         EnTextureModeProperty::WRAP_S_WRAP_T));
    // Ground, road and markings lie flat and are drawn in that order before anything that
    // stands on them, so they need no depth of their own (and cannot fight over it).
    spGround->AttachProperty(DepthBuffer(true, false));
    DemoMesh kMesh(true, false, true);
    const float S = GROUND_HALF_SIZE;
    kMesh.AddQuad({-S, -S, 0}, {2 * S, 0, 0}, {0, 2 * S, 0}, WHITE, 15.0f, 20, 20);
    spGround->AddChild(Named(kMesh.MakeShape(), "ground_shape"));
    return spGround;
}

EnPointer<EnNode> MakeRoad() {
    EnPointer<EnNode> spRoad = NamedNode("road");
    spRoad->AttachProperty(Material(EnColorRGB(0.62f, 0.62f, 0.65f)));
    spRoad->AttachProperty(new EnTextureProperty(TestTrackScene::ASPHALT_IMAGE));
    spRoad->AttachProperty(TextureMode(EnTextureModeProperty::APPLY_MODULATE,
                                       EnTextureModeProperty::FILTER_TRILERP,
                                       EnTextureModeProperty::WRAP_S_WRAP_T));
    spRoad->AttachProperty(DepthBuffer(true, false));

    // One strip round the loop, inside edge first so that the strip faces up; the last pair
    // repeats the first with the texture carried on.
    DemoMesh kMesh(true, false, true);
    std::vector<uint16_t> kStrip;
    const float fStep = LoopLength() / float(ROAD_SAMPLES);
    for (uint32_t i = 0; i <= ROAD_SAMPLES; ++i) {
        const float s = fStep * float(i);
        const LoopPoint kPoint = PointAt(s);
        const EnVector3 kHalf = kPoint.Inside() * (ROAD_WIDTH / 2);
        const float v = s / ROAD_TEXTURE_LENGTH;
        const EnVector3 kUp(0, 0, 1);
        kStrip.push_back(kMesh.AddVertex(kPoint.kPosition + kHalf + EnVector3(0, 0, 0.02f), kUp,
                                         WHITE, EnVector2(0, v)));
        kStrip.push_back(kMesh.AddVertex(kPoint.kPosition - kHalf + EnVector3(0, 0, 0.02f), kUp,
                                         WHITE, EnVector2(1, v)));
    }
    kMesh.AddStrip(kStrip);
    spRoad->AddChild(Named(kMesh.MakeStrips(), "road_strip"));
    return spRoad;
}

EnPointer<EnNode> MakeMarkings() {
    EnPointer<EnNode> spMarkings = NamedNode("markings");
    spMarkings->AttachProperty(Material(EnColorRGB(1, 1, 1)));
    spMarkings->AttachProperty(VertexColors(EnVertexColorProperty::SOURCE_AMB_DIFF,
                                            EnVertexColorProperty::LIGHTING_E_A_D));
    spMarkings->AttachProperty(DepthBuffer(true, false));

    // Red and white kerbs on the inside of both hairpins, one strip each. Every block repeats
    // its end pair in the next colour, so the colours change sharply.
    const EnColorRGBA kRed(0.85f, 0.1f, 0.1f, 1), kWhite(0.95f, 0.95f, 0.95f, 1);
    const EnVector3 kUp(0, 0, 1);
    DemoMesh kKerbs(true, true, false);
    const float fArc = PI * HAIRPIN_RADIUS, fBlock = 4.0f;
    for (float fStart : {STRAIGHT, 2 * STRAIGHT + fArc}) {
        std::vector<uint16_t> kStrip;
        const uint32_t uiBlocks = uint32_t(fArc / fBlock);
        for (uint32_t b = 0; b < uiBlocks; ++b) {
            const EnColorRGBA& kColor = b % 2 ? kWhite : kRed;
            for (float s : {fStart + fBlock * float(b), fStart + fBlock * float(b + 1)}) {
                const LoopPoint kPoint = PointAt(s);
                const EnVector3 kEdge = kPoint.kPosition + kPoint.Inside() * (ROAD_WIDTH / 2);
                const EnVector3 kLift(0, 0, 0.03f);
                kStrip.push_back(kKerbs.AddVertex(kEdge + kPoint.Inside() * KERB_WIDTH + kLift, kUp,
                                                  kColor, EnVector2(0, 0)));
                kStrip.push_back(kKerbs.AddVertex(kEdge + kLift, kUp, kColor, EnVector2(0, 0)));
            }
        }
        kKerbs.AddStrip(kStrip);
    }
    spMarkings->AddChild(Named(kKerbs.MakeStrips(), "kerbs"));

    // The chequered start line across the main straight at x = 0.
    DemoMesh kLine(true, true, false);
    const float fCell = ROAD_WIDTH / 8;
    for (uint32_t row = 0; row < 2; ++row)
        for (uint32_t col = 0; col < 8; ++col) {
            const EnColorRGBA kColor =
                (row + col) % 2 ? kWhite : EnColorRGBA(0.05f, 0.05f, 0.05f, 1);
            kLine.AddQuad(
                {-1.0f + float(row), -HAIRPIN_RADIUS - ROAD_WIDTH / 2 + fCell * float(col), 0.03f},
                {1.0f, 0, 0}, {0, fCell, 0}, kColor, 1.0f);
        }
    spMarkings->AddChild(Named(kLine.MakeShape(), "start_line"));
    return spMarkings;
}

EnPointer<EnNode> MakePits() {
    EnPointer<EnNode> spPits = NamedNode("pits");

    EnPointer<EnNode> spBuilding = NamedNode("pit_building");
    spBuilding->AttachProperty(Material(EnColorRGB(0.85f, 0.85f, 0.82f)));
    spBuilding->AttachProperty(new EnTextureProperty(TestTrackScene::WALL_IMAGE));
    spBuilding->AttachProperty(TextureMode(EnTextureModeProperty::APPLY_MODULATE,
                                           EnTextureModeProperty::FILTER_BILERP,
                                           EnTextureModeProperty::WRAP_S_WRAP_T));
    DemoMesh kWalls(true, false, true);
    kWalls.AddBox({-40, -58, 0}, {30, -46, 7}, WHITE, 4.0f, 5.0f);
    kWalls.AddBox({-5, -56, 7}, {10, -48, 12}, WHITE, 4.0f, 2.5f);
    spBuilding->AddChild(Named(kWalls.MakeShape(), "pit_walls"));
    spPits->AddChild(spBuilding);

    // Blue-tinted glass: the pit windows and the band round the control tower, one object per
    // face so that the sorter has several to order.
    EnPointer<EnNode> spGlass = NamedNode("glass");
    spGlass->AttachProperty(Material(EnColorRGB(0.35f, 0.55f, 0.75f), 0.4f));
    spGlass->AttachProperty(Blending(false));
    spGlass->AttachProperty(DepthBuffer(true, false));
    struct Pane {
        EnVector3 kOrigin, kU, kV;
        const char* pcName;
    };
    const Pane kPanes[] = {
        {{-37, -58.3f, 2.2f}, {64, 0, 0}, {0, 0, 3.2f}, "pit_windows"},
        {{-5.3f, -56.3f, 8.5f}, {15.6f, 0, 0}, {0, 0, 2.5f}, "tower_glass_front"},
        {{10.3f, -56.3f, 8.5f}, {0, 8.6f, 0}, {0, 0, 2.5f}, "tower_glass_east"},
        {{10.3f, -47.7f, 8.5f}, {-15.6f, 0, 0}, {0, 0, 2.5f}, "tower_glass_back"},
        {{-5.3f, -47.7f, 8.5f}, {0, -8.6f, 0}, {0, 0, 2.5f}, "tower_glass_west"},
    };
    for (const Pane& kPane : kPanes) {
        DemoMesh kMesh(true, false, false);
        kMesh.AddQuad(kPane.kOrigin, kPane.kU, kPane.kV, WHITE, 1.0f);
        spGlass->AddChild(Named(kMesh.MakeShape(), kPane.pcName));
    }
    spPits->AddChild(spGlass);

    // A warm lamp in front of the garages lights only the pit buildings.
    EnPointer<EnPointLight> spLamp = new EnPointLight;
    spLamp->SetName("pit_lamp");
    spLamp->SetLocalTranslate(EnVector3(-15, -62, 5));
    spLamp->SetAmbientColor(EnColorRGB(0, 0, 0));
    spLamp->SetDiffuseColor(EnColorRGB(1.0f, 0.5f, 0.15f));
    spLamp->SetSpecularColor(EnColorRGB(0, 0, 0));
    spLamp->SetConstantAttenuation(0.4f);
    spLamp->SetLinearAttenuation(0.05f);
    spLamp->SetQuadraticAttenuation(0.0f);
    spPits->AddChild(spLamp);
    spPits->AttachEffect(spLamp);
    return spPits;
}

EnPointer<EnNode> MakeStartGantry() {
    EnPointer<EnNode> spGantry = NamedNode("start_gantry");
    EnPointer<EnNode> spFrame = NamedNode("gantry_frame");
    spFrame->AttachProperty(Material(EnColorRGB(0.25f, 0.27f, 0.3f)));
    DemoMesh kFrame(true, false, false);
    const float y0 = -HAIRPIN_RADIUS - ROAD_WIDTH / 2 - 3,
                y1 = -HAIRPIN_RADIUS + ROAD_WIDTH / 2 + 3;
    kFrame.AddBox({-0.5f, y0, 0}, {0.5f, y0 + 1, 9.2f}, WHITE, 1.0f, 10.0f);
    kFrame.AddBox({-0.5f, y1 - 1, 0}, {0.5f, y1, 9.2f}, WHITE, 1.0f, 10.0f);
    kFrame.AddBox({-0.5f, y0, 8}, {0.5f, y1, 9.2f}, WHITE, 1.0f, 10.0f);
    kFrame.AddBox({-0.45f, -77, 6.2f}, {0.45f, -63, 8}, WHITE, 1.0f, 10.0f);
    spFrame->AddChild(Named(kFrame.MakeShape(), "gantry_beams"));
    spGantry->AddChild(spFrame);

    // The lamps face the cars coming down the straight (-X). The switch shows one of its two
    // sets, red or green.
    EnPointer<EnSwitchNode> spLights = new EnSwitchNode;
    spLights->SetName("start_lights");
    spLights->AttachProperty(
        VertexColors(EnVertexColorProperty::SOURCE_EMISSIVE, EnVertexColorProperty::LIGHTING_E));
    const EnColorRGBA kOn[2] = {EnColorRGBA(1, 0.08f, 0.05f, 1), EnColorRGBA(0.1f, 1, 0.2f, 1)};
    const char* const apcNames[2] = {"lights_red", "lights_green"};
    for (int iSet = 0; iSet < 2; ++iSet) {
        DemoMesh kLamps(false, true, false);
        for (int i = 0; i < 5; ++i) {
            const float y = -74.8f + 2.4f * float(i);
            kLamps.AddQuad({-0.5f, y + 1.6f, 6.4f}, {0, -1.6f, 0}, {0, 0, 1.4f}, kOn[iSet], 1.0f);
        }
        spLights->AddChild(Named(kLamps.MakeShape(), apcNames[iSet]));
    }
    spLights->SetIndex(0);
    spGantry->AddChild(spLights);
    return spGantry;
}

EnPointer<EnNode> MakeFences() {
    EnPointer<EnNode> spFences = NamedNode("fences");
    spFences->AttachProperty(Material(EnColorRGB(0.75f, 0.77f, 0.8f), 0.8f));
    spFences->AttachProperty(new EnTextureProperty(TestTrackScene::FENCE_IMAGE));
    spFences->AttachProperty(TextureMode(EnTextureModeProperty::APPLY_MODULATE,
                                         EnTextureModeProperty::FILTER_BILERP,
                                         EnTextureModeProperty::WRAP_S_CLAMP_T));
    spFences->AttachProperty(Blending(true));
    spFences->AttachProperty(DepthBuffer(true, false));
    // Sections along the outside of both straights, each seen from both sides.
    const float fHeight = 3.5f, fOutside = HAIRPIN_RADIUS + ROAD_WIDTH / 2 + 6;
    int iSection = 0;
    for (float y : {-fOutside, fOutside})
        for (float x = -130.0f; x < 110.0f; x += 60.0f, ++iSection) {
            DemoMesh kMesh(true, false, true);
            kMesh.AddQuad({x, y, 0}, {60, 0, 0}, {0, 0, fHeight}, WHITE, fHeight, 6, 1);
            kMesh.AddQuad({x + 60, y, 0}, {-60, 0, 0}, {0, 0, fHeight}, WHITE, fHeight, 6, 1);
            char acName[32];
            std::snprintf(acName, sizeof acName, "fence_%02d", iSection);
            spFences->AddChild(Named(kMesh.MakeShape(), acName));
        }
    return spFences;
}

EnPointer<EnNode> MakeGrandstand() {
    EnPointer<EnNode> spStand = NamedNode("grandstand");
    spStand->AttachProperty(Material(EnColorRGB(1, 1, 1)));
    spStand->AttachProperty(VertexColors(EnVertexColorProperty::SOURCE_AMB_DIFF,
                                         EnVertexColorProperty::LIGHTING_E_A_D));
    // Five tiers rising away from the right hairpin, seats in club colours, under a grey roof.
    const EnColorRGBA kTiers[5] = {{0.15f, 0.3f, 0.8f, 1},
                                   {0.95f, 0.8f, 0.1f, 1},
                                   {0.15f, 0.3f, 0.8f, 1},
                                   {0.95f, 0.8f, 0.1f, 1},
                                   {0.8f, 0.15f, 0.15f, 1}};
    DemoMesh kMesh(true, true, false);
    for (int k = 0; k < 5; ++k)
        kMesh.AddBox({205.0f + 4.0f * float(k), -45, 0},
                     {205.0f + 4.0f * float(k + 1), 45, 2.5f * float(k + 1)}, kTiers[k], 1.0f,
                     15.0f);
    const EnColorRGBA kRoof(0.55f, 0.55f, 0.58f, 1), kPost(0.4f, 0.4f, 0.42f, 1);
    kMesh.AddBox({203, -47, 15}, {229, 47, 15.6f}, kRoof, 1.0f, 15.0f);
    kMesh.AddBox({225, -46.5f, 0}, {226, -45.5f, 15}, kPost, 1.0f, 15.0f);
    kMesh.AddBox({225, 45.5f, 0}, {226, 46.5f, 15}, kPost, 1.0f, 15.0f);
    spStand->AddChild(Named(kMesh.MakeShape(), "grandstand_shape"));
    return spStand;
}

// A tree that shows its detailed model near the camera and a plain cone farther away.
EnPointer<EnLODNode> MakeTree(const EnVector3& kWhere, int iIndex) {
    EnPointer<EnLODNode> spTree = new EnLODNode;
    char acName[32];
    std::snprintf(acName, sizeof acName, "tree_%02d", iIndex);
    spTree->SetName(acName);
    spTree->SetLocalTranslate(kWhere);
    const EnColorRGB kLeaves(0.18f, 0.45f, 0.16f), kBark(0.4f, 0.28f, 0.15f);

    EnPointer<EnNode> spNear = NamedNode("tree_near");
    DemoMesh kTrunk(true, false, false);
    kTrunk.AddBox({-0.4f, -0.4f, 0}, {0.4f, 0.4f, 3}, WHITE, 1.0f, 3.0f);
    EnPointer<EnTriShape> spTrunk = Named(kTrunk.MakeShape(), "trunk");
    spTrunk->AttachProperty(Material(kBark));
    spNear->AddChild(spTrunk);
    DemoMesh kCrown(true, false, false);
    kCrown.AddCone({0, 0, 2.5f}, 3.2f, 5.0f, 12, WHITE);
    kCrown.AddCone({0, 0, 5.5f}, 2.4f, 4.5f, 12, WHITE);
    EnPointer<EnTriShape> spCrown = Named(kCrown.MakeShape(), "crown");
    spCrown->AttachProperty(Material(kLeaves));
    spNear->AddChild(spCrown);

    EnPointer<EnNode> spFar = NamedNode("tree_far");
    DemoMesh kCone(true, false, false);
    kCone.AddCone({0, 0, 0.5f}, 3.2f, 9.5f, 5, WHITE);
    EnPointer<EnTriShape> spCone = Named(kCone.MakeShape(), "cone");
    spCone->AttachProperty(Material(kLeaves));
    spFar->AddChild(spCone);

    spTree->AddChild(spNear);
    spTree->AddChild(spFar);
    spTree->SetRange(0.0f, LOD_SWITCH_DISTANCE, 0);
    spTree->SetRange(LOD_SWITCH_DISTANCE, 2.0f * TestTrackScene::FAR_DISTANCE, 1);
    return spTree;
}

EnPointer<EnNode> MakeTrees() {
    EnPointer<EnNode> spTrees = NamedNode("trees");
    // Three stand in the foreground outside the main straight, close enough for the detailed
    // model; the rest are spread over the infield and beyond.
    const EnVector3 kPlaces[] = {{-25, -98, 0}, {5, -100, 0},  {25, -95, 0}, {50, 5, 0},
                                 {70, 22, 0},   {20, -20, 0},  {-10, 5, 0},  {90, -25, 0},
                                 {150, 110, 0}, {200, -40, 0}, {-60, 10, 0}, {10, 125, 0},
                                 {-120, 115, 0}};
    int i = 0;
    for (const EnVector3& kPlace : kPlaces) spTrees->AddChild(MakeTree(kPlace, i++));
    return spTrees;
}

EnPointer<EnScreenPolygon> MakeBanner() {
    // Screen coordinates run from 0 to 1 across the view with y upward; the banner sits in the
    // top left. Its corners go round counter-clockwise from the top left, as the game's
    // overlays do theirs, with the picture's top row at the top.
    const float x0 = 0.03f, x1 = 0.43f, y0 = 0.85f, y1 = 0.95f;
    const EnVector3 kCorners[4] = {{x0, y1, 0.0f}, {x0, y0, 0.0f}, {x1, y0, 0.0f}, {x1, y1, 0.0f}};
    const EnVector2 kTexture[4] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    const EnColorRGBA kColors[4] = {{0.1f, 0.1f, 0.3f, 0.7f},
                                    {0.2f, 0.2f, 0.45f, 0.7f},
                                    {0.2f, 0.2f, 0.45f, 0.7f},
                                    {0.1f, 0.1f, 0.3f, 0.7f}};
    EnPointer<EnScreenPolygon> spBanner = new EnScreenPolygon(4, kCorners, kTexture, kColors);
    EnPropertyState* pState = spBanner->GetPropertyState();
    pState->SetProperty(
        VertexColors(EnVertexColorProperty::SOURCE_EMISSIVE, EnVertexColorProperty::LIGHTING_E));
    pState->SetProperty(Blending(false));
    pState->SetProperty(new EnTextureProperty(TestTrackScene::BANNER_IMAGE));
    pState->SetProperty(TextureMode(EnTextureModeProperty::APPLY_REPLACE,
                                    EnTextureModeProperty::FILTER_BILERP,
                                    EnTextureModeProperty::CLAMP_S_CLAMP_T));
    return spBanner;
}

}  // namespace

TestTrackScene::TestTrackScene() {
    m_spRoot = NamedNode(ROOT_NAME);
    m_spRoot->AttachProperty(DepthBuffer(true, true));
    EnPointer<EnFogProperty> spFog = new EnFogProperty;
    spFog->SetFog(true);
    spFog->SetFogFunction(EnFogProperty::FOG_Z_LINEAR);
    spFog->SetDepth(0.8f);
    spFog->SetFogColor(EnColorRGB(0.74f, 0.8f, 0.86f));
    m_spRoot->AttachProperty(spFog);

    // Sun from the camera's side of the main straight, high in the sky, and a blue-grey sky
    // light.
    EnPointer<EnNode> spLights = NamedNode("lights");
    EnPointer<EnDirectionalLight> spSun = new EnDirectionalLight;
    spSun->SetName("sun");
    spSun->SetLocalRotate(RotationAlong(EnVector3(0.35f, 0.55f, -0.75f)));
    spSun->SetAmbientColor(EnColorRGB(0, 0, 0));
    spSun->SetDiffuseColor(EnColorRGB(0.9f, 0.85f, 0.75f));
    spSun->SetSpecularColor(EnColorRGB(0, 0, 0));
    EnPointer<EnAmbientLight> spSkyLight = new EnAmbientLight;
    spSkyLight->SetName("sky_light");
    spSkyLight->SetAmbientColor(EnColorRGB(0.42f, 0.45f, 0.52f));
    spSkyLight->SetDiffuseColor(EnColorRGB(0, 0, 0));
    spSkyLight->SetSpecularColor(EnColorRGB(0, 0, 0));
    spLights->AddChild(spSun);
    spLights->AddChild(spSkyLight);
    m_spRoot->AttachEffect(spSun);
    m_spRoot->AttachEffect(spSkyLight);

    // Drawn in child order: the backdrop and the flat layers first.
    m_spRoot->AddChild(MakeSky());
    m_spRoot->AddChild(MakeGround());
    m_spRoot->AddChild(MakeRoad());
    m_spRoot->AddChild(MakeMarkings());
    m_spRoot->AddChild(spLights);
    m_spRoot->AddChild(MakePits());
    m_spRoot->AddChild(MakeStartGantry());
    m_spRoot->AddChild(MakeGrandstand());
    m_spRoot->AddChild(MakeTrees());
    m_spRoot->AddChild(MakeFences());
    m_spRoot->Update(0.0f);

    m_spCamera = new EnCamera;
    m_spCamera->SetName(CAMERA_NAME);
    m_spCamera->SetViewFrustum({-FRUSTUM_HALF_WIDTH, FRUSTUM_HALF_WIDTH, FRUSTUM_HALF_HEIGHT,
                                -FRUSTUM_HALF_HEIGHT, NEAR_DISTANCE, FAR_DISTANCE});
    // From behind the fence of the main straight, looking over the pits and the gantry towards
    // the far hairpin and its grandstand.
    m_spCamera->SetLocalTranslate(EnVector3(-62, -102, 9));
    m_spCamera->Update(0.0f);
    m_spCamera->AimAt(EnVector3(40, -48, 0), EnVector3(0, 0, 1));
    m_spCamera->SetScene(m_spRoot);
    m_spCamera->AttachScreenPolygon(MakeBanner());
}

bool TestTrackScene::Save(const char* pcPath) const {
    EnStream kStream;
    kStream.InsertObject(m_spRoot);
    kStream.InsertObject(m_spCamera);
    return kStream.Save(pcPath);
}
