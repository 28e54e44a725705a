#include "engine/geometry/EnImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "tests/engine/geometry/ImageTestBytes.h"
#include "tests/support/TempDir.h"

namespace {

// Stands in for a renderer's image class.
class TestImage : public EnImage {
    EN_DECLARE_RTTI;

public:
    void SetURL(const char* pcName) {
        m_pURL.reset(new char[std::strlen(pcName) + 1]);
        std::strcpy(m_pURL.get(), pcName);
    }
    void SetRaw(EnRawImageData* pRaw) { m_spRaw = pRaw; }
    void SetScale(float fScale) { m_fImageScale = fScale; }
};

EN_IMPLEMENT_RTTI(TestImage, EnImage);

EnImage* MakeTestImage() {
    return new TestImage;
}
EnImage* MakeNothing() {
    return nullptr;
}

// Offers made to the stand-in renderers, in order; a renderer whose token is in m_refusing
// says no.
struct Offers {
    std::vector<int*> asked;
    std::vector<int*> refusing;
};
Offers* g_pOffers = nullptr;

bool RecordOffer(EnRender* pRenderer, EnImage*) {
    int* token = reinterpret_cast<int*>(pRenderer);
    g_pOffers->asked.push_back(token);
    for (int* refusing : g_pOffers->refusing)
        if (refusing == token) return false;
    return true;
}

EnRender* AsRenderer(int& token) {
    return reinterpret_cast<EnRender*>(&token);
}

// Every test runs with the stand-in factory and leaves the image statics as it found them (a
// renderer linked into the same program may have installed its offer function).
class EnImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pfnSavedCreate = EnImage::ms_pfnCreateImage;
        m_pfnSavedOffer = EnImage::ms_pfnOfferImage;
        EnImage::ms_pfnCreateImage = &MakeTestImage;
        EnImage::ms_pfnOfferImage = nullptr;
        m_uiSavedRenderers = EnImage::ms_kRenderers.GetCount();
        g_pOffers = &m_offers;
    }
    void TearDown() override {
        EnImage::ms_pfnCreateImage = m_pfnSavedCreate;
        EnImage::ms_pfnOfferImage = m_pfnSavedOffer;
        // The stand-in renderers were added at the tail.
        while (EnImage::ms_kRenderers.GetCount() > m_uiSavedRenderers)
            EnImage::ms_kRenderers.RemoveTail();
        EnImage::ms_uiLastError = 0;
        EnImage::ms_bSaveByName = true;
        EnImage::ms_bMipmapDefault = false;
        EnImage::ms_bFlag4Default = false;
        g_pOffers = nullptr;
    }

    EnImage::CreateImageFunction m_pfnSavedCreate = nullptr;
    EnImage::OfferImageFunction m_pfnSavedOffer = nullptr;
    uint32_t m_uiSavedRenderers = 0;
    Offers m_offers;
    TempDir m_dir;
};

// Stream-string helpers for hand-made scene files.
void PutString(ImageTestBytes& b, const char* text) {
    b.U32(uint32_t(std::strlen(text)));
    for (const char* p = text; *p; ++p) b.U8(uint8_t(*p));
}

// The header a save writes, with line 1's version replaced.
std::string HeaderWithVersion(const TempDir& dir, const char* version) {
    EnStream empty;
    EXPECT_TRUE(empty.Save(dir.File("empty.enf").c_str()));
    std::string bytes = TempDir::Read(dir.File("empty.enf"));
    size_t end = 0;
    for (int line = 0; line < 4; ++line) end = bytes.find('\n', end) + 1;
    std::string header = bytes.substr(0, end);
    const size_t lineEnd = header.find('\n');
    return header.substr(0, lineEnd - 3) + version + header.substr(lineEnd);
}

}  // namespace

TEST(EnImageMipLevels, AreTheSmallerLogarithmOfPowersOfTwo) {
    struct Case {
        uint32_t width, height, levels;
    };
    const Case cases[] = {{256, 64, 6}, {256, 256, 8}, {1, 1, 0},    {96, 64, 0},
                          {0, 64, 0},   {64, 0, 0},    {2, 1024, 1}, {0x80000000, 0x80000000, 31}};
    for (const Case& c : cases)
        EXPECT_EQ(EnImage::ComputeMipLevels(c.width, c.height), c.levels)
            << c.width << " x " << c.height;
}

