// Render targets and image blits on the null device: the slots targets take, switching between
// them, failures told apart from success, and blits clipped to the buffer drawn into.
#include <gtest/gtest.h>

#include "engine/core/EnColorRGB.h"
#include "engine/d3d/EnD3DFrameBuffer.h"
#include "engine/d3d/EnD3DTextureManager.h"
#include "engine/d3d/EnDDImage.h"
#include "platform/gfx/SoftSurface.h"
#include "tests/engine/d3d/D3DTestSupport.h"
#include "tests/engine/d3d/TextureTestSupport.h"

using namespace d3dtest;

namespace {

class RenderTargets : public NullRendererTest {
protected:
    void SetUp() override {
        NullRendererTest::SetUp();
        ASSERT_NE(Create(0x09), nullptr) << EnD3DRender::GetLastError();
    }
    EnD3DFrameBuffer* Main() { return m_renderer->GetFrameBuffer(0); }
};

TEST_F(RenderTargets, TargetsTakeTheSlotsAfterTheMainBuffer) {
    EXPECT_EQ(m_renderer->GetFrameBufferCapacity(), 1u);
    EXPECT_EQ(m_renderer->CreateRenderTarget(128, 128), 1u);
    EXPECT_EQ(m_renderer->GetFrameBufferCapacity(), 2u);
    EXPECT_EQ(m_renderer->CreateRenderTarget(64, 32), 2u);
    EXPECT_EQ(m_renderer->GetFrameBufferSlots(), 3u);

    EnD3DFrameBuffer* target = m_renderer->GetFrameBuffer(1);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->GetMode(), uint32_t(EnD3DFrameBuffer::MODE_OFFSCREEN));
    EXPECT_EQ(target->GetWidth(), 128u);
    // Drawn into with depth like the main buffer, and usable as a texture.
    EXPECT_NE(target->GetZBufferSurface(), nullptr);
    SurfaceCaps caps;
    ASSERT_EQ(target->GetBackSurface()->GetCaps(caps), Result::Ok);
    EXPECT_TRUE(caps.caps & SurfaceCapBits::Texture);
    EnPointer<EnImage> cached;
    Surface* texture = nullptr;
    bool changed = false, mip = true;
    ASSERT_TRUE(m_renderer->GetTextureManager()->GetTexture(-1, target->GetBackImage(), cached,
                                                            texture, changed, mip));
    EXPECT_EQ(texture, target->GetBackSurface());
    EXPECT_TRUE(changed);
    EXPECT_FALSE(mip);
}

TEST_F(RenderTargets, FailedTargetsTakeNoSlot) {
    m_backend->InjectFault({"Graphics::CreateSurface", Result::OutOfVideoMemory});
    EXPECT_EQ(m_renderer->CreateRenderTarget(128, 128), 0u);
    // The target is made but its depth buffer is not.
    m_backend->InjectFault(
        {"Graphics::CreateSurface", Result::OutOfVideoMemory, SurfaceCapBits::ZBuffer});
    EXPECT_EQ(m_renderer->CreateRenderTarget(128, 128), 0u);
    EXPECT_EQ(m_renderer->GetFrameBufferSlots(), 1u);
    EXPECT_EQ(m_renderer->CreateRenderTarget(128, 128), 1u);
}

TEST_F(RenderTargets, SwitchingResetsTheViewAndReportsFailure) {
    ASSERT_EQ(m_renderer->CreateRenderTarget(128, 64), 1u);
    EXPECT_FALSE(m_renderer->SetRenderTarget(5));
    EXPECT_FALSE(m_renderer->SetRenderTarget(2));
    EXPECT_EQ(m_renderer->GetCurrentFrameBuffer(), Main());

    ASSERT_TRUE(m_renderer->SetRenderTarget(1));
    EnD3DFrameBuffer* target = m_renderer->GetFrameBuffer(1);
    EXPECT_EQ(m_renderer->GetCurrentFrameBuffer(), target);
    EXPECT_EQ(static_cast<Surface*>(Device()->Target()), target->GetBackSurface());
    EXPECT_EQ(Device()->CurrentViewport(), (Viewport{0, 0, 128, 64, 0.0f, 1.0f}));
    EXPECT_EQ(m_renderer->GetScreenWidth(), 128u);

    // A device that refuses the target leaves the current one.
    m_backend->InjectFault({"Device::SetRenderTarget", Result::InvalidParams});
    EXPECT_FALSE(m_renderer->SetRenderTarget(0));
    EXPECT_EQ(m_renderer->GetCurrentFrameBuffer(), target);
    ASSERT_TRUE(m_renderer->SetRenderTarget(0));
    EXPECT_EQ(static_cast<Surface*>(Device()->Target()), Main()->GetBackSurface());

    // A lost target is restored on the switch.
    SoftBackend::LoseSurface(target->GetBackSurface());
    EXPECT_TRUE(m_renderer->SetRenderTarget(1));
    EXPECT_TRUE(Lines().back().find("Recovered") != std::string::npos);
    EXPECT_EQ(static_cast<Surface*>(Device()->Target()), target->GetBackSurface());
}

