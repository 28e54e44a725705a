#include <gtest/gtest.h>

#include "GfxRig.h"
#include "platform/gfx/NullBackend.h"
#include "platform/gfx/gl/GlBackend.h"
#include "platform/window/Window.h"

using namespace gfxtest;
using namespace plat::gfx;

namespace {

// The exclusive display of the original maps onto desktop full screen: the flip chain keeps
// the mode's size, and minimising the window takes the surfaces away until it comes back.
class GlFullScreen : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!rig.Init(BackendKind::Gl, 64, 64, &why)) GTEST_SKIP() << "no OpenGL display: " << why;
        ASSERT_EQ(rig.g->SetCooperativeLevel(rig.Window(),
                                             CoopBits::FullScreen | CoopBits::Exclusive |
                                                 CoopBits::AllowReboot | CoopBits::Multithreaded),
                  Result::Ok);
        ASSERT_EQ(rig.g->SetDisplayMode(640, 480, 32, 0, 0), Result::Ok);
        SurfaceDesc chain;
        chain.flags = SurfaceDescBits::Caps | SurfaceDescBits::BackBufferCount;
        chain.caps.caps = SurfaceCapBits::PrimarySurface | SurfaceCapBits::Flip |
                          SurfaceCapBits::Complex | SurfaceCapBits::Device3D;
        chain.backBufferCount = 1;
        ASSERT_EQ(rig.g->CreateSurface(chain, front.Put()), Result::Ok);
        SurfaceCaps bc;
        bc.caps = SurfaceCapBits::BackBuffer;
        ASSERT_EQ(front->GetAttachedSurface(bc, back.Put()), Result::Ok);
    }
    void TearDown() override {
        if (rig.g) rig.g->RestoreDisplayMode();
    }
    GfxRig rig;
    Ref<Surface> front, back;
};

TEST_F(GlFullScreen, TheBackBufferHasTheModesSizeAndFlips) {
    EXPECT_TRUE(rig.Window()->IsFullScreen());
    SurfaceDesc d;
    back->GetSurfaceDesc(d);
    EXPECT_EQ(d.width, 640u);
    EXPECT_EQ(d.height, 480u);
    Ref<Device> dev;
    ASSERT_EQ(rig.g3d->CreateDevice(DeviceType::TnLHal, back.Get(), dev.Put()), Result::Ok);
    ASSERT_EQ(dev->Clear(0, nullptr, ClearBits::Target, 0x00ff8000, 1.0f, 0), Result::Ok);
    EXPECT_EQ(front->Flip(nullptr, 0), Result::Ok);
    SurfaceDesc lk;
    ASSERT_EQ(back->Lock(nullptr, lk, LockBits::Wait | LockBits::ReadOnly), Result::Ok);
    EXPECT_EQ(*static_cast<uint32_t*>(lk.surface) & 0xffffff, 0xff8000u);
    back->Unlock(nullptr);
    ASSERT_EQ(rig.g->RestoreDisplayMode(), Result::Ok);
    EXPECT_FALSE(rig.Window()->IsFullScreen());
}

TEST_F(GlFullScreen, PixelsWrittenIntoTheFrontBufferAreKept) {
    // Full-screen movies decode straight into the front buffer.
    SurfaceDesc lk;
    ASSERT_EQ(front->Lock(nullptr, lk, LockBits::Wait), Result::Ok);
    EXPECT_EQ(lk.width, 640u);
    auto* row = static_cast<uint32_t*>(lk.surface);
    for (int x = 0; x < 640; ++x) row[x] = 0x00336699;
    ASSERT_EQ(front->Unlock(nullptr), Result::Ok);
    ASSERT_EQ(front->Lock(nullptr, lk, LockBits::Wait | LockBits::ReadOnly), Result::Ok);
    EXPECT_EQ(static_cast<uint32_t*>(lk.surface)[639], 0x00336699u);
    front->Unlock(nullptr);
}

TEST_F(GlFullScreen, MinimisingLosesTheSurfacesUntilRestored) {
    rig.Window()->Show(plat::ShowCommand::Minimize);
    EXPECT_EQ(front->IsLost(), Result::SurfaceLost);
    EXPECT_EQ(back->IsLost(), Result::SurfaceLost);
    EXPECT_EQ(front->Restore(), Result::WrongMode);
    EXPECT_EQ(front->Flip(nullptr, 0), Result::SurfaceLost);
    rig.Window()->Show(plat::ShowCommand::Restore);
    EXPECT_EQ(rig.g->RestoreAllSurfaces(), Result::Ok);
    EXPECT_EQ(front->IsLost(), Result::Ok);
    EXPECT_EQ(front->Flip(nullptr, 0), Result::Ok);
}

}  // namespace

namespace {

TEST(GlBackendDefault, LinkingTheBackEndMakesItTheProcesssDefault) {
    std::string why;
    if (!GlBackend::Available(&why)) GTEST_SKIP() << "no OpenGL display: " << why;
    EXPECT_STREQ(Backend::Current().Name(), "opengl");
    auto previous = Backend::Install(std::make_shared<NullBackend>());
    EXPECT_STREQ(Backend::Current().Name(), "null");
    Backend::Install(previous);
    EXPECT_STREQ(Backend::Current().Name(), "opengl");
}

}  // namespace
