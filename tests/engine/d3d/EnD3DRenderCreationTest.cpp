#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/d3d/EnD3DDeviceRecord.h"
#include "engine/d3d/EnD3DDirectDrawDevice.h"
#include "engine/d3d/EnD3DFrameBuffer.h"
#include "engine/d3d/EnD3DRender.h"
#include "tests/engine/d3d/D3DTestSupport.h"

using namespace d3dtest;

namespace {

std::vector<std::string> Prefixed(std::initializer_list<const char*> texts) {
    std::vector<std::string> lines;
    for (const char* text : texts) lines.push_back(std::string("EN D3D Renderer: ") + text);
    return lines;
}

class RendererCreation : public NullRendererTest {};

TEST_F(RendererCreation, WindowedCreationLogsEachStepInOrder) {
    ASSERT_NE(Create(0x09), nullptr) << EnD3DRender::GetLastError();
    const std::vector<std::string> expected = Prefixed({
        "(Creation): Attempting to create Direct3D renderer",
        "(Creation): Attempting to initialize DirectDraw device",
        "(Creation): DirectDraw device initialization succeeded",
        "(Creation): Creating framebuffer object",
        "(Creation): Creating windowed rendering buffers",
        "(Creation): Rendering buffer creation successful",
        "(Creation): Framebuffer object creation succeeded",
        "(Creation): Attempting to create z-buffer",
        "(Creation): Attempting to create Direct3D device",
        "(Creation): Z-buffer creation successful",
        "(Creation): Direct3D device creation successful",
        "(Creation): Z-buffer format does NOT include a Stencil buffer",
        "(Creation): Checking Direct3D device for required capabilities",
        "(Creation): Direct3D device has all required capabilities",
        "(Creation): Attempting to create texture manager",
        "(Creation): Texture manager creation succeeded",
        "(Creation): Attempting to create render state manager",
        "(Creation): Device supports per-pixel z-based fog",
        "(Creation): Render state manager creation succeeded",
        "(Creation): Attempting to create texture pipeline manager",
        "(Creation): Texture pipeline manager creation succeeded",
        "(Creation): Attempting to initialize multitexturing",
        // Every pair of the seven formats validates in one pass for each of the four kinds.
        "(Creation): Device supports vertex-firstsingle pass multitexturing: 196 modes",
        "(Creation): Device supports more single-pass vertex-first than vertex-last modes",
        "(Creation): Number of available single-pass multitexture modes: 196",
        "(Creation): Number of available multi-pass multitexture modes: 0",
        "(Creation): Number of available invalid multitexture modes: 0",
        "(Creation): D3D device supports alpha blending",
        "(Creation): D3D device is true color (24-32 bits)",
        "(Creation): Renderer creation successful",
    });
    EXPECT_EQ(Lines(), expected);

    const uint32_t caps = m_renderer->GetRendererField();
    EXPECT_EQ(caps, EnD3DRender::CAPS_READY | EnD3DRender::CAPS_MANAGERS |
                        EnD3DRender::CAPS_HARDWARE | EnD3DRender::CAPS_ALPHA_BLENDING |
                        EnD3DRender::CAPS_TRUE_COLOR);
    EXPECT_EQ(m_renderer->GetScreenWidth(), 640u);
    EXPECT_EQ(m_renderer->GetScreenHeight(), 480u);
    EXPECT_EQ(m_renderer->GetZBufferFormat(), Formats::Depth16());
    EXPECT_STREQ(m_renderer->GetDisplayFormatInfo(),
                 "Corvane T&L HAL on Corvane OpenGL Display Adapter");
    EXPECT_TRUE(m_renderer->IsTransformAndLight());
}

TEST_F(RendererCreation, ShutdownReleasesEverythingInOrder) {
    ASSERT_NE(Create(0x09), nullptr);
    const uint32_t renderers = EnRender::GetLiveRendererCount();
    EXPECT_EQ(EnD3DDirectDrawDevice::GetLiveCount(), 1u);
    m_capture.Clear();
    m_renderer = nullptr;
    const std::vector<std::string> expected = Prefixed({
        "(Shutdown): Shutting down D3D Renderer",
        "(Shutdown): Destroying cached geometry data",
        "(Shutdown): Finished destroying cached geometry data",
        "(Shutdown): Destroying texture manager",
        "(Shutdown): Finished destroying texture manager",
        "(Shutdown): Releasing D3D device",
        "(Shutdown): Released D3D device",
        "(Shutdown): Destroying framebuffers",
        "(Shutdown): Releasing DirectDraw encapsulation object",
        "(Shutdown): DirectDraw encapsulation object released",
        "(Shutdown): Finished destroying framebuffers",
        "(Shutdown): Finished shutting down D3D Renderer",
    });
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(EnRender::GetLiveRendererCount(), renderers - 1);
    EXPECT_EQ(EnD3DDirectDrawDevice::GetLiveCount(), 0u);
}

// The z-buffer candidates of a device: the deepest format of at most 16 depth bits, the deepest
// without stencil above that, and one with more than one stencil bit.
TEST_F(RendererCreation, SortsZBufferFormatsIntoThreeCandidates) {
    PixelFormat d24s4 = Formats::Depth24Stencil8();
    d24s4.stencilBitDepth = 4;
    d24s4.stencilBitMask = 0xf;
    PixelFormat d31s1 = Formats::Depth24Stencil8();
    d31s1.stencilBitDepth = 1;
    d31s1.stencilBitMask = 0x1;
    PixelFormat colour = Formats::Rgb565();

    struct Case {
        const char* name;
        std::vector<PixelFormat> formats;
        PixelFormat shallow, deep, stencil;
    };
    const Case cases[] = {
        {"standard",
         {Formats::Depth16(), Formats::Depth24(), Formats::Depth24Stencil8()},
         Formats::Depth16(),
         Formats::Depth24(),
         Formats::Depth24Stencil8()},
        // The first of two equally deep formats stays; a 4-bit stencil does not replace an
        // 8-bit one of more depth.
        {"first of equals",
         {Formats::Depth32(), Formats::Depth24Stencil8(), Formats::Depth24(), d24s4,
          Formats::Depth16()},
         Formats::Depth16(),
         Formats::Depth32(),
         Formats::Depth24Stencil8()},
        // A single stencil bit is never enough; non-depth formats are skipped.
        {"one stencil bit", {colour, d31s1, Formats::Depth16()}, Formats::Depth16(), {}, {}},
        {"stencil only", {d24s4}, {}, {}, d24s4},
    };
    for (const Case& c : cases) {
        GfxConfig config = GfxConfig::Standard();
        config.drivers[0].zFormats = c.formats;
        Install(config);
        // No z-buffer asked for: the candidates are still sorted.
        ASSERT_NE(Create(0x00), nullptr) << c.name;
        EXPECT_EQ(m_renderer->GetZCandidate(EnD3DRender::ZCAND_SHALLOW), c.shallow) << c.name;
        EXPECT_EQ(m_renderer->GetZCandidate(EnD3DRender::ZCAND_DEEP), c.deep) << c.name;
        EXPECT_EQ(m_renderer->GetZCandidate(EnD3DRender::ZCAND_STENCIL), c.stencil) << c.name;
        m_renderer = nullptr;
    }
}

// The flags order the candidates; a device that refuses the first k of them ends on the next,
// after k format changes.
TEST_F(RendererCreation, TriesZBufferCandidatesInTheOrderTheFlagsAsk) {
    struct Case {
        uint32_t flags;
        uint32_t order[3];
    };
    const Case cases[] = {
        {0x01, {EnD3DRender::ZCAND_SHALLOW, EnD3DRender::ZCAND_DEEP, EnD3DRender::ZCAND_STENCIL}},
        {0x02, {EnD3DRender::ZCAND_DEEP, EnD3DRender::ZCAND_STENCIL, EnD3DRender::ZCAND_SHALLOW}},
        {0x05, {EnD3DRender::ZCAND_STENCIL, EnD3DRender::ZCAND_SHALLOW, EnD3DRender::ZCAND_DEEP}},
        {0x06, {EnD3DRender::ZCAND_STENCIL, EnD3DRender::ZCAND_DEEP, EnD3DRender::ZCAND_SHALLOW}},
    };
    for (const Case& c : cases) {
        for (int refused = 0; refused < 3; refused++) {
            SCOPED_TRACE(testing::Message()
                         << "flags 0x" << std::hex << c.flags << " refused " << refused);
            Install(GfxConfig::Standard());
            if (refused)
                m_backend->InjectFault(
                    {"Graphics3D::CreateDevice", Result::Generic, 0, 0, refused});
            m_capture.Clear();
            ASSERT_NE(Create(c.flags), nullptr) << EnD3DRender::GetLastError();
            EXPECT_EQ(m_renderer->GetZBufferFormat(), m_renderer->GetZCandidate(c.order[refused]));
            const auto lines = Lines();
            EXPECT_EQ(std::count(lines.begin(), lines.end(),
                                 "EN D3D Renderer: (Creation): Trying different Z-buffer format"),
                      refused);
            EXPECT_EQ(std::count(lines.begin(), lines.end(),
                                 "EN D3D Renderer WARNING: (Creation): D3D device creation with "
                                 "attached z-buffer failed"),
                      refused);
            const bool stencil = c.order[refused] == EnD3DRender::ZCAND_STENCIL;
            EXPECT_EQ((m_renderer->GetRendererField() & EnD3DRender::CAPS_STENCIL) != 0, stencil);
            m_renderer = nullptr;
        }
    }
}

TEST_F(RendererCreation, WithoutZBufferFlagsNoZBufferIsMade) {
    ASSERT_NE(Create(0x10), nullptr);
    EXPECT_EQ(m_renderer->GetCurrentFrameBuffer()->GetZBufferSurface(), nullptr);
    EXPECT_TRUE(m_renderer->GetZBufferFormat().IsEmpty());
    const auto lines = Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "EN D3D Renderer: (Creation): Z-buffer format does NOT include a Stencil "
                        "buffer"),
              lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(),
                        "EN D3D Renderer: (Creation): Attempting to create z-buffer"),
              lines.end());
}

