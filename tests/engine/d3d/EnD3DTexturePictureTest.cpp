// Textured scenes drawn through camera, renderer and the OpenGL back end, read back and compared
// with the pictures they must give: base textures, decals, glow maps, environment maps,
// projected lights, a mirror drawn through a render target, and image blits with and without
// the colour key. Needs a display (Xvfb in CI); skipped without one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/EnCamera.h"
#include "engine/core/EnColorRGB.h"
#include "engine/core/EnColorRGBA.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/core/EnVector2.h"
#include "engine/core/EnVertexColorProperty.h"
#include "engine/d3d/EnD3DFrameBuffer.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/geometry/EnImage.h"
#include "engine/geometry/EnMultiTextureProperty.h"
#include "engine/geometry/EnRawImageData.h"
#include "engine/geometry/EnTextureEffect.h"
#include "engine/geometry/EnTextureProperty.h"
#include "engine/geometry/EnTriShape.h"
#include "platform/gfx/Backend.h"
#include "platform/gfx/gl/GlBackend.h"
#include "platform/window/Window.h"
#include "platform/window/WindowClass.h"
#include "tests/support/GlRenderWindow.h"

namespace {

using namespace plat::gfx;

constexpr uint32_t kWidth = 160, kHeight = 120;
// Looking along +x with +y up and +z to the right: at distance d the view holds z within
// +-d/2 and y within +-3d/8.
const EnFrustum kFrustum{-0.5f, 0.5f, 0.375f, -0.375f, 1.0f, 100.0f};

struct Panel {
    float d, z0, z1, y0, y1;

    int Left() const { return int((z0 / (0.5f * d) + 1.0f) * 0.5f * kWidth); }
    int Right() const { return int((z1 / (0.5f * d) + 1.0f) * 0.5f * kWidth); }
    int Top() const { return int((1.0f - (y1 / (0.375f * d) + 1.0f) * 0.5f) * kHeight); }
    int Bottom() const { return int((1.0f - (y0 / (0.375f * d) + 1.0f) * 0.5f) * kHeight); }
};

// A rectangle of pixels and the colour it must show.
struct Region {
    int left, top, right, bottom;
    uint32_t rgb;
    const char* what;
};

// The quarters of a panel's pixels, a margin away from its edges and middle lines.
Region Quarter(const Panel& p, int column, int row, uint32_t rgb, const char* what) {
    const int midX = (p.Left() + p.Right()) / 2, midY = (p.Top() + p.Bottom()) / 2;
    const int m = 3;
    return {column ? midX + m : p.Left() + m,
            row ? midY + m : p.Top() + m,
            column ? p.Right() - m : midX - m,
            row ? p.Bottom() - m : midY - m,
            rgb,
            what};
}

Region Whole(const Panel& p, uint32_t rgb, const char* what) {
    return {p.Left() + 3, p.Top() + 3, p.Right() - 3, p.Bottom() - 3, rgb, what};
}

// Corners bottom-left, top-left, top-right, bottom-right, wound so that the clockwise culling
// keeps them; texture coordinates put the image's top left at the panel's top left.
EnTriShape* Quad(const Panel& p, const EnColorRGBA& color, bool normals = false) {
    auto* colors = new EnColorRGBA[4]{color, color, color, color};
    EnVector3* n =
        normals ? new EnVector3[4]{{-1, 0, 0}, {-1, 0, 0}, {-1, 0, 0}, {-1, 0, 0}} : nullptr;
    return new EnTriShape(
        4,
        new EnVector3[4]{
            {p.d, p.y0, p.z0}, {p.d, p.y1, p.z0}, {p.d, p.y1, p.z1}, {p.d, p.y0, p.z1}},
        n, colors, new EnVector2[4]{{0, 1}, {0, 0}, {1, 0}, {1, 1}}, 2,
        new uint16_t[6]{0, 3, 1, 3, 2, 1});
}

// An image from pixels given row by row as 0xAARRGGBB (alpha kept only when asked).
EnImage* Image(uint32_t width, uint32_t height, std::vector<uint32_t> argb, bool alpha = false) {
    EnPointer<EnRawImageData> raw = new EnRawImageData(
        alpha ? EnRawImageData::FORMAT_RGBA : EnRawImageData::FORMAT_RGB, width, height);
    uint8_t* out = raw->GetPixels();
    for (uint32_t c : argb) {
        *out++ = uint8_t(c >> 16);
        *out++ = uint8_t(c >> 8);
        *out++ = uint8_t(c);
        if (alpha) *out++ = uint8_t(c >> 24);
    }
    return EnImage::CreateFromRawData(raw, EnImage::OPTION_OFF, EnImage::TEX_DEFAULT,
                                      EnImage::OPTION_OFF);
}

EnTextureModeProperty* Mode(EnTextureModeProperty::ApplyMode apply,
                            EnTextureModeProperty::ClampMode clamp) {
    auto* mode = new EnTextureModeProperty;
    mode->SetApplyMode(apply);
    mode->SetFilterMode(EnTextureModeProperty::FILTER_NEAREST);
    mode->SetClampMode(clamp);
    return mode;
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift : {0, 8, 16})
        if (std::abs(int(a >> shift & 0xff) - int(b >> shift & 0xff)) > tolerance) return false;
    return true;
}

