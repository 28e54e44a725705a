#include <gtest/gtest.h>

#include "engine/d3d/EnD3DDirectDrawDevice.h"
#include "engine/d3d/EnD3DFrameBuffer.h"
#include "engine/d3d/EnD3DImageHooks.h"
#include "engine/d3d/EnD3DPixelFormat.h"
#include "engine/d3d/EnD3DRender.h"
#include "tests/engine/d3d/D3DTestSupport.h"

using namespace d3dtest;

namespace {

TEST(D3DPixelFormat, DescribesSurfaceFormatsByChannel) {
    struct Case {
        PixelFormat format;
        uint8_t palettized, bits[4], shift[4], loss[4];
    };
    const Case cases[] = {
        {Formats::Rgb565(), 0, {5, 6, 5, 0}, {11, 5, 0, 0}, {3, 2, 3, 8}},
        {Formats::Argb4444(), 0, {4, 4, 4, 4}, {8, 4, 0, 12}, {4, 4, 4, 4}},
        {Formats::Argb1555(), 0, {5, 5, 5, 1}, {10, 5, 0, 15}, {3, 3, 3, 7}},
        {Formats::Xrgb8888(), 0, {8, 8, 8, 0}, {16, 8, 0, 0}, {0, 0, 0, 8}},
        {Formats::Pal8(), 1, {0, 0, 0, 0}, {0, 0, 0, 0}, {8, 8, 8, 8}},
    };
    for (const Case& c : cases) {
        const EnD3DPixelFormat f = EnD3DPixelFormat::FromPixelFormat(c.format);
        EXPECT_EQ(f.m_ucPalettized, c.palettized);
        EXPECT_EQ(f.m_ucBitsPerPixel, c.format.rgbBitCount);
        for (int i = 0; i < 4; i++) {
            EXPECT_EQ(f.m_aucBits[i], c.bits[i]) << c.format.rgbBitCount << " channel " << i;
            EXPECT_EQ(f.m_aucShift[i], c.shift[i]) << c.format.rgbBitCount << " channel " << i;
            EXPECT_EQ(f.m_aucLoss[i], c.loss[i]) << c.format.rgbBitCount << " channel " << i;
        }
    }
    const EnD3DPixelFormat empty;
    EXPECT_EQ(empty.m_ucPalettized, 1);
    EXPECT_EQ(empty.PeekIndex(), 0u);
}

TEST(D3DPixelFormat, EqualMasksShareOneIndex) {
    EnD3DPixelFormat a = EnD3DPixelFormat::FromPixelFormat(Formats::Rgb565());
    EnD3DPixelFormat b = EnD3DPixelFormat::FromPixelFormat(Formats::Rgb565());
    EnD3DPixelFormat c = EnD3DPixelFormat::FromPixelFormat(Formats::Rgb555());
    EnD3DPixelFormat p = EnD3DPixelFormat::FromPixelFormat(Formats::Pal8());
    EnD3DPixelFormat q;  // the default format is palettized too
    const uint32_t ia = a.GetIndex();
    EXPECT_GE(ia, 1u);
    EXPECT_EQ(b.GetIndex(), ia);
    EXPECT_NE(c.GetIndex(), ia);
    EXPECT_EQ(q.GetIndex(), p.GetIndex());
    EXPECT_NE(p.GetIndex(), ia);
    ASSERT_NE(EnD3DPixelFormat::GetTableEntry(ia), nullptr);
    EXPECT_EQ(EnD3DPixelFormat::GetTableEntry(ia)->m_uiGreenMask, 0x07e0u);
    EXPECT_EQ(EnD3DPixelFormat::GetTableEntry(0), nullptr);
    EXPECT_GT(EnD3DPixelFormat::GetTableSize(), p.GetIndex());
}

// A frame buffer on its own DirectDraw device object, with plain images over its surfaces so
// that their change counters can be watched.
class FrameBuffer : public NullRendererTest {
protected:
    void SetUp() override {
        NullRendererTest::SetUp();
        m_savedMaker = EnD3DImageHooks::ms_pfnMakeBufferImage;
        EnD3DImageHooks::ms_pfnMakeBufferImage = [](Surface*, Graphics*) -> EnImage* {
            return new EnImage;
        };
    }
    void TearDown() override {
        m_buffer.reset();
        if (m_device) m_device->ReleaseReference();
        m_device = nullptr;
        EnD3DImageHooks::ms_pfnMakeBufferImage = m_savedMaker;
        NullRendererTest::TearDown();
    }
    EnD3DImageHooks::MakeBufferImageFunction m_savedMaker = nullptr;
    EnD3DDirectDrawDevice* Device() {
        if (!m_device)
            m_device = EnD3DDirectDrawDevice::Create(EnD3DRender::EnumerateDevices()->GetHead());
        return m_device;
    }

