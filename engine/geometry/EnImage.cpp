#include "engine/geometry/EnImage.h"

#include <cstring>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/geometry/ReadImageFile.h"

EN_IMPLEMENT_RTTI(EnImage, EnObject);
EN_IMPLEMENT_STREAM_LOADER(EnImage);

constinit EnImage::CreateImageFunction EnImage::ms_pfnCreateImage = nullptr;
constinit EnImage::OfferImageFunction EnImage::ms_pfnOfferImage = nullptr;
EnTList<EnRender*> EnImage::ms_kRenderers(2);
constinit uint32_t EnImage::ms_uiLastError = 0;
constinit bool EnImage::ms_bSaveByName = true;
constinit bool EnImage::ms_bMipmapDefault = false;
constinit bool EnImage::ms_bFlag4Default = false;
EnPointer<EnRawImageData> EnImage::ms_spScratch(new EnRawImageData);

namespace {

constinit uint32_t s_uiNextIndex = 1;

const char* const PREF_FORMAT_NAMES[] = {
    "TEX_RGB555",   "TEX_RGB565",   "TEX_RGB888", "TEX_RGBA5551",
    "TEX_RGBA4444", "TEX_RGBA8888", "TEX_PAL8",   "TEX_DEFAULT",
};

char* CopyText(const char* pcText) {
    const size_t uiLength = std::strlen(pcText);
    char* pcCopy = new char[uiLength + 1];
    std::memcpy(pcCopy, pcText, uiLength + 1);
    return pcCopy;
}

bool IsPowerOfTwo(uint32_t v) {
    return v && !(v & (v - 1));
}

uint32_t Log2(uint32_t v) {
    uint32_t n = 0;
    while (v >>= 1) ++n;
    return n;
}

}  // namespace

EnImage::EnImage() : m_uiIndex(s_uiNextIndex++) {}

EnImage::~EnImage() = default;

uint32_t EnImage::ApplyOptions(uint32_t uiMipOption, uint32_t uiFlag4Option) {
    uint32_t uiFlags = 0;
    if (uiMipOption == OPTION_ON || (uiMipOption == OPTION_DEFAULT && ms_bMipmapDefault))
        uiFlags |= FLAG_MIPMAP;
    if (uiFlag4Option == OPTION_ON || (uiFlag4Option == OPTION_DEFAULT && ms_bFlag4Default))
        uiFlags |= FLAG_OPTION4;
    return uiFlags;
}

bool EnImage::OfferToRenderers(EnImage* pImage) {
    EnTListIterator pos = ms_kRenderers.GetHeadPos();
    while (pos) {
        EnRender* pRenderer = ms_kRenderers.GetNext(pos);
        if (ms_pfnOfferImage && !ms_pfnOfferImage(pRenderer, pImage)) return false;
    }
    return true;
}

EnImage* EnImage::CreateFromFile(const char* pcFileName, uint32_t uiMipOption, uint32_t ePrefFormat,
                                 uint32_t uiFlag4Option) {
    if (!pcFileName) {
        ms_uiLastError = ERROR_NO_FILE_NAME;
        return nullptr;
    }
    if (!ms_pfnCreateImage) return nullptr;
    EnImage* pImage = ms_pfnCreateImage();
    if (!pImage) {
        ms_uiLastError = ERROR_NO_OBJECT;
        return nullptr;
    }
    pImage->m_pURL.reset(CopyText(pcFileName));
    pImage->m_uiFlags = ApplyOptions(uiMipOption, uiFlag4Option);
    pImage->m_ePrefTexFormat = ePrefFormat;
    if (!OfferToRenderers(pImage)) {
        // Nobody holds a reference yet, so the refused image goes at once.
        delete pImage;
        return nullptr;
    }
    return pImage;
}

EnImage* EnImage::CreateFromRawData(EnPointer<EnRawImageData> spRaw, uint32_t uiMipOption,
                                    uint32_t ePrefFormat, uint32_t uiFlag4Option) {
    if (!spRaw) {
        ms_uiLastError = ERROR_NO_PIXEL_DATA;
        return nullptr;
    }
    if (!ms_pfnCreateImage) return nullptr;
    EnImage* pImage = ms_pfnCreateImage();
    if (!pImage) {
        ms_uiLastError = ERROR_NO_OBJECT;
        return nullptr;
    }
    pImage->m_spRaw = std::move(spRaw);
    pImage->m_uiFlags = ApplyOptions(uiMipOption, uiFlag4Option);
    pImage->m_ePrefTexFormat = ePrefFormat;
    if (!OfferToRenderers(pImage)) {
        delete pImage;
        return nullptr;
    }
    return pImage;
}

void EnImage::AddRenderer(EnRender* pRenderer) {
    ms_kRenderers.AddTail(pRenderer);
}

void EnImage::RemoveRenderer(EnRender* pRenderer) {
    ms_kRenderers.Remove(pRenderer);
}

EnRawImageData* EnImage::LoadScratchImage(const char* pcFileName) {
    if (!ms_spScratch || !ReadImageFile(pcFileName, ms_spScratch)) return nullptr;
    return ms_spScratch;
}

uint32_t EnImage::ComputeMipLevels(uint32_t uiWidth, uint32_t uiHeight) {
    if (!IsPowerOfTwo(uiWidth) || !IsPowerOfTwo(uiHeight)) return 0;
    const uint32_t uiW = Log2(uiWidth), uiH = Log2(uiHeight);
    return uiW < uiH ? uiW : uiH;
}

bool EnImage::InvalidatePixels() {
    return false;
}