// Every way creation can fail ends in no renderer, nothing left alive, and the exact text of
// the step that failed kept as the last error.
TEST_F(RendererCreation, FailuresKeepTheTextOfTheFailingStep) {
    struct Case {
        const char* call;
        uint32_t caps;
        uint32_t fullScreen;
        const char* error;
    };
    const Case cases[] = {
        {"Backend::CreateGraphics", 0, 0, "Creation failed: DirectDrawCreate for HEL failed"},
        {"Graphics::GetCaps", 0, 0, "Creation failed: Direct Draw Caps query failed"},
        {"Graphics::QueryGraphics3D", 0, 0,
         "Creation failed: Could not query Direct3D from DirectDraw"},
        {"Graphics::SetCooperativeLevel", 0, 0, "Creation failed: Set Cooperative Level failed"},
        {"Graphics::SetCooperativeLevel", 0, 1, "Creation failed: Set Cooperative Level failed"},
        {"Graphics::GetDisplayMode", 0, 0, "Creation failed: Get Display Mode failed"},
        {"Graphics::SetDisplayMode", 0, 1, "Creation failed: Set Display Mode failed"},
        {"Graphics::CreateSurface", SurfaceCapBits::PrimarySurface, 0,
         "Creation failed: Onscreen Front Buffer Surface Creation failed"},
        {"Graphics::CreateSurface", SurfaceCapBits::PrimarySurface, 1,
         "Creation failed: Error creating fullscreen frontbuffer"},
        {"Surface::GetAttachedSurface", SurfaceCapBits::BackBuffer, 1,
         "Creation failed: Error creating fullscreen backbuffer"},
        {"Graphics::CreateSurface", SurfaceCapBits::Device3D, 0,
         "Creation failed: Back Buffer Surface Creation failed"},
        {"Graphics::CreateClipper", 0, 0, "Creation failed: Clipper Creation failed"},
        {"Clipper::SetWindow", 0, 0, "Creation failed: Clipper Creation failed"},
        {"Surface::SetClipper", 0, 0, "Creation failed: Clipper Creation failed"},
        {"Graphics3D::CreateDevice", 0, 0, "Creation failed: Cannot create D3D device"},
        {"Device::EnumTextureFormats", 0, 0, "Creation failed: Texture format query failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.call << " full screen " << c.fullScreen);
        Install(GfxConfig::Standard());
        EnD3DRender::EnumerateDevices();  // the faults are for creation, not enumeration
        m_backend->InjectFault({c.call, Result::Generic, c.caps, 0, -1});
        EXPECT_EQ(Create(0x09, c.fullScreen), nullptr);
        EXPECT_STREQ(EnD3DRender::GetLastError(), c.error);
        EXPECT_EQ(EnD3DDirectDrawDevice::GetLiveCount(), 0u);
        m_backend->ClearFaults();
    }
}

TEST_F(RendererCreation, ClipperStepsWarnWhichOneFailed) {
    const std::pair<const char*, const char*> cases[] = {
        {"Graphics::CreateClipper", "Creation failed: Clipper Creation failed"},
        {"Clipper::SetWindow", "Creation failed: Clipper Window Attach failed"},
        {"Surface::SetClipper", "Creation failed: Frontbuffer SetClipper failed"},
    };
    for (const auto& [call, warning] : cases) {
        Install(GfxConfig::Standard());
        m_backend->InjectFault({call, Result::Generic, 0, 0, -1});
        m_capture.Clear();
        EXPECT_EQ(Create(0x09), nullptr);
        const auto lines = Lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(),
                            std::string("EN D3D Renderer WARNING: ") + warning),
                  lines.end())
            << call;
    }
}