class TexturePicture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!GlRenderWindow::DisplayAvailable(&why)) GTEST_SKIP() << "no OpenGL display: " << why;
        ASSERT_TRUE(m_gl.Open(0x09)) << m_gl.Problem();
        m_renderer = m_gl.Renderer();
    }
    void TearDown() override {
        m_cameras.clear();
        m_renderer = nullptr;
        m_gl.Close();
    }

    EnCamera* Camera(EnNode* scene) {
        EnPointer<EnCamera> camera = new EnCamera;
        camera->SetViewFrustum(kFrustum);
        camera->SetScene(scene);
        camera->SetRenderer(m_renderer);
        camera->Update(0.0f);
        m_cameras.push_back(camera);
        return camera;
    }

    std::vector<uint32_t> ReadBack() { return m_gl.ReadBack(); }

    void Check(const std::vector<uint32_t>& picture, const std::vector<Region>& regions,
               int tolerance) {
        for (const Region& r : regions) {
            int wrong = 0, checked = 0;
            for (int y = r.top; y < r.bottom; y++) {
                for (int x = r.left; x < r.right; x++) {
                    const uint32_t got = picture[y * kWidth + x];
                    checked++;
                    if (!Near(got, r.rgb, tolerance) && wrong++ < 3)
                        ADD_FAILURE() << r.what << ": pixel (" << x << ", " << y << ") is 0x"
                                      << std::hex << got << " instead of 0x" << r.rgb;
                }
            }
            EXPECT_GT(checked, 0) << r.what;
            EXPECT_EQ(wrong, 0) << r.what << ": of " << checked << " pixels";
        }
    }

    GlRenderWindow m_gl{"EnD3DTexturePicture", kWidth, kHeight};
    EnD3DRender* m_renderer = nullptr;
    std::vector<EnPointer<EnCamera>> m_cameras;
};

