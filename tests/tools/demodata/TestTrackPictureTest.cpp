// The demo test track drawn through the Direct3D renderer on the OpenGL back end from the
// scene file's own camera, compared with the reference picture kept in tests/fixtures. Needs a
// display (Xvfb in CI); skipped without one.
//
// After an intended change to the scene or the renderer, rewrite the reference with
//   CORVANE_REWRITE_REFERENCE=1 ctest -R TestTrackPicture
// and look at it before committing. CORVANE_PICTURE_DIR=<dir> also keeps each drawn picture.
#ifdef CORVANE_HAVE_D3D

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/core/EnCamera.h"
#include "engine/core/EnColorRGB.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnStream.h"
#include "engine/d3d/EnD3DFrameBuffer.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/render/EnAlphaAccumulator.h"
#include "platform/gfx/Backend.h"
#include "platform/gfx/gl/GlBackend.h"
#include "platform/window/Window.h"
#include "platform/window/WindowClass.h"
#include "tests/support/GlRenderWindow.h"
#include "tests/support/TempDir.h"
#include "tools/demodata/DemoDataSet.h"
#include "tools/demodata/TestTrackScene.h"

namespace {

using namespace plat::gfx;

constexpr uint32_t kWidth = 320, kHeight = 240;
constexpr const char* kReference = "tests/fixtures/demodata/testtrack.ppm";
// A pixel differs when any channel is off by more than this; the picture matches when few
// pixels differ and the average error stays small (rasterisers differ a little at edges).
constexpr int kChannelTolerance = 24;
constexpr double kMaxDifferentShare = 0.002;
constexpr double kMaxMeanError = 1.5;

struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;  // top row first

    const uint8_t* At(uint32_t x, uint32_t y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

bool WritePpm(const std::string& path, const Picture& picture) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::fprintf(file, "P6\n%u %u\n255\n", picture.width, picture.height);
    const bool ok =
        std::fwrite(picture.rgb.data(), 1, picture.rgb.size(), file) == picture.rgb.size();
    return std::fclose(file) == 0 && ok;
}

bool ReadPpm(const std::string& path, Picture& picture) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    unsigned width = 0, height = 0, maxValue = 0;
    const bool header = std::fscanf(file, "P6 %u %u %u", &width, &height, &maxValue) == 3 &&
                        maxValue == 255 && std::fgetc(file) != EOF && width > 0 && height > 0 &&
                        width <= 4096 && height <= 4096;
    bool ok = false;
    if (header) {
        picture.width = width;
        picture.height = height;
        picture.rgb.resize(size_t(width) * height * 3);
        ok = std::fread(picture.rgb.data(), 1, picture.rgb.size(), file) == picture.rgb.size();
    }
    std::fclose(file);
    return ok;
}

std::string SourcePath(const char* relative) {
    const char* source = std::getenv("CORVANE_SOURCE");
    return std::string(source && *source ? source : ".") + "/" + relative;
}

class TestTrackPicture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!GlRenderWindow::DisplayAvailable(&why)) GTEST_SKIP() << "no OpenGL display: " << why;
        ASSERT_TRUE(m_set.Write(m_dir.Path())) << m_set.GetError();
        ASSERT_TRUE(m_gl.Open(EnD3DRender::CREATE_ZBUFFER | 0x08)) << m_gl.Problem();
        m_renderer = m_gl.Renderer();
    }

    void TearDown() override {
        m_stream.reset();
        m_renderer = nullptr;
        m_gl.Close();
    }

    // Loads the scene file with the renderer in place (so its images are the renderer's) and
    // draws two frames from the file's camera, blended objects through the alpha sorter.
    Picture Draw() {
        m_stream = std::make_unique<EnStream>();
        const std::string scene =
            m_dir.Path() + "/" + DemoDataSet::SCENE_DIRECTORY + "/" + TestTrackScene::SCENE_FILE;
        EXPECT_TRUE(m_stream->Load(scene.c_str())) << EnStream::GetLastErrorText();
        if (m_stream->GetObjectCount() < 2) return {};
        auto* root = EnDynamicCast(EnNode, m_stream->GetObjectAt(0));
        auto* camera = EnDynamicCast(EnCamera, m_stream->GetObjectAt(1));
        EXPECT_NE(root, nullptr);
        EXPECT_NE(camera, nullptr);
        if (!root || !camera) return {};

        m_renderer->SetAccumulator(new EnAlphaAccumulator);
        root->Update(0.0f);
        root->UpdateProperties();
        root->UpdateEffects();
        camera->Update(0.0f);
        camera->SetRenderer(m_renderer);
        m_renderer->SetBackgroundColor(EnColorRGB(0.78f, 0.85f, 0.93f));
        for (int frame = 0; frame < 2; frame++) {
            EXPECT_TRUE(m_renderer->ClearBuffers(nullptr, EnRender::CLEAR_ALL));
            camera->RenderFrame();
            EXPECT_TRUE(m_renderer->SwapBuffers());
        }
        camera->SetRenderer(nullptr);
        return ReadBack();
    }

    Picture ReadBack() {
        Picture picture;
        picture.width = kWidth;
        picture.height = kHeight;
        const std::vector<uint32_t> pixels = m_gl.ReadBack();
        EXPECT_EQ(pixels.size(), size_t(kWidth) * kHeight);
        picture.rgb.resize(size_t(kWidth) * kHeight * 3);
        for (size_t i = 0; i < pixels.size() && i < size_t(kWidth) * kHeight; i++) {
            picture.rgb[i * 3] = uint8_t(pixels[i] >> 16);
            picture.rgb[i * 3 + 1] = uint8_t(pixels[i] >> 8);
            picture.rgb[i * 3 + 2] = uint8_t(pixels[i]);
        }
        return picture;
    }

    TempDir m_dir;
    DemoDataSet m_set;
    GlRenderWindow m_gl{"DemoTestTrack", kWidth, kHeight};
    EnD3DRender* m_renderer = nullptr;
    std::unique_ptr<EnStream> m_stream;
};

