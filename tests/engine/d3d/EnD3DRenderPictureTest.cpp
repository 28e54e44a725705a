// The renderer drawing a generated scene through the camera into a window on the OpenGL back
// end, its frame read back and compared with the picture the scene must give. Needs a display
// (Xvfb in CI); skipped without one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/EnCamera.h"
#include "engine/core/EnColorRGB.h"
#include "engine/core/EnColorRGBA.h"
#include "engine/core/EnFogProperty.h"
#include "engine/core/EnMaterialProperty.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnVertexColorProperty.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/d3d/EnD3DFrameBuffer.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/geometry/EnAmbientLight.h"
#include "engine/geometry/EnDirectionalLight.h"
#include "engine/geometry/EnLines.h"
#include "engine/geometry/EnParticles.h"
#include "engine/geometry/EnParticlesData.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/geometry/EnTriStrip.h"
#include "engine/render/EnScreenPolygon.h"
#include "platform/gfx/Backend.h"
#include "platform/gfx/gl/GlBackend.h"
#include "platform/window/Window.h"
#include "platform/window/WindowClass.h"
#include "tests/support/GlRenderWindow.h"

namespace {

using namespace plat::gfx;

constexpr uint32_t kWidth = 160, kHeight = 120;
// The camera looks along +x with +y up and +z to the right; at distance d it sees z within
// +-d/2 and y within +-3d/8.
const EnFrustum kFrustum{-0.5f, 0.5f, 0.375f, -0.375f, 1.0f, 100.0f};

// A rectangle facing the camera at distance d: z from z0 to z1, y from y0 to y1.
struct Panel {
    float d, z0, z1, y0, y1;

    int Left() const { return int((z0 / (0.5f * d) + 1.0f) * 0.5f * kWidth); }
    int Right() const { return int((z1 / (0.5f * d) + 1.0f) * 0.5f * kWidth); }
    int Top() const { return int((1.0f - (y1 / (0.375f * d) + 1.0f) * 0.5f) * kHeight); }
    int Bottom() const { return int((1.0f - (y0 / (0.375f * d) + 1.0f) * 0.5f) * kHeight); }
    bool Inside(int x, int y, int margin) const {
        return x >= Left() + margin && x < Right() - margin && y >= Top() + margin &&
               y < Bottom() - margin;
    }
};

// Corners bottom-left, top-left, top-right, bottom-right; the triangles go round them
// counter-clockwise as the camera sees them, which the renderer's clockwise culling keeps.
EnVector3* Corners(const Panel& p) {
    return new EnVector3[4]{
        {p.d, p.y0, p.z0}, {p.d, p.y1, p.z0}, {p.d, p.y1, p.z1}, {p.d, p.y0, p.z1}};
}

EnColorRGBA* Solid(uint32_t count, const EnColorRGBA& color) {
    auto* colors = new EnColorRGBA[count];
    for (uint32_t i = 0; i < count; i++) colors[i] = color;
    return colors;
}

EnTriShape* Quad(const Panel& p, bool normals, const EnColorRGBA* color) {
    EnVector3* n =
        normals ? new EnVector3[4]{{-1, 0, 0}, {-1, 0, 0}, {-1, 0, 0}, {-1, 0, 0}} : nullptr;
    return new EnTriShape(4, Corners(p), n, color ? Solid(4, *color) : nullptr, nullptr, 2,
                          new uint16_t[6]{0, 3, 1, 3, 2, 1});
}

struct Expect {
    Panel panel;
    uint32_t rgb;
    int tolerance;
    const char* what;
};

int Channel(uint32_t rgb, int shift) {
    return int(rgb >> shift & 0xff);
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift : {0, 8, 16})
        if (std::abs(Channel(a, shift) - Channel(b, shift)) > tolerance) return false;
    return true;
}

class RenderPicture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!GlRenderWindow::DisplayAvailable(&why)) GTEST_SKIP() << "no OpenGL display: " << why;
        ASSERT_TRUE(m_gl.Open(0x09)) << m_gl.Problem();
        m_renderer = m_gl.Renderer();
    }
    void TearDown() override {
        m_camera = nullptr;
        m_renderer = nullptr;
        m_gl.Close();
    }

    std::vector<uint32_t> ReadBack() { return m_gl.ReadBack(); }

    GlRenderWindow m_gl{"EnD3DRenderPicture", kWidth, kHeight};
    EnD3DRender* m_renderer = nullptr;
    EnPointer<EnCamera> m_camera;
};