TEST_F(TexturePicture, TexturedShapesDrawTheExpectedPicture) {
    const float d = 10.0f, c = 10.0f / 3.0f, h = 1.2f;
    const Panel checker{d, -c - h, -c + h, 1.875f - h, 1.875f + h};
    const Panel decal{d, -h, h, 1.875f - h, 1.875f + h};
    const Panel glow{d, c - h, c + h, 1.875f - h, 1.875f + h};
    const Panel environment{d, -c - h, -c + h, -1.875f - h, -1.875f + h};
    const Panel projected{d, -h, h, -1.875f - h, -1.875f + h};
    const Panel mirror{d, c - h, c + h, -1.875f - h, -1.875f + h};
    const EnColorRGBA white(1, 1, 1, 1), black(0, 0, 0, 1), blue(0, 0, 1, 1),
        grey(0.5f, 0.5f, 0.5f, 1);
    const std::vector<uint32_t> quarters = {0xff0000, 0x00ff00, 0x0000ff, 0xffffff};

    // Every object shows its vertex colours unlit.
    EnPointer<EnNode> root = new EnNode;
    EnPointer<EnVertexColorProperty> unlit = new EnVertexColorProperty;
    unlit->SetSourceMode(EnVertexColorProperty::SOURCE_EMISSIVE);
    unlit->SetLightingMode(EnVertexColorProperty::LIGHTING_E);
    root->AttachProperty(unlit);

    // A base texture replacing the vertex colour, its quarters where the image has them.
    EnTriShape* checkerShape = Quad(checker, black);
    auto* checkerTexture = new EnTextureProperty;
    checkerTexture->SetImage(Image(2, 2, quarters));
    checkerShape->AttachProperty(checkerTexture);
    checkerShape->AttachProperty(
        Mode(EnTextureModeProperty::APPLY_REPLACE, EnTextureModeProperty::CLAMP_S_CLAMP_T));
    root->AddChild(checkerShape);

    // A decal: opaque red on the left, a clear texel over the blue vertex colour on the right.
    EnTriShape* decalShape = Quad(decal, blue);
    auto* decalTexture = new EnTextureProperty;
    decalTexture->SetImage(Image(2, 1, {0xffff0000, 0x0000ff00}, true));
    decalShape->AttachProperty(decalTexture);
    decalShape->AttachProperty(
        Mode(EnTextureModeProperty::APPLY_DECAL, EnTextureModeProperty::CLAMP_S_CLAMP_T));
    root->AddChild(decalShape);

    // A dark grey base texture under white vertex colours, with a green glow map added.
    EnTriShape* glowShape = Quad(glow, white);
    auto* glowBase = new EnTextureProperty;
    glowBase->SetImage(Image(1, 1, {0x404040}));
    glowShape->AttachProperty(glowBase);
    glowShape->AttachProperty(
        Mode(EnTextureModeProperty::APPLY_MODULATE, EnTextureModeProperty::WRAP_S_WRAP_T));
    auto* maps = new EnMultiTextureProperty;
    maps->SetMap(
        EnMultiTextureProperty::GLOW_MAP,
        EnMultiTextureProperty::Map(Image(1, 1, {0x008000}), EnTextureModeProperty::WRAP_S_WRAP_T,
                                    EnTextureModeProperty::FILTER_NEAREST));
    glowShape->AttachProperty(maps);
    root->AddChild(glowShape);

    // An environment map over a black panel that faces the camera: the reflection points back
    // at the camera (u below one half) and down with the panel below the middle (v below one
    // half), so the image's top left quarter shows.
    EnPointer<EnNode> environmentNode = new EnNode;
    environmentNode->AddChild(Quad(environment, black, true));
    EnPointer<EnTextureEffect> sphere = new EnTextureEffect;
    sphere->SetTextureMode(EnTextureEffect::ENVIRONMENT_MAP);
    sphere->SetCoordMode(EnTextureEffect::SPHERE_MAP);
    sphere->SetTextureClamp(EnTextureEffect::CLAMP_S_CLAMP_T);
    sphere->SetImage(Image(2, 2, {0xff0000, 0x00ff00, 0x0000ff, 0xffffff}));
    sphere->Update(0.0f);
    environmentNode->AttachEffect(sphere);
    root->AddChild(environmentNode);

    // A projected light laying its quarters over a mid-grey panel: the light is drawn first and
    // the panel's colour multiplies it in a second pass.
    EnPointer<EnNode> projectedNode = new EnNode;
    projectedNode->AddChild(Quad(projected, grey));
    EnPointer<EnTextureEffect> light = new EnTextureEffect;
    light->SetTextureMode(EnTextureEffect::PROJECTED_LIGHT);
    light->SetCoordMode(EnTextureEffect::WORLD_PARALLEL);
    light->SetTextureClamp(EnTextureEffect::CLAMP_S_CLAMP_T);
    const float sz = 1.0f / (projected.z1 - projected.z0),
                sy = 1.0f / (projected.y1 - projected.y0);
    light->SetModelProjectionMatrix(EnMatrix3(0, 0, sz, 0, -sy, 0, 0, 0, 0));
    light->SetModelProjectionTranslation(EnVector3(-projected.z0 * sz, projected.y1 * sy, 0));
    light->SetImage(Image(2, 2, {0xffff00, 0x00ffff, 0xff00ff, 0xffffff}));
    light->Update(0.0f);
    projectedNode->AttachEffect(light);
    root->AddChild(projectedNode);

    // A mirror: a panel showing what a second camera drew into a render target, a red panel
    // over the top half of a green background.
    const uint32_t target = m_renderer->CreateRenderTarget(64, 64);
    ASSERT_EQ(target, 1u);
    EnPointer<EnNode> mirrorScene = new EnNode;
    mirrorScene->AttachProperty(unlit);
    mirrorScene->AddChild(Quad({d, -5.0f, 5.0f, 0.0f, 3.75f}, EnColorRGBA(1, 0, 0, 1)));
    EnTriShape* mirrorShape = Quad(mirror, black);
    auto* mirrorTexture = new EnTextureProperty;
    mirrorTexture->SetImage(m_renderer->GetFrameBuffer(target)->GetBackImage());
    mirrorShape->AttachProperty(mirrorTexture);
    mirrorShape->AttachProperty(
        Mode(EnTextureModeProperty::APPLY_REPLACE, EnTextureModeProperty::CLAMP_S_CLAMP_T));
    root->AddChild(mirrorShape);

    for (EnNode* scene : {root.Get(), mirrorScene.Get()}) {
        scene->Update(0.0f);
        scene->UpdateProperties();
        scene->UpdateEffects();
    }
    EnCamera* mirrorCamera = Camera(mirrorScene);
    EnCamera* camera = Camera(root);
    for (int frame = 0; frame < 2; frame++) {
        ASSERT_TRUE(m_renderer->SetRenderTarget(target));
        m_renderer->SetBackgroundColor(EnColorRGB(0, 1, 0));
        EXPECT_TRUE(m_renderer->ClearBuffers(nullptr, EnRender::CLEAR_ALL));
        mirrorCamera->RenderFrame();
        ASSERT_TRUE(m_renderer->SetRenderTarget(0));
        m_renderer->SetBackgroundColor(EnColorRGB(0.1f, 0.1f, 0.1f));
        EXPECT_TRUE(m_renderer->ClearBuffers(nullptr, EnRender::CLEAR_ALL));
        camera->RenderFrame();
        EXPECT_TRUE(m_renderer->SwapBuffers());
    }

    Check(ReadBack(),
          {
              Quarter(checker, 0, 0, 0xff0000, "checker, top left"),
              Quarter(checker, 1, 0, 0x00ff00, "checker, top right"),
              Quarter(checker, 0, 1, 0x0000ff, "checker, bottom left"),
              Quarter(checker, 1, 1, 0xffffff, "checker, bottom right"),
              Quarter(decal, 0, 0, 0xff0000, "decal, opaque half"),
              Quarter(decal, 1, 1, 0x0000ff, "decal, clear half"),
              Whole(glow, 0x40c040, "base texture with glow"),
              Whole(environment, 0xff0000, "environment map"),
              Quarter(projected, 0, 0, 0x808000, "projected light, top left"),
              Quarter(projected, 1, 0, 0x008080, "projected light, top right"),
              Quarter(projected, 0, 1, 0x800080, "projected light, bottom left"),
              Quarter(projected, 1, 1, 0x808080, "projected light, bottom right"),
              Quarter(mirror, 0, 0, 0xff0000, "mirror, top"),
              Quarter(mirror, 1, 1, 0x00ff00, "mirror, bottom"),
              {0, 0, int(kWidth), 8, 0x191919, "background"},
          },
          3);
}