TEST_F(EnImageTest, CreationOptionsSetTheFlags) {
    struct Case {
        uint32_t mip, flag4;
        bool mipDefault, flag4Default;
        uint32_t flags;
    };
    const Case cases[] = {
        {2, 0, false, false, 0}, {2, 0, true, false, 2}, {1, 0, false, false, 2},
        {1, 1, false, false, 6}, {0, 2, false, true, 4}, {3, 3, true, true, 0},
    };
    for (const Case& c : cases) {
        EnImage::ms_bMipmapDefault = c.mipDefault;
        EnImage::ms_bFlag4Default = c.flag4Default;
        EnPointer<EnImage> spImage = EnImage::CreateFromFile("a.tga", c.mip, 5, c.flag4);
        ASSERT_TRUE(spImage);
        EXPECT_EQ(spImage->GetFlags(), c.flags) << c.mip << " " << c.flag4;
        EXPECT_EQ(spImage->GetPrefTexFormat(), 5u);
        EXPECT_STREQ(spImage->GetURL(), "a.tga");
        EXPECT_TRUE(EnIsExactKindOf(TestImage, spImage.Get()));
        EXPECT_EQ(spImage->GetImageScale(), 128.5f);
        EXPECT_EQ(spImage->GetWidth(), 0u);
    }
}

TEST_F(EnImageTest, CreationFailuresSetTheLastError) {
    EnImage::ms_uiLastError = 123;
    EXPECT_EQ(EnImage::CreateFromFile(nullptr, 2, 7, 2), nullptr);
    EXPECT_EQ(EnImage::ms_uiLastError, 5u);
    EXPECT_EQ(EnImage::CreateFromRawData(nullptr, 2, 7, 2), nullptr);
    EXPECT_EQ(EnImage::ms_uiLastError, 6u);

    EnImage::ms_pfnCreateImage = &MakeNothing;
    EXPECT_EQ(EnImage::CreateFromFile("a.tga", 2, 7, 2), nullptr);
    EXPECT_EQ(EnImage::ms_uiLastError, 4u);

    // Without a factory nothing is made and the previous code stays.
    EnImage::ms_pfnCreateImage = nullptr;
    EnImage::ms_uiLastError = 123;
    EXPECT_EQ(EnImage::CreateFromFile("a.tga", 2, 7, 2), nullptr);
    EXPECT_EQ(EnImage::ms_uiLastError, 123u);
}

TEST_F(EnImageTest, RawDataIsHeldByTheImageAndReleasedOnEveryPath) {
    EnPointer<EnRawImageData> spRaw = new EnRawImageData(EnRawImageData::FORMAT_RGB, 2, 2);
    {
        EnPointer<EnImage> spImage = EnImage::CreateFromRawData(spRaw, 1, 7, 0);
        ASSERT_TRUE(spImage);
        EXPECT_EQ(spImage->GetRawImageData(), spRaw.Get());
        EXPECT_EQ(spImage->GetURL(), nullptr);
        EXPECT_EQ(spRaw->GetRefCount(), 2);
    }
    EXPECT_EQ(spRaw->GetRefCount(), 1);
    EnImage::ms_pfnCreateImage = nullptr;
    EXPECT_EQ(EnImage::CreateFromRawData(spRaw, 1, 7, 0), nullptr);
    EXPECT_EQ(spRaw->GetRefCount(), 1);
}