TEST_F(RendererCreation, MissingCapabilitiesOrWindowsFailWithTheirTexts) {
    GfxConfig noPerspective = GfxConfig::Standard();
    noPerspective.drivers[0].devices[0].desc.triCaps.textureCaps &= ~TextureCapBits::Perspective;
    Install(noPerspective);
    EXPECT_EQ(Create(0x09), nullptr);
    EXPECT_STREQ(EnD3DRender::GetLastError(),
                 "Creation failed: D3D device cannot support required capabilities");

    Install(GfxConfig::Standard());
    EXPECT_EQ(EnD3DRender::Create(0, 640, 480, 0x09, nullptr, nullptr, nullptr), nullptr);
    EXPECT_STREQ(EnD3DRender::GetLastError(),
                 "(Creation): Windowed renderer requires a non-NULL window handle");
    EXPECT_EQ(EnD3DRender::Create(1, 640, 480, 0x09, nullptr, nullptr, nullptr), nullptr);
    EXPECT_STREQ(
        EnD3DRender::GetLastError(),
        "Creation failed: Fullscreen renderer requires a non-NULL top-level window handle");
    EXPECT_EQ(EnD3DDirectDrawDevice::GetLiveCount(), 0u);
}

TEST_F(RendererCreation, UnlistedFullScreenModeFailsAndLeavesTheNormalLevel) {
    EXPECT_EQ(Create(0x09, 1, nullptr, 641, 480), nullptr);
    EXPECT_STREQ(EnD3DRender::GetLastError(),
                 "Creation failed: Desired fullscreen display mode not supported");
    const auto lines = Log().Lines();
    std::string last;
    for (const auto& line : lines)
        if (line.find("Graphics::SetCooperativeLevel(") != std::string::npos) last = line;
    EXPECT_NE(last.find(", 0x408)"), std::string::npos) << last;
}