TEST_F(RenderTargets, BlitsAreClippedToTheBuffer) {
    // Each column of the image has its own red level.
    std::vector<uint32_t> pixels(64 * 64);
    for (uint32_t y = 0; y < 64; y++)
        for (uint32_t x = 0; x < 64; x++) pixels[y * 64 + x] = x == 10 ? 0 : (x * 4) << 16 | 0x80;
    EnPointer<EnDDImage> image = SurfaceImage(Pixels(EnRawImageData::FORMAT_RGB, 64, 64, pixels));
    Surface* back = Main()->GetBackSurface();
    m_renderer->SetBackgroundColor(EnColorRGB(0.125f, 0.125f, 0.125f));
    ASSERT_TRUE(m_renderer->ClearBuffers(nullptr, EnRender::CLEAR_BACKBUFFER));

    const size_t mark = LogMark();
    const EnRect<uint32_t> part{0, 64, 0, 64};
    EXPECT_EQ(m_renderer->BlitImage(image, &part, 600, 100, false), 0u);
    EXPECT_EQ(Calls("Surface::Blt", mark).size(), 1u);
    EXPECT_NE(Calls("Surface::Blt", mark)[0].find("(600,100)-(640,164)"), std::string::npos);
    EXPECT_NE(Calls("Surface::Blt", mark)[0].find("(0,0)-(40,64)"), std::string::npos);
    std::vector<uint32_t> picture = ReadSurface(back);
    EXPECT_EQ(picture[100 * 640 + 600] & 0xffffff, 0x000080u);
    EXPECT_EQ(picture[100 * 640 + 610] & 0xffffff, 0u) << "without the key black is copied";
    EXPECT_EQ(picture[163 * 640 + 639] & 0xffffff, uint32_t(39 * 4) << 16 | 0x80);

    // A rectangle past the image is cut to it; with the key, black columns are left out.
    const EnRect<uint32_t> beyond{8, 200, 0, 2};
    EXPECT_EQ(m_renderer->BlitImage(image, &beyond, 0, 0, true), 0u);
    picture = ReadSurface(back);
    EXPECT_EQ(picture[0] & 0xffffff, uint32_t(8 * 4) << 16 | 0x80);
    EXPECT_EQ(picture[2] & 0xffffff, 0x1f1f1fu) << "the black column 10 leaves the buffer alone";
    EXPECT_EQ(picture[55] & 0xffffff, uint32_t(63 * 4) << 16 | 0x80);
    EXPECT_EQ(picture[56] & 0xffffff, 0x1f1f1fu);

    // Nothing left after clipping: no blit at all, and no failure.
    const size_t none = LogMark();
    EXPECT_EQ(m_renderer->BlitImage(image, nullptr, 640, 0, false), 0u);
    const EnRect<uint32_t> backwards{40, 10, 0, 64};
    EXPECT_EQ(m_renderer->BlitImage(image, &backwards, 0, 0, false), 0u);
    EXPECT_TRUE(Calls("Surface::Blt", none).empty());
}

TEST_F(RenderTargets, BlitFailuresAreNotSuccess) {
    EnPointer<EnImage> plain = new EnImage;
    EXPECT_EQ(m_renderer->BlitImage(plain, nullptr, 0, 0, false),
              ResultCode(Result::InvalidObject));
    EXPECT_EQ(m_renderer->BlitImage(nullptr, nullptr, 0, 0, false),
              ResultCode(Result::InvalidObject));
    EnPointer<EnDDImage> empty = static_cast<EnDDImage*>(EnDDImage::Create());
    EXPECT_EQ(m_renderer->BlitImage(empty, nullptr, 0, 0, false),
              ResultCode(Result::InvalidObject));

    EnPointer<EnDDImage> image = SolidImage(8, 8);
    m_backend->InjectFault({"Surface::Blt", Result::SurfaceLost});
    EXPECT_EQ(m_renderer->BlitImage(image, nullptr, 0, 0, true), ResultCode(Result::SurfaceLost));
    EXPECT_EQ(m_renderer->BlitImage(image, nullptr, 0, 0, true), 0u);
}

}  // namespace