TEST_F(EnImageTest, RenderersAreAskedInOrderAndARefusalDestroysTheImage) {
    int first = 0, second = 0, third = 0;
    EnImage::ms_pfnOfferImage = &RecordOffer;
    EnImage::AddRenderer(AsRenderer(first));
    EnImage::AddRenderer(AsRenderer(second));
    EnImage::AddRenderer(AsRenderer(third));

    EnPointer<EnImage> spAccepted = EnImage::CreateFromFile("a.tga", 2, 7, 2);
    EXPECT_TRUE(spAccepted);
    EXPECT_EQ(m_offers.asked, (std::vector<int*>{&first, &second, &third}));

    m_offers.asked.clear();
    m_offers.refusing = {&second};
    const uint32_t live = EnObject::GetLiveObjectCount();
    EnImage::ms_uiLastError = 0;
    EXPECT_EQ(EnImage::CreateFromFile("b.tga", 2, 7, 2), nullptr);
    EXPECT_EQ(EnImage::ms_uiLastError, 0u);  // a refusal is no error
    EXPECT_EQ(m_offers.asked, (std::vector<int*>{&first, &second}));
    EXPECT_EQ(EnObject::GetLiveObjectCount(), live);

    // A removed renderer is no longer asked.
    m_offers.asked.clear();
    EnImage::RemoveRenderer(AsRenderer(second));
    EXPECT_TRUE(EnPointer<EnImage>(EnImage::CreateFromRawData(new EnRawImageData, 2, 7, 2)));
    EXPECT_EQ(m_offers.asked, (std::vector<int*>{&first, &third}));
}

TEST_F(EnImageTest, WithoutAnOfferFunctionEveryRendererAccepts) {
    int renderer = 0;
    EnImage::AddRenderer(AsRenderer(renderer));
    EXPECT_TRUE(EnPointer<EnImage>(EnImage::CreateFromFile("a.tga", 2, 7, 2)));
}

TEST_F(EnImageTest, ImagesThatNameOneFileLoadAsOneObject) {
    EnPointer<EnImage> spFirst = EnImage::CreateFromFile("shared.tga", 2, 7, 2);
    EnPointer<EnImage> spSecond = EnImage::CreateFromFile("shared.tga", 2, 7, 2);
    EnPointer<EnImage> spOther = EnImage::CreateFromFile("other.tga", 2, 7, 2);
    EnStream out;
    out.InsertObject(spFirst);
    out.InsertObject(spSecond);
    out.InsertObject(spOther);
    ASSERT_TRUE(out.Save(m_dir.File("shared.enf").c_str()));

    int renderer = 0;
    EnImage::ms_pfnOfferImage = &RecordOffer;
    EnImage::AddRenderer(AsRenderer(renderer));
    const uint32_t live = EnObject::GetLiveObjectCount();
    {
        EnStream in;
        ASSERT_TRUE(in.Load(m_dir.File("shared.enf").c_str()));
        ASSERT_EQ(in.GetObjectCount(), 2u);
        auto* pShared = EnDynamicCast(EnImage, in.GetObjectAt(0));
        ASSERT_TRUE(pShared);
        EXPECT_STREQ(pShared->GetURL(), "shared.tga");
        EXPECT_TRUE(EnIsExactKindOf(TestImage, pShared));
        EXPECT_STREQ(static_cast<EnImage*>(in.GetObjectAt(1))->GetURL(), "other.tga");
        // Linking offers each record's object again: the shared image twice.
        EXPECT_EQ(m_offers.asked.size(), 3u);
        EXPECT_EQ(EnObject::GetLiveObjectCount(), live + 2);
    }
    EXPECT_EQ(EnObject::GetLiveObjectCount(), live);
}

TEST_F(EnImageTest, ExternalNamesResolveBesideTheSceneFile) {
    m_dir.Write("road.tga", "x");
    EnPointer<EnImage> spImage = EnImage::CreateFromFile("textures\\road.tga", 2, 7, 2);
    EnStream out;
    out.InsertObject(spImage);
    ASSERT_TRUE(out.Save(m_dir.File("scene.enf").c_str()));
    EnStream in;
    ASSERT_TRUE(in.Load(m_dir.File("scene.enf").c_str()));
    EXPECT_EQ(std::string(static_cast<EnImage*>(in.GetObjectAt(0))->GetURL()),
              m_dir.File("road.tga"));
}