TEST_F(RendererCreation, SecondFullScreenDeviceUsesTheMultiMonitorLevel) {
    EnPointer<EnD3DRender> first = Create(0x09, 1);
    ASSERT_NE(first, nullptr) << EnD3DRender::GetLastError();
    EXPECT_GE(Log().Count(", 0x413)"), 1u);
    EXPECT_EQ(Log().Count(", 0x693)"), 0u);
    m_renderer = nullptr;
    EnPointer<EnD3DRender> second = Create(0x09, 1);
    EXPECT_GE(Log().Count(", 0x693)"), 1u);
    m_renderer = nullptr;
}

TEST_F(RendererCreation, TripleBufferingFallsBackToTwoBuffersSilently) {
    for (uint32_t maxBack : {1u, 2u}) {
        GfxConfig config = GfxConfig::Standard();
        config.maxBackBuffers = maxBack;
        Install(config);
        m_capture.Clear();
        ASSERT_NE(Create(0x29, 1), nullptr) << EnD3DRender::GetLastError();
        const auto lines = Lines();
        const bool triple =
            std::find(lines.begin(), lines.end(),
                      "EN D3D Renderer: (Creation): Using Triple Buffering") != lines.end();
        EXPECT_EQ(triple, maxBack == 2);
        for (const auto& line : lines) EXPECT_EQ(line.find("WARNING"), std::string::npos) << line;
        m_renderer = nullptr;
    }
}