TEST_F(TexturePicture, BlitsCopyImagesWithAndWithoutTheColourKey) {
    // A yellow square with a black border: the key leaves the border out.
    std::vector<uint32_t> pixels(8 * 8, 0);
    for (uint32_t y = 2; y < 6; y++)
        for (uint32_t x = 2; x < 6; x++) pixels[y * 8 + x] = 0xffff00;
    EnPointer<EnImage> image = Image(8, 8, pixels);
    m_renderer->SetBackgroundColor(EnColorRGB(0.1f, 0.1f, 0.1f));
    ASSERT_TRUE(m_renderer->ClearBuffers(nullptr, EnRender::CLEAR_ALL));

    EXPECT_EQ(m_renderer->BlitImage(image, nullptr, 20, 20, true), 0u);
    EXPECT_EQ(m_renderer->BlitImage(image, nullptr, 60, 20, false), 0u);
    // Two columns of the image fit at the right edge; the rest is cut off.
    const EnRect<uint32_t> part{0, 8, 0, 8};
    EXPECT_EQ(m_renderer->BlitImage(image, &part, kWidth - 4, 60, false), 0u);
    // Entirely off the buffer: nothing to do, and nothing failed.
    EXPECT_EQ(m_renderer->BlitImage(image, nullptr, kWidth + 10, 60, false), 0u);
    // An image of another kind has no surface to blit from.
    EnPointer<EnImage> plain = new EnImage;
    EXPECT_NE(m_renderer->BlitImage(plain, nullptr, 0, 0, false), 0u);

    Check(ReadBack(),
          {
              {22, 22, 26, 26, 0xffff00, "keyed centre"},
              {20, 20, 28, 22, 0x191919, "keyed border"},
              {62, 22, 66, 26, 0xffff00, "plain centre"},
              {60, 20, 68, 22, 0x000000, "plain border"},
              {int(kWidth) - 4, 60, int(kWidth) - 2, 68, 0x000000, "clipped border"},
              {int(kWidth) - 2, 62, int(kWidth), 66, 0xffff00, "clipped centre"},
              {0, 80, int(kWidth), int(kHeight), 0x191919, "untouched"},
          },
          2);
}

}  // namespace
