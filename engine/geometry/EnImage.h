#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnObject.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnTList.h"
#include "engine/geometry/EnRawImageData.h"

class EnRender;

// The engine's texture image: where its pixels come from (a file name or raw image data in
// memory) and what the renderer needs to make a texture of them (creation flags, preferred
// texture format, scale). The object actually made is always of the renderer's own image class:
// every creation path goes through the image factory the renderer installs, and every renderer
// in ms_kRenderers is offered the new image and may refuse it. The renderer's image class fills
// in width, height and mip levels when it builds the texture.
class EnImage : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    enum PrefTexFormat : uint32_t {
        TEX_RGB555 = 0,
        TEX_RGB565 = 1,
        TEX_RGB888 = 2,
        TEX_RGBA5551 = 3,
        TEX_RGBA4444 = 4,
        TEX_RGBA8888 = 5,
        TEX_PAL8 = 6,
        TEX_DEFAULT = 7,
    };

    // m_uiFlags values.
    enum : uint32_t {
        FLAG_SURFACES = 1,  // the renderer's: the image has device surfaces
        FLAG_MIPMAP = 2,    // build a mip-mapped surface with m_uiMipLevels levels
        FLAG_OPTION4 = 4,   // kept and saved; what it means is the renderer's business
    };

    // Mip and flag-4 options of the creation functions.
    enum : uint32_t {
        OPTION_OFF = 0,
        OPTION_ON = 1,
        OPTION_DEFAULT = 2,  // on when the matching program-wide default is on
    };

    // ms_uiLastError codes of this class; renderers' image classes add their own (8, 11, 12).
    enum : uint32_t {
        ERROR_NO_OBJECT = 4,      // the image factory made no object
        ERROR_NO_FILE_NAME = 5,   // no file name given
        ERROR_NO_PIXEL_DATA = 6,  // no pixel data given
    };

    // What a load keeps for an image record until links are resolved.
    struct LinkRecord : EnObject::LinkRecord {
        bool m_bExternal = false;
        EnPointer<EnImage> m_spEarlier;  // an image of the same name read earlier by the stream
        uint32_t m_uiRawID = 0;
    };

    using CreateImageFunction = EnImage* (*)();
    // How an image is put to one renderer: the renderer library installs a function that calls
    // EnRender::OnImageCreated. Until then (and in tools without a renderer) every renderer in
    // the list accepts.
    using OfferImageFunction = bool (*)(EnRender* pRenderer, EnImage* pImage);

    // The image factory: returns a new object of the renderer's image class (reference count
    // 0) or null. Null until the renderer installs it.
    static CreateImageFunction ms_pfnCreateImage;
    static OfferImageFunction ms_pfnOfferImage;
    // Renderers told of every new image, in the order they were added.
    static EnTList<EnRender*> ms_kRenderers;
    static uint32_t ms_uiLastError;
    static bool ms_bSaveByName;     // save images that have a file name by name
    static bool ms_bMipmapDefault;  // program-wide default for FLAG_MIPMAP
    static bool ms_bFlag4Default;   // program-wide default for FLAG_OPTION4
    // One shared pixel array that LoadScratchImage reads files into.
    static EnPointer<EnRawImageData> ms_spScratch;

    EnImage();
    ~EnImage() override;

    // A new image of the renderer's class for a file, or null (ms_uiLastError says why, unless a
    // renderer refused it). The caller takes the first reference.
    static EnImage* CreateFromFile(const char* pcFileName, uint32_t uiMipOption,
                                   uint32_t ePrefFormat, uint32_t uiFlag4Option);
    // The same for pixels in memory; the image holds the data. The argument's reference is
    // dropped on every path.
    static EnImage* CreateFromRawData(EnPointer<EnRawImageData> spRaw, uint32_t uiMipOption,
                                      uint32_t ePrefFormat, uint32_t uiFlag4Option);
    static void AddRenderer(EnRender* pRenderer);
    // Unlinks the first entry that holds the renderer (its destructor calls this).
    static void RemoveRenderer(EnRender* pRenderer);
    // Reads a picture file into ms_spScratch and returns it, or null when it cannot be read.
    static EnRawImageData* LoadScratchImage(const char* pcFileName);
    // The smaller base-2 logarithm of the two when both are powers of two; else 0.
    static uint32_t ComputeMipLevels(uint32_t uiWidth, uint32_t uiHeight);

    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // Tells the image that its pixels changed so that renderers refresh what they made of them;
    // true when the image had anything to refresh. A plain image has nothing.
    virtual bool InvalidatePixels();

    const char* GetURL() const { return m_pURL.get(); }
    EnRawImageData* GetRawImageData() const { return m_spRaw; }
    uint32_t GetWidth() const { return m_uiWidth; }
    uint32_t GetHeight() const { return m_uiHeight; }
    uint32_t GetMipLevels() const { return m_uiMipLevels; }
    uint32_t GetIndex() const { return m_uiIndex; }
    uint32_t GetFlags() const { return m_uiFlags; }
    uint32_t GetPrefTexFormat() const { return m_ePrefTexFormat; }
    float GetImageScale() const { return m_fImageScale; }
    void* GetRendererData() const { return m_pRendererData; }
    void SetRendererData(void* pvData) { m_pRendererData = pvData; }
    // Change counters for renderers that keep converted copies: the format stamp moves when
    // size or format change, the pixel stamp when the pixels change.
    uint32_t GetFormatStamp() const { return m_uiFormatStamp; }
    uint32_t GetPixelStamp() const { return m_uiPixelStamp; }
    void ChangedFormat() { ++m_uiFormatStamp; }
    void ChangedPixels() { ++m_uiPixelStamp; }

    // Puts the image to every renderer in list order; false at the first refusal (the rest are
    // not asked).
    static bool OfferToRenderers(EnImage* pImage);

protected:
    static uint32_t ApplyOptions(uint32_t uiMipOption, uint32_t uiFlag4Option);

    std::unique_ptr<char[]> m_pURL;
    EnPointer<EnRawImageData> m_spRaw;
    uint32_t m_uiWidth = 0;
    uint32_t m_uiHeight = 0;
    uint32_t m_uiMipLevels = 0;
    uint32_t m_uiIndex;
    void* m_pRendererData = nullptr;
    uint32_t m_uiFlags = 0;
    uint32_t m_ePrefTexFormat = TEX_DEFAULT;
    float m_fImageScale = 128.5f;
    uint32_t m_uiFormatStamp = 0;
    uint32_t m_uiPixelStamp = 0;
};