TEST_F(RendererCreation, FallsBackOnTheSoftwareDeviceOrFailsWithoutAny) {
    GfxConfig software = GfxConfig::Standard();
    GfxConfig::DeviceInfo rgb;
    rgb.name = "RGB Emulation";
    rgb.description = "software";
    rgb.desc = GfxConfig::StandardDeviceDesc();
    rgb.desc.devCaps &= ~(DevCapBits::HwRasterization | DevCapBits::HwTransformAndLight);
    rgb.desc.deviceType = DeviceType::Rgb;
    software.drivers[0].devices = {rgb};
    Install(software);
    ASSERT_NE(Create(0x09), nullptr) << EnD3DRender::GetLastError();
    EXPECT_EQ(EnD3DRender::GetDefaultWindowedRecord(), nullptr);
    EXPECT_STREQ(m_renderer->GetDisplayFormatInfo(),
                 "RGB Emulation on Corvane OpenGL Display Adapter");
    EXPECT_EQ(m_renderer->GetRendererField() & EnD3DRender::CAPS_HARDWARE, 0u);
    m_renderer = nullptr;

    GfxConfig none = GfxConfig::Standard();
    none.drivers[0].devices.clear();
    Install(none);
    EXPECT_EQ(Create(0x09), nullptr);
    EXPECT_STREQ(EnD3DRender::GetLastError(),
                 "Creation failed: Could not find any Direct3D-compatible 3D hardware or software");
}

TEST_F(RendererCreation, LostSurfacesSkipFramesUntilTheyComeBack) {
    ASSERT_NE(Create(0x09), nullptr);
    m_backend->LoseAllSurfaces();
    m_backend->InjectFault({"Surface::Restore", Result::WrongMode, 0, 0, 2});
    m_capture.Clear();
    for (int frame = 0; frame < 2; frame++) {
        EXPECT_NE(m_renderer->OpenScene(nullptr), 0u);
        EXPECT_FALSE(m_renderer->IsInScene());
        m_renderer->CloseScene();
    }
    EXPECT_EQ(m_renderer->OpenScene(nullptr), 0u);
    EXPECT_TRUE(m_renderer->IsInScene());
    m_renderer->CloseScene();
    EXPECT_EQ(m_renderer->OpenScene(nullptr), 0u);
    m_renderer->CloseScene();
    const auto lines = Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "EN D3D Renderer: (Runtime): Recovered from Alt-Tab or minimization of "
                         "application"),
              1);
}

}  // namespace
