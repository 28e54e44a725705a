#include "tools/demodata/DemoDataSet.h"

#include <filesystem>
#include <system_error>

#include "engine/core/EnStream.h"
#include "engine/geometry/EnImage.h"
#include "tools/demodata/DemoTextures.h"
#include "tools/demodata/SgiWriter.h"
#include "tools/demodata/TargaWriter.h"
#include "tools/demodata/TestTrackScene.h"

namespace {

EnImage* MakePlainImage() {
    return new EnImage;
}

// Scene files only name their pictures, so a program without a renderer can write them with
// plain images; a renderer's own factory, when there is one, is left in place.
class ImageFactoryScope {
public:
    ImageFactoryScope() : m_pfnPrevious(EnImage::ms_pfnCreateImage) {
        if (!m_pfnPrevious) EnImage::ms_pfnCreateImage = &MakePlainImage;
    }
    ~ImageFactoryScope() { EnImage::ms_pfnCreateImage = m_pfnPrevious; }
    ImageFactoryScope(const ImageFactoryScope&) = delete;
    ImageFactoryScope& operator=(const ImageFactoryScope&) = delete;

private:
    EnImage::CreateImageFunction m_pfnPrevious;
};

enum class Format { TARGA, TARGA_RUN_LENGTH, SGI, SGI_RUN_LENGTH };

struct PictureFile {
    const char* pcName;
    DemoPicture (*pfnPaint)();
    Format eFormat;
};

bool WritePicture(const std::string& kPath, const DemoPicture& kPicture, Format eFormat) {
    switch (eFormat) {
        case Format::TARGA:
            return TargaWriter::Write(kPath.c_str(), kPicture, false);
        case Format::TARGA_RUN_LENGTH:
            return TargaWriter::Write(kPath.c_str(), kPicture, true);
        case Format::SGI:
            return SgiWriter::Write(kPath.c_str(), kPicture, false);
        case Format::SGI_RUN_LENGTH:
            return SgiWriter::Write(kPath.c_str(), kPicture, true);
    }
    return false;
}

}  // namespace

bool DemoDataSet::Fail(const std::string& kWhat) {
    m_kError = kWhat;
    return false;
}

bool DemoDataSet::Write(const std::string& kDataDirectory) {
    m_kWritten.clear();
    m_kError.clear();
    const std::filesystem::path kScenes = std::filesystem::path(kDataDirectory) / SCENE_DIRECTORY;
    std::error_code kError;
    std::filesystem::create_directories(kScenes, kError);
    if (kError) return Fail("cannot create " + kScenes.string() + ": " + kError.message());

    // Both encodings of both formats appear, so the data set exercises every reader path the
    // engine's own pictures take.
    const PictureFile kPictures[] = {
        {TestTrackScene::GRASS_IMAGE, &DemoTextures::Grass, Format::TARGA_RUN_LENGTH},
        {TestTrackScene::ASPHALT_IMAGE, &DemoTextures::Asphalt, Format::TARGA},
        {TestTrackScene::FENCE_IMAGE, &DemoTextures::Fence, Format::TARGA_RUN_LENGTH},
        {TestTrackScene::SKY_IMAGE, &DemoTextures::Sky, Format::SGI_RUN_LENGTH},
        {TestTrackScene::WALL_IMAGE, &DemoTextures::Wall, Format::SGI},
        {TestTrackScene::BANNER_IMAGE, &DemoTextures::Banner, Format::SGI_RUN_LENGTH},
    };
    for (const PictureFile& kFile : kPictures) {
        const std::filesystem::path kPath = kScenes / kFile.pcName;
        if (!WritePicture(kPath.string(), kFile.pfnPaint(), kFile.eFormat))
            return Fail("cannot write " + kPath.string());
        m_kWritten.push_back(std::string(SCENE_DIRECTORY) + "/" + kFile.pcName);
    }

    ImageFactoryScope kFactory;
    const std::filesystem::path kTrack = kScenes / TestTrackScene::SCENE_FILE;
    TestTrackScene kScene;
    if (!kScene.Save(kTrack.string().c_str()))
        return Fail("cannot write " + kTrack.string() + ": " + EnStream::GetLastErrorText());
    m_kWritten.push_back(std::string(SCENE_DIRECTORY) + "/" + TestTrackScene::SCENE_FILE);
    return true;
}