// Image records are made through the image factory so that a loaded image is of the renderer's
// class. Without a factory (tools and tests that load scenes with no renderer) the record still
// becomes a plain EnImage, so its bytes are read and the stream stays in step.
void EnImage::CreateFromStream(EnStream& kStream, EnObject*& pObject) {
    EnImage* pImage = ms_pfnCreateImage ? ms_pfnCreateImage() : nullptr;
    if (!pImage) pImage = new EnImage;
    EnBeginLoadRecord(kStream, std::make_unique<LinkRecord>());
    pImage->LoadFromStream(kStream);

    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    EnImage* pEarlier = pRecord ? pRecord->m_spEarlier.Get() : nullptr;
    if (!pEarlier || pEarlier == pImage) {
        pObject = pImage;
        return;
    }
    // Another record already named this file: every link to either record resolves to the
    // first image, and the new one goes (the link map held its only reference).
    if (kStream.FindLink(pRecord->m_uiLinkID) == pImage)
        kStream.ReplaceLink(pRecord->m_uiLinkID, pEarlier);
    else if (pImage->GetRefCount() == 0)
        delete pImage;
    pObject = pEarlier;
}

void EnImage::LoadFromStream(EnStream& kStream) {
    EnObject::LoadFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    uint8_t ucExternal = 0;
    if (!kStream.ReadU8(ucExternal)) return;
    if (pRecord) pRecord->m_bExternal = ucExternal != 0;
    if (ucExternal) {
        char* pcName = nullptr;
        if (!kStream.LoadCString(pcName)) return;
        if (pcName) kStream.FindImageFile(pcName);
        m_pURL.reset(pcName);
        if (m_pURL && !kStream.HasFailed()) {
            EnImage* pEarlier = kStream.FindImage(m_pURL.get());
            if (pEarlier) {
                if (pRecord) pRecord->m_spEarlier = pEarlier;
            } else {
                kStream.InsertImage(m_pURL.get(), this);
            }
        }
    } else {
        uint32_t uiRawID = 0;
        if (!kStream.ReadLinkID(uiRawID)) return;
        if (pRecord) pRecord->m_uiRawID = uiRawID;
    }
    if (!kStream.ReadU32(m_ePrefTexFormat)) return;
    if (kStream.IsVersionAtLeast("3.04") && !kStream.ReadF32(m_fImageScale)) return;
    if (ms_bMipmapDefault) m_uiFlags |= FLAG_MIPMAP;
}

void EnImage::LinkFromStream(EnStream& kStream) {
    EnObject::LinkFromStream(kStream);
    auto* pRecord = kStream.GetLinkRecord<LinkRecord>();
    if (pRecord && !pRecord->m_bExternal)
        m_spRaw = kStream.FindLink<EnRawImageData>(pRecord->m_uiRawID);
    // A refusal only stops the offering; the image stays part of the scene.
    OfferToRenderers(this);
}

bool EnImage::RegisterForSave(EnStream& kStream) {
    if (!EnObject::RegisterForSave(kStream)) return false;
    if (ms_bSaveByName && m_pURL) return true;
    if (!ms_bSaveByName && !m_spRaw) {
        // Saving by pixels: read the file now; a file that cannot be read saves as an empty
        // pixel array.
        m_spRaw = new EnRawImageData;
        ReadImageFile(m_pURL.get(), m_spRaw);
    }
    if (m_spRaw) m_spRaw->RegisterForSave(kStream);
    return true;
}

void EnImage::SaveToStream(EnStream& kStream) {
    // Always under the base class's name, whatever the renderer's class is, so that a loaded
    // image is made through the image factory again.
    kStream.SaveCString("EnImage");
    kStream.WriteLinkID(this);
    if (ms_bSaveByName && m_pURL) {
        kStream.WriteU8(1);
        kStream.SaveCString(m_pURL.get());
    } else if (m_spRaw) {
        kStream.WriteU8(0);
        kStream.WriteLinkID(m_spRaw);
    } else {
        kStream.WriteU8(1);
        kStream.SaveCString(m_pURL ? m_pURL.get() : "");
    }
    kStream.WriteU32(m_ePrefTexFormat);
    kStream.WriteF32(m_fImageScale);
}

bool EnImage::EqualsObject(const EnObject* pObject) const {
    if (!EnObject::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnImage*>(pObject);
    if (!m_spRaw != !pOther->m_spRaw) return false;
    if (m_spRaw) {
        if (!m_spRaw->EqualsObject(pOther->m_spRaw)) return false;
    } else if (!m_pURL != !pOther->m_pURL ||
               (m_pURL && std::strcmp(m_pURL.get(), pOther->m_pURL.get()) != 0)) {
        return false;
    }
    return m_ePrefTexFormat == pOther->m_ePrefTexFormat && m_fImageScale == pOther->m_fImageScale;
}

void EnImage::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnObject::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnImage"));
    kStrings.Add(MakeViewerString("m_pURL", m_pURL.get()));
    kStrings.Add(MakeViewerUInt("m_uiWidth", m_uiWidth));
    kStrings.Add(MakeViewerUInt("m_uiHeight", m_uiHeight));
    kStrings.Add(MakeViewerUInt("m_uiMipLevels", m_uiMipLevels));
    kStrings.Add(MakeViewerUInt("m_uiFlags", m_uiFlags));
    kStrings.Add(MakeViewerFloat("m_fImageScale", m_fImageScale));
    if (m_ePrefTexFormat <= TEX_DEFAULT)
        kStrings.Add(MakeViewerString("m_ePrefTexFormat", PREF_FORMAT_NAMES[m_ePrefTexFormat]));
    else
        kStrings.Add(CopyText(""));
    kStrings.Add(MakeViewerPointer("m_spRaw", m_spRaw.Get()));
}