    EnD3DDirectDrawDevice* m_device = nullptr;
    std::unique_ptr<EnD3DFrameBuffer> m_buffer;
};

TEST_F(FrameBuffer, WindowedBufferTakesTheClientSizeAndBlitsToTheScreen) {
    m_buffer = EnD3DFrameBuffer::Create(Device(), EnD3DFrameBuffer::MODE_WINDOWED, 0, 1, 1,
                                        m_window, m_window);
    ASSERT_NE(m_buffer, nullptr) << EnD3DRender::GetLastError();
    EXPECT_EQ(m_buffer->GetWidth(), 640u);
    EXPECT_EQ(m_buffer->GetHeight(), 480u);
    EXPECT_EQ(m_buffer->GetFrontSurface(), m_device->GetPrimarySurface());
    EXPECT_EQ(m_buffer->GetFrontImage(), m_device->GetPrimaryImage());
    EXPECT_EQ(m_device->GetRefCount(), 2u);
    EXPECT_EQ(m_buffer->GetPixelFormat().m_uiRedMask, 0x00ff0000u);  // the 32-bit desktop

    const uint32_t front = m_buffer->GetFrontImage()->GetPixelStamp();
    const uint32_t back = m_buffer->GetBackImage()->GetPixelStamp();
    const size_t blits = Log().Count("Surface::Blt(");
    EXPECT_TRUE(m_buffer->SwapBuffers());
    EXPECT_EQ(Log().Count("Surface::Blt("), blits + 1);
    EXPECT_EQ(m_buffer->GetFrontImage()->GetPixelStamp(), front + 1);
    EXPECT_EQ(m_buffer->GetBackImage()->GetPixelStamp(), back + 1);
    m_buffer.reset();
    EXPECT_EQ(m_device->GetRefCount(), 1u);
}

TEST_F(FrameBuffer, FlipErrorsAreOnlyAWarning) {
    ASSERT_TRUE(Device()->SetUp(m_window, true, 640, 480, 16));
    m_buffer = EnD3DFrameBuffer::Create(Device(), EnD3DFrameBuffer::MODE_FULLSCREEN, 0, 640, 480,
                                        nullptr, m_window);
    ASSERT_NE(m_buffer, nullptr) << EnD3DRender::GetLastError();
    const uint32_t front = m_buffer->GetFrontImage()->GetPixelStamp();
    const uint32_t back = m_buffer->GetBackImage()->GetPixelStamp();

    // A flip that has to wait is retried until it goes through.
    m_backend->InjectFault({"Surface::Flip", Result::WasStillDrawing, 0, 0, 3});
    size_t flips = Log().Count("Surface::Flip(");
    m_capture.Clear();
    EXPECT_TRUE(m_buffer->SwapBuffers());
    EXPECT_EQ(Log().Count("Surface::Flip("), flips + 4);
    EXPECT_TRUE(Lines().empty());

    m_backend->InjectFault({"Surface::Flip", Result::Generic, 0, 0, 1});
    EXPECT_TRUE(m_buffer->SwapBuffers());
    EXPECT_EQ(Lines(), std::vector<std::string>{
                           "EN D3D Renderer WARNING: (Swap buffers):Error flipping surfaces"});
    EXPECT_EQ(m_buffer->GetFrontImage()->GetPixelStamp(), front + 2);
    EXPECT_EQ(m_buffer->GetBackImage()->GetPixelStamp(), back + 2);

    m_backend->LoseAllSurfaces();
    EXPECT_TRUE(m_buffer->IsLost());
    EXPECT_FALSE(m_buffer->SwapBuffers());
    EXPECT_EQ(m_buffer->GetBackImage()->GetPixelStamp(), back + 2);
    EXPECT_TRUE(m_buffer->Restore());
    EXPECT_FALSE(m_buffer->IsLost());
}

TEST_F(FrameBuffer, OffscreenTargetInNonLocalMemoryIsRefused) {
    GfxConfig config = GfxConfig::Standard();
    config.nonLocalTextureTargets = true;
    Install(config);
    ASSERT_TRUE(Device()->SetUp(m_window, false, 0, 0, 0));
    m_buffer = EnD3DFrameBuffer::Create(Device(), EnD3DFrameBuffer::MODE_OFFSCREEN, 0, 128, 128,
                                        nullptr, nullptr);
    EXPECT_EQ(m_buffer, nullptr);
    EXPECT_STREQ(EnD3DRender::GetLastError(),
                 "Creation failed: Offscreen Video RAM Back Buffer Surface Creation failed");
    EXPECT_EQ(m_device->GetRefCount(), 1u);

    Install(GfxConfig::Standard());
    m_device->ReleaseReference();
    m_device = nullptr;
    ASSERT_TRUE(Device()->SetUp(m_window, false, 0, 0, 0));
    m_buffer = EnD3DFrameBuffer::Create(Device(), EnD3DFrameBuffer::MODE_OFFSCREEN, 0, 128, 128,
                                        nullptr, nullptr);
    ASSERT_NE(m_buffer, nullptr);
    EXPECT_EQ(m_buffer->GetFrontSurface(), m_buffer->GetBackSurface());
    EXPECT_EQ(m_buffer->GetWidth(), 128u);
    // Off-screen targets present nothing.
    const size_t blits = Log().Count("Surface::Blt(");
    EXPECT_TRUE(m_buffer->SwapBuffers());
    EXPECT_EQ(Log().Count("Surface::Blt("), blits);
}

TEST_F(FrameBuffer, ZBufferFoundAttachedStaysWithItsOwner) {
    ASSERT_TRUE(Device()->SetUp(m_window, false, 0, 0, 0));
    Graphics* graphics = m_device->GetDirectDraw();
    SurfaceDesc desc;
    desc.flags = SurfaceDescBits::Caps | SurfaceDescBits::Width | SurfaceDescBits::Height;
    desc.width = 320;
    desc.height = 240;
    desc.caps.caps = SurfaceCapBits::Device3D | SurfaceCapBits::VideoMemory;
    Ref<Surface> back;
    ASSERT_TRUE(Succeeded(graphics->CreateSurface(desc, back.Put())));
    desc.flags |= SurfaceDescBits::PixelFormat;
    desc.pixelFormat = Formats::Depth16();
    desc.caps.caps = SurfaceCapBits::ZBuffer | SurfaceCapBits::VideoMemory;
    Ref<Surface> z;
    ASSERT_TRUE(Succeeded(graphics->CreateSurface(desc, z.Put())));
    ASSERT_TRUE(Succeeded(back->AddAttachedSurface(z.Get())));
    desc = SurfaceDesc{};
    desc.flags = SurfaceDescBits::Caps;
    desc.caps.caps = SurfaceCapBits::PrimarySurface;
    Ref<Surface> front;
    ASSERT_TRUE(Succeeded(graphics->CreateSurface(desc, front.Put())));

    m_buffer = EnD3DFrameBuffer::CreateFromSurfaces(m_device, EnD3DFrameBuffer::MODE_WINDOWED,
                                                    m_window, front.Get(), back.Get());
    ASSERT_NE(m_buffer, nullptr) << EnD3DRender::GetLastError();
    EXPECT_EQ(m_buffer->GetWidth(), 320u);
    EXPECT_EQ(m_device->GetPrimarySurface(), front.Get());

    EXPECT_FALSE(m_buffer->AttachZBuffer(true, PixelFormat{}));
    EXPECT_STREQ(EnD3DRender::GetLastError(),
                 "Creation failed: 3D Hardware does not support a Z-buffer format");

    m_capture.Clear();
    EXPECT_TRUE(m_buffer->AttachZBuffer(true, Formats::Depth24()));
    EXPECT_EQ(Lines(), std::vector<std::string>{
                           "EN D3D Renderer: Render create info: Found attached Z-Buffer"});
    EXPECT_EQ(m_buffer->GetZBufferSurface(), z.Get());
    EXPECT_EQ(m_buffer->GetFlags() & EnD3DFrameBuffer::FLAG_ZBUFFER_FOUND,
              EnD3DFrameBuffer::FLAG_ZBUFFER_FOUND);
    EXPECT_FALSE(m_buffer->DetachZBuffer());

    m_buffer.reset();
    Ref<Surface> still;
    SurfaceCaps caps;
    caps.caps = SurfaceCapBits::ZBuffer;
    EXPECT_TRUE(Succeeded(back->GetAttachedSurface(caps, still.Put())));
    EXPECT_EQ(still.Get(), z.Get());
}

TEST_F(FrameBuffer, MadeZBufferIsDetachedForTheNextFormat) {
    ASSERT_TRUE(Device()->SetUp(m_window, false, 0, 0, 0));
    m_buffer = EnD3DFrameBuffer::Create(Device(), EnD3DFrameBuffer::MODE_WINDOWED, 0, 0, 0,
                                        m_window, m_window);
    ASSERT_NE(m_buffer, nullptr);
    EXPECT_TRUE(m_buffer->DetachZBuffer());  // none yet
    ASSERT_TRUE(m_buffer->AttachZBuffer(true, Formats::Depth16()));
    ASSERT_NE(m_buffer->GetZBufferSurface(), nullptr);
    EXPECT_EQ(m_buffer->GetFlags() & EnD3DFrameBuffer::FLAG_ZBUFFER_FOUND, 0u);
    EXPECT_TRUE(m_buffer->DetachZBuffer());
    EXPECT_EQ(m_buffer->GetZBufferSurface(), nullptr);
    ASSERT_TRUE(m_buffer->AttachZBuffer(true, Formats::Depth24()));

    m_backend->InjectFault({"Surface::AddAttachedSurface", Result::Generic, 0, 0, 1});
    ASSERT_TRUE(m_buffer->DetachZBuffer());
    EXPECT_FALSE(m_buffer->AttachZBuffer(true, Formats::Depth16()));
    EXPECT_STREQ(EnD3DRender::GetLastError(), "Creation failed: ZBuffer Surface Attachment failed");
    EXPECT_EQ(m_buffer->GetZBufferSurface(), nullptr);
}

}  // namespace