TEST_F(EnImageTest, ImagesLoadWithoutAFactoryAsPlainImages) {
    EnPointer<EnRawImageData> spRaw = new EnRawImageData(EnRawImageData::FORMAT_RGB, 1, 1);
    EnPointer<EnImage> spImage = EnImage::CreateFromRawData(spRaw, 2, 3, 2);
    EnStream out;
    out.InsertObject(spImage);
    ASSERT_TRUE(out.Save(m_dir.File("scene.enf").c_str()));

    EnImage::ms_pfnCreateImage = nullptr;
    EnImage::ms_bMipmapDefault = true;
    EnStream in;
    ASSERT_TRUE(in.Load(m_dir.File("scene.enf").c_str()));
    ASSERT_EQ(in.GetObjectCount(), 1u);
    auto* pLoaded = EnDynamicCast(EnImage, in.GetObjectAt(0));
    ASSERT_TRUE(pLoaded);
    EXPECT_TRUE(EnIsExactKindOf(EnImage, pLoaded));
    EXPECT_EQ(pLoaded->GetPrefTexFormat(), 3u);
    EXPECT_EQ(pLoaded->GetFlags(), uint32_t(EnImage::FLAG_MIPMAP));
    ASSERT_TRUE(pLoaded->GetRawImageData());
    EXPECT_TRUE(spRaw->EqualsObject(pLoaded->GetRawImageData()));
}

TEST_F(EnImageTest, StreamsOlderThan304KeepTheDefaultScale) {
    for (const char* version : {"3.03", "3.04"}) {
        ImageTestBytes b;
        const std::string header = HeaderWithVersion(m_dir, version);
        b.v.assign(header.begin(), header.end());
        PutString(b, "Top Level Object");
        PutString(b, "EnImage");
        b.U32(1).U8(1);
        PutString(b, "old.tga");
        b.U32(4);
        const bool hasScale = std::strcmp(version, "3.04") == 0;
        if (hasScale) b.U32(0x40000000);  // 2.0f
        PutString(b, "End Of File");
        const std::string path = m_dir.Write("old.enf", b.Str());
        EnStream in;
        ASSERT_TRUE(in.Load(path.c_str())) << version << ": " << EnStream::GetLastErrorText();
        auto* pImage = static_cast<EnImage*>(in.GetObjectAt(0));
        EXPECT_EQ(pImage->GetImageScale(), hasScale ? 2.0f : 128.5f) << version;
        EXPECT_EQ(pImage->GetPrefTexFormat(), 4u);
    }
}

TEST_F(EnImageTest, PixelLinksMustNameRawImageData) {
    ImageTestBytes b;
    const std::string header = HeaderWithVersion(m_dir, "3.1");
    b.v.assign(header.begin(), header.end());
    PutString(b, "Top Level Object");
    PutString(b, "EnImage");
    b.U32(1).U8(0).U32(2).U32(7).U32(0x43008000);
    PutString(b, "EnImage");  // the "pixel data" is another image
    b.U32(2).U8(1);
    PutString(b, "x.tga");
    b.U32(7).U32(0x43008000);
    PutString(b, "End Of File");
    const std::string path = m_dir.Write("wrong.enf", b.Str());
    EnStream in;
    EXPECT_FALSE(in.Load(path.c_str()));
    EXPECT_EQ(EnStream::GetLastErrorCode(), uint32_t(EnStream::ERROR_WRONG_LINK_CLASS));
}

TEST_F(EnImageTest, SavingPrefersTheNameWhileSaveByNameIsOn) {
    EnPointer<TestImage> spImage = new TestImage;
    spImage->SetURL("named.tga");
    spImage->SetRaw(new EnRawImageData(EnRawImageData::FORMAT_RGB, 1, 1));
    {
        EnStream out;
        out.InsertObject(spImage);
        ASSERT_TRUE(out.Save(m_dir.File("byname.enf").c_str()));
    }
    const std::string bytes = TempDir::Read(m_dir.File("byname.enf"));
    EXPECT_EQ(bytes.find("EnRawImageData"), std::string::npos);
    EXPECT_EQ(bytes.find("TestImage"), std::string::npos);  // always saved as "EnImage"
    const size_t name = bytes.find("named.tga");
    ASSERT_NE(name, std::string::npos);
    EXPECT_EQ(bytes[name - 5], 1);  // external, then the name's length

    EnStream in;
    ASSERT_TRUE(in.Load(m_dir.File("byname.enf").c_str()));
    auto* pLoaded = static_cast<EnImage*>(in.GetObjectAt(0));
    EXPECT_STREQ(pLoaded->GetURL(), "named.tga");
    EXPECT_EQ(pLoaded->GetRawImageData(), nullptr);
}