// Average colour of a block of the picture.
struct Average {
    double r = 0, g = 0, b = 0;
};
Average AverageOf(const Picture& p, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
    Average a;
    for (uint32_t y = y0; y < y1; y++)
        for (uint32_t x = x0; x < x1; x++) {
            a.r += p.At(x, y)[0];
            a.g += p.At(x, y)[1];
            a.b += p.At(x, y)[2];
        }
    const double n = double(x1 - x0) * (y1 - y0);
    a.r /= n;
    a.g /= n;
    a.b /= n;
    return a;
}

TEST_F(TestTrackPicture, MatchesTheReferencePicture) {
    const Picture picture = Draw();
    ASSERT_EQ(picture.rgb.size(), size_t(kWidth) * kHeight * 3);
    if (const char* dir = std::getenv("CORVANE_PICTURE_DIR"); dir && *dir) {
        EXPECT_TRUE(WritePpm(std::string(dir) + "/testtrack.ppm", picture));
    }

    // Whatever the reference says, the picture must look like the scene: many colours, sky
    // above the horizon, grass in the bottom right corner.
    std::set<uint32_t> colours;
    for (size_t i = 0; i < picture.rgb.size(); i += 3)
        colours.insert(uint32_t(picture.rgb[i]) << 16 | picture.rgb[i + 1] << 8 |
                       picture.rgb[i + 2]);
    EXPECT_GT(colours.size(), 200u) << "the picture is nearly flat";
    const Average sky = AverageOf(picture, 200, 0, 320, 20);
    EXPECT_GT(sky.b, sky.r + 20) << "no blue sky at the top right";
    const Average grass = AverageOf(picture, 280, 220, 320, 240);
    EXPECT_GT(grass.g, grass.r + 15) << "no green ground at the bottom right";
    EXPECT_GT(grass.g, grass.b + 15) << "no green ground at the bottom right";

    const std::string referencePath = SourcePath(kReference);
    const char* rewrite = std::getenv("CORVANE_REWRITE_REFERENCE");
    if (rewrite && std::strcmp(rewrite, "1") == 0) {
        std::filesystem::create_directories(std::filesystem::path(referencePath).parent_path());
        ASSERT_TRUE(WritePpm(referencePath, picture)) << referencePath;
        std::printf("rewrote the reference picture %s\n", referencePath.c_str());
        return;
    }

    Picture reference;
    ASSERT_TRUE(ReadPpm(referencePath, reference))
        << "no reference picture at " << referencePath
        << "; make one with CORVANE_REWRITE_REFERENCE=1 and look at it";
    ASSERT_EQ(reference.width, picture.width);
    ASSERT_EQ(reference.height, picture.height);

    Picture difference = picture;
    size_t different = 0;
    double errorSum = 0;
    for (size_t i = 0; i < picture.rgb.size(); i += 3) {
        int worst = 0;
        for (int c = 0; c < 3; c++) {
            const int d = std::abs(int(picture.rgb[i + c]) - int(reference.rgb[i + c]));
            errorSum += d;
            worst = std::max(worst, d);
        }
        if (worst > kChannelTolerance) different++;
        for (int c = 0; c < 3; c++) difference.rgb[i + c] = uint8_t(std::min(255, worst * 4));
    }
    const size_t pixels = size_t(kWidth) * kHeight;
    const double share = double(different) / double(pixels);
    const double meanError = errorSum / double(picture.rgb.size());
    if (share > kMaxDifferentShare || meanError > kMaxMeanError) {
        const std::string out = ::testing::TempDir();
        WritePpm(out + "/testtrack_drawn.ppm", picture);
        WritePpm(out + "/testtrack_difference.ppm", difference);
        ADD_FAILURE() << different << " of " << pixels << " pixels differ (mean error " << meanError
                      << "); the drawn picture and the difference are in " << out
                      << "; after an intended change rewrite the reference with "
                         "CORVANE_REWRITE_REFERENCE=1";
    }
}

}  // namespace

#endif  // CORVANE_HAVE_D3D
