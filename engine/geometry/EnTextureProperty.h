#pragma once
#include <cstdint>

#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"
#include "engine/geometry/EnImage.h"
#include "engine/geometry/EnRawImageData.h"

// The base texture of the objects below it: one shared image. Images are never copied; clones
// and every record of a scene file that names the same image share one object. The flags word
// has no bits of its own here.
class EnTextureProperty : public EnProperty {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    static constexpr int32_t TYPE = TEXTURE;

    struct LinkRecord : EnProperty::LinkRecord {
        uint32_t m_uiImageID = 0;
    };

    EnTextureProperty();
    // The image made from a file (mipmaps and the fourth option as the program's defaults say,
    // the renderer's preferred format); no image when it cannot be made.
    explicit EnTextureProperty(const char* pcImageFile);
    // The image made from pixels in memory; the argument's reference is dropped on return.
    explicit EnTextureProperty(EnPointer<EnRawImageData> spRawData);
    ~EnTextureProperty() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    // Both with an image or both without; the images themselves are not compared.
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    int32_t GetPropertyType() const override { return TYPE; }

    EnImage* GetImage() const { return m_spImage; }
    void SetImage(EnImage* pImage) { m_spImage = pImage; }

protected:
    EnPointer<EnImage> m_spImage;
};

// The shared default instance: a plain new EnTextureProperty (no image).
EnPointer<EnTextureProperty> GetDefaultTextureProperty();