TEST_F(EnImageTest, SavingByPixelsReadsTheNamedFile) {
    ImageTestBytes tga = TargaHeader(2, 1, 1, 24, 0);
    tga.Raw({3, 2, 1});
    m_dir.Write("pixels.tga", tga.Str());
    EnImage::ms_bSaveByName = false;
    EnPointer<EnImage> spImage = EnImage::CreateFromFile(m_dir.File("pixels.tga").c_str(), 2, 7, 2);
    EnPointer<EnImage> spMissing = EnImage::CreateFromFile(m_dir.File("gone.tga").c_str(), 2, 7, 2);
    EnStream out;
    out.InsertObject(spImage);
    out.InsertObject(spMissing);
    ASSERT_TRUE(out.Save(m_dir.File("pixels.enf").c_str()));

    EnStream in;
    ASSERT_TRUE(in.Load(m_dir.File("pixels.enf").c_str()));
    ASSERT_EQ(in.GetObjectCount(), 2u);
    auto* pLoaded = static_cast<EnImage*>(in.GetObjectAt(0));
    EXPECT_EQ(pLoaded->GetURL(), nullptr);
    ASSERT_TRUE(pLoaded->GetRawImageData());
    EXPECT_EQ(RgbaAt(*pLoaded->GetRawImageData(), 0, 0), (std::vector<uint8_t>{1, 2, 3, 255}));
    // A file that cannot be read saves as an empty pixel array.
    auto* pEmpty = static_cast<EnImage*>(in.GetObjectAt(1));
    ASSERT_TRUE(pEmpty->GetRawImageData());
    EXPECT_EQ(pEmpty->GetRawImageData()->GetWidth(), 0u);
}

TEST_F(EnImageTest, SceneRoundTripIsByteIdentical) {
    EnPointer<EnRawImageData> spPal = new EnRawImageData(EnRawImageData::FORMAT_PALETTIZED, 3, 2);
    for (int i = 0; i < 6; ++i) spPal->GetPixels()[i] = uint8_t(i * 40);
    for (int i = 0; i < 1024; ++i) spPal->GetPalette()[i] = uint8_t(i);
    EnPointer<EnRawImageData> spRgba = new EnRawImageData(EnRawImageData::FORMAT_RGBA, 2, 2);
    for (int i = 0; i < 16; ++i) spRgba->GetPixels()[i] = uint8_t(255 - i);

    EnPointer<TestImage> spScaled = new TestImage;
    spScaled->SetURL("textures\\Road.tga");
    spScaled->SetScale(3.25f);
    EnStream out;
    out.SetCompareAfterLoad(true);
    out.InsertObject(EnImage::CreateFromFile("cars\\Body.TGA", 1, 2, 0));
    out.InsertObject(spScaled);
    // Two images share one pixel array; it is written once.
    out.InsertObject(EnImage::CreateFromRawData(spPal, 2, 6, 2));
    out.InsertObject(EnImage::CreateFromRawData(spPal, 2, 0, 2));
    out.InsertObject(EnImage::CreateFromRawData(spRgba, 2, 5, 2));
    out.InsertObject(spRgba);
    ASSERT_TRUE(out.Save(m_dir.File("first.enf").c_str()));

    // Loaded through the factory (the same classes, so the loaded objects compare equal to the
    // saved ones) and saved again; then loaded headless and saved once more.
    ASSERT_TRUE(out.Load(m_dir.File("first.enf").c_str()));
    EXPECT_TRUE(out.GetCompareResult());
    ASSERT_EQ(out.GetObjectCount(), 6u);
    auto* pThird = static_cast<EnImage*>(out.GetObjectAt(2));
    auto* pFourth = static_cast<EnImage*>(out.GetObjectAt(3));
    EXPECT_EQ(pThird->GetRawImageData(), pFourth->GetRawImageData());
    EXPECT_EQ(static_cast<EnImage*>(out.GetObjectAt(4))->GetRawImageData(), out.GetObjectAt(5));
    ASSERT_TRUE(out.Save(m_dir.File("second.enf").c_str()));

    EnImage::ms_pfnCreateImage = nullptr;
    EnStream headless;
    ASSERT_TRUE(headless.Load(m_dir.File("first.enf").c_str()));
    ASSERT_TRUE(headless.Save(m_dir.File("third.enf").c_str()));

    const std::string first = TempDir::Read(m_dir.File("first.enf"));
    EXPECT_EQ(TempDir::Read(m_dir.File("second.enf")), first);
    EXPECT_EQ(TempDir::Read(m_dir.File("third.enf")), first);
    size_t records = 0;
    for (size_t at = first.find("EnRawImageData"); at != std::string::npos;
         at = first.find("EnRawImageData", at + 1))
        ++records;
    EXPECT_EQ(records, 2u);
}

