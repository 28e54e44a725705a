#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/d3d/EnD3DPixelFormat.h"
#include "engine/geometry/EnImage.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Ref.h"
#include "platform/gfx/Surface.h"

struct EnD3DTextureRecord;
class EnRawImageData;

// The Direct3D renderer's kind of engine image: besides where its pixels come from, it keeps
// system-memory surfaces holding those pixels in device formats (one per graphics object and
// format, with a mip chain when the image wants one), made on demand and reloaded when the
// pixels change. The texture managers load their textures from these surfaces and keep their
// own record of the image here, under their owner ids; image blits copy from them. Once the
// renderer has installed its image factory, every image the engine makes is of this kind.
class EnDDImage : public EnImage {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // ms_uiLastError codes of the surface images.
    enum : uint32_t {
        ERROR_PALETTE_FORMAT = 3,     // a palette format for pixels that are not palettized
        ERROR_FILE_UNREADABLE = 7,    // the named file is missing or not a picture
        ERROR_NOTHING_TO_LOAD = 8,    // neither a file name nor pixels in memory
        ERROR_SURFACE_CREATION = 11,  // the surface or its palette could not be made
        ERROR_NO_DIRECTDRAW = 12,     // no graphics object to make the surface with
        ERROR_NO_SURFACE = 17,        // no surface to copy the pixels into
    };

    EnDDImage();
    ~EnDDImage() override;

    // The image factory the renderer installs: a new image of this kind (reference count 0).
    static EnImage* Create();

    // The pixels changed: every surface is reloaded at its next use, and the pixel stamp moves
    // so that textures made from it are reloaded too.
    bool InvalidatePixels() override;
    // Lets go of every surface, whatever graphics object made it (that object is shutting
    // down, or the caller wants the memory back).
    virtual bool ReleaseSurfaces(plat::gfx::Graphics* pGraphics);
    // The one surface a buffer image wraps; a plain surface image has none (true, null).
    virtual bool GetSurface(plat::gfx::Surface*& pSurface);

    // The image's surface of one format on one graphics object, made or reloaded as needed.
    // The surface stays the image's (no reference for the caller). bUnused has no effect.
    bool GetSurfaceForFormat(plat::gfx::Graphics* pGraphics, const EnD3DPixelFormat& kFormat,
                             bool bUnused, plat::gfx::Surface*& pSurface);
    // The same with the format chosen from a texture manager's table of seven (null where the
    // device offers none): a surface already made in one of them is taken first. uiFormat
    // receives the table index chosen.
    bool GetSurfaceForFormats(plat::gfx::Graphics* pGraphics,
                              const EnD3DPixelFormat* const apFormats[7], bool bPrefer32,
                              plat::gfx::Surface*& pSurface, uint32_t& uiFormat);

    // The format a source of this kind gets from the table: the preferred index when the table
    // has it (0 to 5, or 6 for palettized pixels), else the first available of the kind's own
    // order; 7 when the table has none of them. Palettized pixels that want mipmaps count as
    // RGB, since a mip chain is reduced into full colour.
    static uint32_t ChooseFormat(uint32_t eSourceFormat, bool bMipmap, uint32_t uiPreferred,
                                 const EnD3DPixelFormat* const apFormats[7], bool bPrefer32);

    // The texture managers' records of this image, one per owner id. The stamp is what the
    // owner wants kept with the record (the format stamp of an image it cannot use).
    EnD3DTextureRecord* GetTextureRecord(uint32_t uiOwner) const;
    uint32_t GetTextureStamp(uint32_t uiOwner) const;
    void SetTextureRecord(uint32_t uiOwner, EnD3DTextureRecord* pRecord, uint32_t uiStamp = 0);
    void ClearTextureRecord(uint32_t uiOwner);
    // Every live image forgets its record under the owner id (a texture manager is going).
    static void ClearOwnerEverywhere(uint32_t uiOwner);
    // Every live image lets go of its surfaces (a graphics object is shutting down).
    static void ReleaseSurfacesEverywhere(plat::gfx::Graphics* pGraphics);
    static uint32_t GetLiveCount();

    uint32_t GetSurfaceCount() const { return uint32_t(m_kSurfaces.size()); }

protected:
    struct SurfaceRecord {
        plat::gfx::Ref<plat::gfx::Surface> m_spSurface;  // top of the mip chain
        uint32_t m_uiFormat = 0;                         // index in the shared format table
        plat::gfx::Graphics* m_pGraphics = nullptr;
        bool m_bReload = false;
    };
    struct TextureEntry {
        EnD3DTextureRecord* m_pRecord = nullptr;
        uint32_t m_uiOwner = 0;  // 0: the entry is empty
        uint32_t m_uiStamp = 0;
        std::unique_ptr<TextureEntry> m_spNext;
    };

    SurfaceRecord* FindSurface(plat::gfx::Graphics* pGraphics, uint32_t uiFormatIndex);
    // Makes a surface of the format from the pixels and lists it.
    bool MakeSurface(plat::gfx::Graphics* pGraphics, const EnD3DPixelFormat& kFormat,
                     const EnRawImageData* pRaw);
    bool ReloadSurface(SurfaceRecord& kRecord);
    // The pixels: the file's (read into the shared scratch image) or the image's own; the
    // image's size and mip levels follow them. Null when there are none (with the error code).
    const EnRawImageData* ReadPixels();
    bool HasSource() const { return GetURL() || GetRawImageData(); }
    // Converts the pixels into the first uiLevels levels of the surface's mip chain.
    bool CopyPixels(plat::gfx::Surface* pSurface, const EnRawImageData* pRaw, uint32_t uiLevels);
    void AddSurface(plat::gfx::Surface* pSurface, uint32_t uiFormatIndex,
                    plat::gfx::Graphics* pGraphics);
    void DropSurface(SurfaceRecord* pRecord);
    void ReleaseAllSurfaceRecords();

    std::vector<std::unique_ptr<SurfaceRecord>> m_kSurfaces;
    TextureEntry m_kTextures;

private:
    static std::vector<EnDDImage*>& LiveImages();
};