TEST_F(RenderPicture, GeneratedSceneDrawsTheExpectedPicture) {
    const float d = 10.0f, c = 10.0f / 3.0f, h = 1.2f;
    const Panel litPanel{d, -c - h, -c + h, 1.875f - h, 1.875f + h};
    const Panel colouredPanel{d, -h, h, 1.875f - h, 1.875f + h};
    const Panel foggedPanel{75.0f, 7.5f * (c - h), 7.5f * (c + h), 7.5f * (1.875f - h),
                            7.5f * (1.875f + h)};
    const Panel stripPanel{d, -c - h, -c + h, -1.875f - h, -1.875f + h};
    const Panel particlePanel{d, -h, h, -1.875f - h, -1.875f + h};
    const Panel loopPanel{d, c - h, c + h, -1.875f - h, -1.875f + h};

    EnPointer<EnNode> root = new EnNode;
    EnPointer<EnZBufferProperty> depth = new EnZBufferProperty;
    depth->SetZBufferTest(true);
    depth->SetZBufferWrite(true);
    root->AttachProperty(depth);

    // Lit: white material under a warm directional light and a grey ambient light.
    EnPointer<EnNode> litNode = new EnNode;
    EnPointer<EnMaterialProperty> material = new EnMaterialProperty;
    material->SetDiffuseColor(EnColorRGB(1.0f, 1.0f, 1.0f));
    litNode->AttachProperty(material);
    litNode->AddChild(Quad(litPanel, true, nullptr));
    EnPointer<EnDirectionalLight> sun = new EnDirectionalLight;
    sun->SetDiffuseColor(EnColorRGB(0.8f, 0.4f, 0.2f));
    sun->SetAmbientColor(EnColorRGB(0.0f, 0.0f, 0.0f));
    sun->SetSpecularColor(EnColorRGB(0.0f, 0.0f, 0.0f));
    EnPointer<EnAmbientLight> sky = new EnAmbientLight;
    sky->SetAmbientColor(EnColorRGB(0.2f, 0.2f, 0.2f));
    litNode->AttachEffect(sun);
    litNode->AttachEffect(sky);
    root->AddChild(litNode);

    // Unlit: vertex colours pass as they are.
    EnPointer<EnNode> unlit = new EnNode;
    EnPointer<EnVertexColorProperty> emissive = new EnVertexColorProperty;
    emissive->SetSourceMode(EnVertexColorProperty::SOURCE_EMISSIVE);
    emissive->SetLightingMode(EnVertexColorProperty::LIGHTING_E);
    unlit->AttachProperty(emissive);
    const EnColorRGBA magenta(1, 0, 1, 1), yellow(1, 1, 0, 1), red(1, 0, 0, 1), cyan(0, 1, 1, 1);
    unlit->AddChild(Quad(colouredPanel, false, &magenta));
    unlit->AddChild(new EnTriStrip(new EnVector3[4]{{d, stripPanel.y0, stripPanel.z0},
                                                    {d, stripPanel.y0, stripPanel.z1},
                                                    {d, stripPanel.y1, stripPanel.z0},
                                                    {d, stripPanel.y1, stripPanel.z1}},
                                   nullptr, Solid(4, yellow), nullptr, 2));
    auto* particles =
        new EnParticles(1, new EnVector3[1]{{d, -1.875f, 0.0f}}, nullptr, Solid(1, red));
    static_cast<EnParticlesData*>(particles->GetGeometryData())->SetRadius(h);
    unlit->AddChild(particles);
    unlit->AddChild(
        new EnLines(4, Corners(loopPanel), Solid(4, cyan), nullptr, new uint8_t[4]{1, 1, 1, 1}));
    // Fogged: a white panel far away, half way into blue fog.
    EnPointer<EnNode> foggy = new EnNode;
    EnPointer<EnFogProperty> fog = new EnFogProperty;
    fog->SetFog(true);
    fog->SetDepth(0.5f);
    fog->SetFogColor(EnColorRGB(0.0f, 0.0f, 1.0f));
    foggy->AttachProperty(fog);
    const EnColorRGBA white(1, 1, 1, 1);
    foggy->AddChild(Quad(foggedPanel, false, &white));
    unlit->AddChild(foggy);
    root->AddChild(unlit);

    root->Update(0.0f);
    root->UpdateProperties();
    root->UpdateEffects();

    m_camera = new EnCamera;
    m_camera->SetViewFrustum(kFrustum);
    m_camera->SetScene(root);
    m_camera->SetRenderer(m_renderer);
    m_camera->Update(0.0f);
    const EnVector3 square[4] = {
        {0.45f, 0.45f, 0.0f}, {0.55f, 0.45f, 0.0f}, {0.55f, 0.55f, 0.0f}, {0.45f, 0.55f, 0.0f}};
    const EnColorRGBA greys[4] = {
        {0.5f, 0.5f, 0.5f, 1}, {0.5f, 0.5f, 0.5f, 1}, {0.5f, 0.5f, 0.5f, 1}, {0.5f, 0.5f, 0.5f, 1}};
    EnPointer<EnScreenPolygon> overlay = new EnScreenPolygon(4, square, nullptr, greys);
    overlay->GetPropertyState()->SetProperty(emissive);
    m_camera->AttachScreenPolygon(overlay);

    m_renderer->SetBackgroundColor(EnColorRGB(0.1f, 0.1f, 0.1f));
    for (int frame = 0; frame < 2; frame++) {
        EXPECT_TRUE(m_renderer->ClearBuffers(nullptr, EnRender::CLEAR_ALL));
        m_camera->RenderFrame();
        EXPECT_TRUE(m_renderer->SwapBuffers());
    }
    const std::vector<uint32_t> picture = ReadBack();

    // 0.9, 0.5, 0.3: the light's diffuse on the white material plus half the grey ambient.
    const Expect regions[] = {
        {litPanel, 0xe6804c, 4, "lit panel"},
        {colouredPanel, 0xff00ff, 2, "vertex-coloured panel"},
        // Linear fog from 50.5 to 100: at 75 a little over half of the panel's white is left.
        {foggedPanel, 0x8181ff, 6, "fogged panel"},
        {stripPanel, 0xffff00, 2, "strip"},
        {particlePanel, 0xff0000, 2, "particle"},
        {{1.0f, -0.05f, 0.05f, -0.05f, 0.05f}, 0x808080, 2, "screen polygon"},
    };
    const Panel overlayPanel{1.0f, -0.05f, 0.05f, -0.05f, 0.05f};
    const uint32_t background = 0x191919;
    int wrong = 0, checked = 0;
    for (int y = 0; y < int(kHeight); y++) {
        for (int x = 0; x < int(kWidth); x++) {
            const uint32_t got = picture[y * kWidth + x];
            const Expect* expect = nullptr;
            bool edge = false;
            for (const Expect& e : regions) {
                if (e.panel.Inside(x, y, 2) &&
                    (&e == &regions[5] || !overlayPanel.Inside(x, y, -2)))
                    expect = &e;
                else if (e.panel.Inside(x, y, -2))
                    edge = true;
            }
            // The line loop: its edges are left out, inside and outside are background.
            if (loopPanel.Inside(x, y, -2) && !loopPanel.Inside(x, y, 2)) edge = true;
            uint32_t want = background;
            int tolerance = 2;
            if (expect) {
                want = expect->rgb;
                tolerance = expect->tolerance;
            } else if (edge) {
                continue;
            }
            checked++;
            if (!Near(got, want, tolerance) && wrong++ < 10)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") of "
                              << (expect ? expect->what : "the background") << ": 0x" << std::hex
                              << got << " instead of 0x" << want;
        }
    }
    EXPECT_EQ(wrong, 0) << "of " << checked << " pixels checked";
    EXPECT_GT(checked, int(kWidth * kHeight) / 2);

    // The loop's left edge runs down the middle of its column of pixels.
    int lineHits = 0;
    for (int y = loopPanel.Top() + 3; y < loopPanel.Bottom() - 3; y++) {
        bool hit = false;
        for (int x = loopPanel.Left() - 1; x <= loopPanel.Left() + 1; x++)
            hit = hit || Near(picture[y * kWidth + x], 0x00ffff, 2);
        lineHits += hit;
    }
    EXPECT_EQ(lineHits, loopPanel.Bottom() - loopPanel.Top() - 6);
}

}  // namespace