TEST_F(EnImageTest, EqualityComparesPixelsOrNamesThenFormatAndScale) {
    EnPointer<EnRawImageData> spA = new EnRawImageData(EnRawImageData::FORMAT_RGB, 1, 1);
    EnPointer<EnRawImageData> spB = new EnRawImageData(EnRawImageData::FORMAT_RGB, 1, 1);
    EnPointer<EnImage> spPixelsA = EnImage::CreateFromRawData(spA, 2, 7, 2);
    EnPointer<EnImage> spPixelsB = EnImage::CreateFromRawData(spB, 1, 7, 1);  // flags differ
    EnPointer<EnImage> spNamed = EnImage::CreateFromFile("a.tga", 2, 7, 2);
    EnPointer<EnImage> spNamedToo = EnImage::CreateFromFile("a.tga", 2, 7, 2);
    EnPointer<EnImage> spOtherName = EnImage::CreateFromFile("A.tga", 2, 7, 2);
    EnPointer<EnImage> spOtherFormat = EnImage::CreateFromFile("a.tga", 2, 6, 2);
    EXPECT_TRUE(spPixelsA->EqualsObject(spPixelsB));
    EXPECT_FALSE(spPixelsA->EqualsObject(spNamed));
    EXPECT_TRUE(spNamed->EqualsObject(spNamedToo));
    EXPECT_FALSE(spNamed->EqualsObject(spOtherName));
    EXPECT_FALSE(spNamed->EqualsObject(spOtherFormat));
    EXPECT_FALSE(spNamed->EqualsObject(nullptr));
    spB->GetPixels()[0] = 1;
    EXPECT_FALSE(spPixelsA->EqualsObject(spPixelsB));
    static_cast<TestImage*>(spNamedToo.Get())->SetScale(1.0f);
    EXPECT_FALSE(spNamed->EqualsObject(spNamedToo));
}

TEST_F(EnImageTest, DumpNamesThePreferredFormat) {
    EnPointer<EnImage> spImage = EnImage::CreateFromFile("a.tga", 1, 4, 0);
    EnTArray<char*> lines(16, 16);
    spImage->AppendMemberStrings(lines);
    ASSERT_EQ(lines.GetSize(), 12u);
    EXPECT_STREQ(lines.GetAt(3), "--- EnImage ---");
    EXPECT_STREQ(lines.GetAt(4), "m_pURL = a.tga");
    EXPECT_STREQ(lines.GetAt(8), "m_uiFlags = 2");
    EXPECT_STREQ(lines.GetAt(9), "m_fImageScale = 1.285000e+02");
    EXPECT_STREQ(lines.GetAt(10), "m_ePrefTexFormat = TEX_RGBA4444");
    EnFreeViewerStrings(lines);

    EnPointer<EnImage> spOdd = EnImage::CreateFromFile("a.tga", 1, 8, 0);
    spOdd->AppendMemberStrings(lines);
    EXPECT_STREQ(lines.GetAt(10), "");
    EnFreeViewerStrings(lines);
}
