#pragma once
// Shared by the texture-property tests: images are made through a plain factory, and every
// test leaves the image statics as the program starts with them.
#include <gtest/gtest.h>

#include "engine/geometry/EnImage.h"
#include "engine/geometry/EnRawImageData.h"

class TexturePropertyTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnImage::ms_pfnCreateImage = [] { return new EnImage; };
    }
    void TearDown() override {
        EnImage::ms_pfnCreateImage = nullptr;
        EnImage::ms_uiLastError = 0;
    }

    // A new 2 x 2 image of RGB pixels whose first byte is the seed, so that images differ.
    static EnPointer<EnImage> MakeImage(uint8_t ucSeed = 1) {
        EnPointer<EnRawImageData> spRaw(new EnRawImageData(EnRawImageData::FORMAT_RGB, 2, 2));
        spRaw->GetPixels()[0] = ucSeed;
        return EnImage::CreateFromRawData(spRaw, EnImage::OPTION_DEFAULT, EnImage::TEX_DEFAULT,
                                          EnImage::OPTION_DEFAULT);
    }
};
