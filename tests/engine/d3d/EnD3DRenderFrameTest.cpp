#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnColorRGB.h"
#include "engine/core/EnFrustum.h"
#include "engine/core/EnMatrix3.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnStencilProperty.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/d3d/EnD3DFrameBuffer.h"
#include "engine/d3d/EnDDImage.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/d3d/EnD3DRenderStateManager.h"
#include "tests/engine/d3d/D3DTestSupport.h"

using namespace d3dtest;

namespace {

// A point through the device's world, view and projection matrices (row vectors), divided by w.
EnVector3 Project(const Matrix& world, const Matrix& view, const Matrix& proj, const EnVector3& p) {
    float v[4] = {p.x, p.y, p.z, 1.0f};
    for (const Matrix* m : {&world, &view, &proj}) {
        float r[4];
        for (int c = 0; c < 4; c++)
            r[c] = v[0] * m->m[0][c] + v[1] * m->m[1][c] + v[2] * m->m[2][c] + v[3] * m->m[3][c];
        std::copy(r, r + 4, v);
    }
    return {v[0] / v[3], v[1] / v[3], v[2] / v[3]};
}

class RendererFrame : public NullRendererTest {
protected:
    void SetUp() override {
        NullRendererTest::SetUp();
        ASSERT_NE(Create(0x09), nullptr) << EnD3DRender::GetLastError();
    }
    const Matrix& M(TransformState s) { return Device()->TransformMatrix(s); }
};

TEST_F(RendererFrame, DefaultViewCoversTheBufferWithUnitDepth) {
    EXPECT_EQ(Device()->CurrentViewport(), (Viewport{0, 0, 640, 480, 0.0f, 1.0f}));
    const Matrix& proj = M(TransformState::Projection);
    EXPECT_FLOAT_EQ(proj.m[0][0], 1.0f);
    EXPECT_FLOAT_EQ(proj.m[1][1], 1.0f);
    EXPECT_FLOAT_EQ(proj.m[2][2], 1.0f / 0.9f);
    EXPECT_FLOAT_EQ(proj.m[3][2], -0.1f / 0.9f);
    EXPECT_FLOAT_EQ(proj.m[2][3], 1.0f);
    EXPECT_FLOAT_EQ(proj.m[3][3], 0.0f);
    // Looking along +x with +y up and +z to the right.
    Matrix view;
    view.m[0][2] = 1.0f;
    view.m[1][1] = 1.0f;
    view.m[2][0] = 1.0f;
    view.m[3][3] = 1.0f;
    EXPECT_EQ(M(TransformState::View), view);
    EXPECT_FLOAT_EQ(m_renderer->GetNear(), 0.1f);
    EXPECT_FLOAT_EQ(m_renderer->GetDepthRange(), 0.9f);
}

TEST_F(RendererFrame, CameraViewProjectionAndViewportFollowTheCamera) {
    EnMatrix3 rot;
    EnVector3 axis(0.3f, 0.8f, -0.5f);
    axis.Unitize();
    rot.MakeRotation(0.7f, axis);
    const EnVector3 dir = rot.GetColumn(0), up = rot.GetColumn(1), right = rot.GetColumn(2);
    const EnVector3 loc(1.0f, 2.0f, 3.0f);
    const EnFrustum frustum{-0.5f, 0.7f, 0.4f, -0.3f, 1.0f, 101.0f};
    const EnRect<float> port{0.25f, 0.75f, 0.875f, 0.125f};
    m_renderer->SetViewFromCamera(loc, dir, up, right, frustum, port);

    const Matrix& view = M(TransformState::View);
    const EnVector3 axes[3] = {right, up, dir};
    for (int c = 0; c < 3; c++) {
        EXPECT_FLOAT_EQ(view.m[0][c], axes[c].x);
        EXPECT_FLOAT_EQ(view.m[1][c], axes[c].y);
        EXPECT_FLOAT_EQ(view.m[2][c], axes[c].z);
        EXPECT_FLOAT_EQ(view.m[3][c], -loc.Dot(axes[c]));
        EXPECT_FLOAT_EQ(view.m[c][3], 0.0f);
    }
    EXPECT_FLOAT_EQ(view.m[3][3], 1.0f);

    const Matrix& proj = M(TransformState::Projection);
    EXPECT_FLOAT_EQ(proj.m[0][0], 2.0f / 1.2f);
    EXPECT_FLOAT_EQ(proj.m[1][1], 2.0f / 0.7f);
    EXPECT_FLOAT_EQ(proj.m[2][0], -0.2f / 1.2f);
    EXPECT_FLOAT_EQ(proj.m[2][1], -0.1f / 0.7f);
    EXPECT_FLOAT_EQ(proj.m[2][2], 101.0f / 100.0f);
    EXPECT_FLOAT_EQ(proj.m[3][2], -101.0f / 100.0f);
    EXPECT_FLOAT_EQ(proj.m[2][3], 1.0f);
    EXPECT_EQ(Device()->CurrentViewport(), (Viewport{160, 60, 320, 360, 0.0f, 1.0f}));

    // Independently: a point at distance z in front of the camera and x to its right lands at
    // the frustum fraction x/z, and depth runs from 0 at the near to 1 at the far plane.
    const Matrix identity = Matrix::Identity();
    for (float z : {1.0f, 10.0f, 101.0f}) {
        const float x = 0.7f * z, y = -0.3f * z;
        const EnVector3 p = Project(identity, view, proj, loc + dir * z + right * x + up * y);
        EXPECT_NEAR(p.x, 1.0f, 1e-4f) << z;
        EXPECT_NEAR(p.y, -1.0f, 1e-4f) << z;
        EXPECT_NEAR(p.z, (z - 1.0f) / 100.0f * 101.0f / z, 1e-4f) << z;
    }

    // Screen polygons share the camera's depth mapping.
    const Matrix& screen = m_renderer->GetScreenProjection();
    EXPECT_FLOAT_EQ(screen.m[0][0], 2.0f);
    EXPECT_FLOAT_EQ(screen.m[1][1], 2.0f);
    EXPECT_FLOAT_EQ(screen.m[2][0], -1.0f);
    EXPECT_FLOAT_EQ(screen.m[2][1], -1.0f);
    EXPECT_FLOAT_EQ(screen.m[2][2], proj.m[2][2]);
    EXPECT_FLOAT_EQ(screen.m[3][2], proj.m[3][2]);
    EXPECT_FLOAT_EQ(screen.m[2][3], 1.0f);
    EXPECT_FLOAT_EQ(m_renderer->GetNear(), 1.0f);
    EXPECT_FLOAT_EQ(m_renderer->GetDepthRange(), 100.0f);
}

TEST_F(RendererFrame, ModelTransformScalesTheRotationRowsAndRenormalisesWhenScaled) {
    EnMatrix3 rot;
    EnVector3 axis(-0.2f, 0.9f, 0.4f);
    axis.Unitize();
    rot.MakeRotation(1.1f, axis);
    struct Case {
        float scale;
        uint32_t normalize;
    };
    const Case cases[] = {{1.0f, 0}, {2.0f, 1}, {0.995f, 0}, {0.5f, 1}, {1.01f, 0}, {1.02f, 1}};
    for (const Case& c : cases) {
        const EnVector3 t(4.0f, -5.0f, 6.0f);
        m_renderer->SetModelTransform(t, rot, c.scale);
        const Matrix& world = M(TransformState::World);
        for (unsigned i = 0; i < 3; i++)
            for (unsigned j = 0; j < 3; j++)
                EXPECT_FLOAT_EQ(world.m[i][j], c.scale * rot.GetEntry(j, i)) << i << j;
        EXPECT_EQ(world.m[3][0], t.x);
        EXPECT_EQ(world.m[3][1], t.y);
        EXPECT_EQ(world.m[3][2], t.z);
        EXPECT_EQ(world.m[3][3], 1.0f);
        EXPECT_EQ(Device()->RS(RenderState::NormalizeNormals), c.normalize) << c.scale;
        // A model point goes where the engine's own transform puts it.
        const EnVector3 p(0.3f, -1.2f, 2.5f);
        const EnVector3 expected = rot * p * c.scale + t;
        const EnVector3 got = Project(world, Matrix::Identity(), Matrix::Identity(), p);
        EXPECT_NEAR(got.x, expected.x, 1e-4f);
        EXPECT_NEAR(got.y, expected.y, 1e-4f);
        EXPECT_NEAR(got.z, expected.z, 1e-4f);
        // Camera-facing geometry gets the camera's axes in model space.
        const EnVector3 modelRight = rot.TransposeTimesVector(EnVector3::UNIT_Z) * c.scale;
        EXPECT_NEAR(m_renderer->GetModelRight().x, modelRight.x, 1e-6f);
        EXPECT_NEAR(m_renderer->GetModelRight().z, modelRight.z, 1e-6f);
    }
}

TEST_F(RendererFrame, ClearsTheViewportRectangleWithTheBackgroundColour) {
    EXPECT_TRUE(m_renderer->SetBackgroundColor(EnColorRGB(1.0f, 0.5f, 0.0f)));
    EXPECT_EQ(m_renderer->GetBackgroundColor(), 0x00ff7f00u);
    m_renderer->SetStencilClear(7);

    struct Case {
        EnRect<float> port;
        bool whole;
        Rect expected;
    };
    const Case cases[] = {
        {{0.0f, 1.0f, 1.0f, 0.0f}, false, {0, 0, 640, 480}},
        {{0.0f, 0.0f, 0.0f, 0.0f}, true, {0, 0, 640, 480}},
        {{0.25f, 0.75f, 0.875f, 0.125f}, false, {160, 60, 480, 420}},
    };
    for (const Case& c : cases) {
        Device()->clears.clear();
        EXPECT_TRUE(m_renderer->ClearBuffers(c.whole ? nullptr : &c.port, EnRender::CLEAR_ALL));
        ASSERT_EQ(Device()->clears.size(), 1u);
        const CapturedClear& clear = Device()->clears[0];
        ASSERT_EQ(clear.rects.size(), 1u);
        EXPECT_EQ(clear.rects[0], c.expected);
        // No stencil in the 16-bit z-buffer: the stencil part of the flags is dropped.
        EXPECT_EQ(clear.flags, ClearBits::Target | ClearBits::ZBuffer);
        EXPECT_EQ(clear.color, 0x00ff7f00u);
        EXPECT_EQ(clear.z, 1.0f);
        EXPECT_EQ(clear.stencil, 7u);
        EXPECT_EQ(Device()->CurrentViewport(), (Viewport{0, 0, 640, 480, 0.0f, 1.0f}));
    }
    Device()->clears.clear();
    EXPECT_TRUE(m_renderer->ClearBuffers(nullptr, EnRender::CLEAR_STENCIL));
    EXPECT_TRUE(Device()->clears.empty());
}

TEST_F(RendererFrame, ScenesOpenAndCloseOnTheDevice) {
    EXPECT_FALSE(m_renderer->IsInScene());
    EXPECT_EQ(m_renderer->OpenScene(nullptr), 0u);
    EXPECT_TRUE(m_renderer->IsInScene());
    EXPECT_TRUE(Device()->InScene());
    m_renderer->CloseScene();
    EXPECT_FALSE(m_renderer->IsInScene());
    EXPECT_FALSE(Device()->InScene());

    m_backend->InjectFault({"Device::BeginScene", Result::Generic, 0, 0, 1});
    EXPECT_EQ(m_renderer->OpenScene(nullptr), ResultCode(Result::Generic));
    EXPECT_FALSE(m_renderer->IsInScene());
    EXPECT_TRUE(m_renderer->SwapBuffers());
}

TEST_F(RendererFrame, FogMaximumKeepsAPositiveValue) {
    EXPECT_FLOAT_EQ(m_renderer->GetMaxFogValue(), 1.0f);
    m_renderer->SetMaxFogValue(0.0f);
    EXPECT_FLOAT_EQ(m_renderer->GetMaxFogValue(), 0.00001f);
    EXPECT_NEAR(m_renderer->GetRenderStateManager()->GetFogEndFactor(), 99999.0f, 0.1f);
    m_renderer->SetMaxFogValue(0.5f);
    EXPECT_FLOAT_EQ(m_renderer->GetRenderStateManager()->GetFogEndFactor(), 1.0f);
}

TEST_F(RendererFrame, ReportsFeaturesTheDeviceCannotShow) {
    EnPointer<EnPropertyState> state = new EnPropertyState;
    EXPECT_EQ(m_renderer->QueryUnsupportedFeatures(state, nullptr), 0u);

    EnPointer<EnStencilProperty> stencil = new EnStencilProperty;
    stencil->SetStencilOn(true);
    state->SetProperty(stencil);
    EXPECT_EQ(m_renderer->QueryUnsupportedFeatures(state, nullptr),
              EnD3DRenderStateManager::UNSUPPORTED_STENCIL);

    EnPointer<EnPropertyState> modes = new EnPropertyState;
    EnPointer<EnTextureModeProperty> mode = new EnTextureModeProperty;
    mode->SetApplyMode(EnTextureModeProperty::APPLY_HILIGHT2);
    modes->SetProperty(mode);
    EXPECT_EQ(m_renderer->QueryUnsupportedFeatures(modes, nullptr),
              EnD3DRenderStateManager::UNSUPPORTED_APPLY_MODE);
}

TEST_F(RendererFrame, BlendFactorsTheDeviceLacksAreReported) {
    GfxConfig config = GfxConfig::Standard();
    config.drivers[0].devices[0].desc.triCaps.destBlendCaps &= ~BlendCapBit(Blend::SrcAlphaSat);
    Install(config);
    ASSERT_NE(Create(0x09), nullptr);
    EnPointer<EnPropertyState> state = new EnPropertyState;
    EnPointer<EnAlphaProperty> alpha = new EnAlphaProperty;
    alpha->SetAlphaBlending(true);
    alpha->SetSrcBlendMode(EnAlphaProperty::ALPHA_SRCALPHASAT);
    alpha->SetDestBlendMode(EnAlphaProperty::ALPHA_ONE);
    state->SetProperty(alpha);
    EXPECT_EQ(m_renderer->QueryUnsupportedFeatures(state, nullptr), 0u);
    alpha->SetDestBlendMode(EnAlphaProperty::ALPHA_SRCALPHASAT);
    EXPECT_EQ(m_renderer->QueryUnsupportedFeatures(state, nullptr),
              EnD3DRenderStateManager::UNSUPPORTED_BLEND);
    alpha->SetAlphaBlending(false);
    EXPECT_EQ(m_renderer->QueryUnsupportedFeatures(state, nullptr), 0u);
}

TEST_F(RendererFrame, BufferImagesComeFromTheCurrentFrameBuffer) {
    // The buffers' images wrap their own surfaces.
    EnD3DFrameBuffer* buffer = m_renderer->GetCurrentFrameBuffer();
    ASSERT_NE(buffer->GetBackImage(), nullptr);
    EXPECT_EQ(m_renderer->GetBufferSurface(1), buffer->GetBackImage());
    EXPECT_EQ(m_renderer->GetBufferSurface(2), buffer->GetFrontImage());
    EXPECT_NE(buffer->GetFrontImage(), buffer->GetBackImage());
    EXPECT_EQ(m_renderer->GetBufferSurface(3), nullptr);
    Surface* back = nullptr;
    ASSERT_TRUE(static_cast<EnDDImage*>(buffer->GetBackImage())->GetSurface(back));
    EXPECT_EQ(back, buffer->GetBackSurface());
    EXPECT_EQ(buffer->GetBackImage()->GetWidth(), 640u);
    EXPECT_EQ(buffer->GetBackImage()->GetHeight(), 480u);
    const uint32_t stamp = buffer->GetBackImage()->GetPixelStamp();
    m_renderer->OpenScene(nullptr);
    m_renderer->CloseScene();
    EXPECT_EQ(buffer->GetBackImage()->GetPixelStamp(), stamp + 1);
}

}  // namespace
