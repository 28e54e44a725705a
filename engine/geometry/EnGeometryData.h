#pragma once
#include <cstdint>

#include "engine/core/EnBoundSphere.h"
#include "engine/core/EnColorRGBA.h"
#include "engine/core/EnObject.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnTArray.h"
#include "engine/core/EnVector2.h"
#include "engine/core/EnVector3.h"

// The model-space vertex data that a geometry object draws: positions, normals, colours and
// texture-coordinate sets with their bound. Data objects are shared by reference count between
// every object that draws them, clones included, so editing one edits them all; renderers cache
// per data object by m_usDataID and notice edits through m_usRevision.
//
// Arrays handed to a constructor, ReplaceArrays or SetArrays are taken over as they are, without
// copying; they must come from new[] (the data frees them with delete[]). Colours may instead be
// the shared default array (opaque white), which many data objects use at once and none frees.
class EnGeometryData : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnGeometryData();
    EnGeometryData(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal, EnColorRGBA* pColor,
                   EnVector2* pTexture);
    ~EnGeometryData() override;

    // Abstract: the concrete data classes answer themselves, so clones share the data.
    EnObject* CloneObject() override { return nullptr; }
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    // Kinds that draw only a leading part of their arrays keep the part's size here.
    virtual void SetActiveVertexCount(uint16_t usCount) { (void)usCount; }
    virtual uint16_t GetActiveVertexCount() const { return m_usVertices; }
    virtual void ComputeNormals() = 0;

    uint16_t GetVertexCount() const { return m_usVertices; }
    uint16_t GetTextureSets() const { return m_usTextureSets; }
    EnVector3* GetVertices() const { return m_pVertex; }
    EnVector3* GetNormals() const { return m_pNormal; }
    EnColorRGBA* GetColors() const { return m_pColor; }
    EnVector2* GetTextures() const { return m_pTexture; }
    // Start of texture-coordinate set usSet, or null when there is no such set.
    EnVector2* GetTextureSet(uint16_t usSet) const;
    // Entries in the texture array: vertices x sets (32 bits, so no product is cut short).
    uint32_t GetTextureCount() const { return uint32_t(m_usVertices) * m_usTextureSets; }

    EnBoundSphere& GetBound() { return m_bound; }
    const EnBoundSphere& GetBound() const { return m_bound; }
    void SetBound(const EnBoundSphere& kBound) { m_bound = kBound; }
    // Marks the bound for recomputation from the vertices at the next world-bound update.
    void MarkBoundDirty() { m_bound.SetFlag(1); }

    uint16_t GetDataID() const { return m_usDataID; }
    uint16_t GetRevision() const { return m_usRevision; }
    // Tells renderers that the arrays changed; never 0 after the first bump.
    void BumpRevision();

    // Allocate an absent array for m_usVertices entries; the flag clears the whole array.
    void CreateVertices(bool bClear);
    void CreateNormals(bool bClear);
    // Allocates zeroed colours when absent; the flag then writes opaque black everywhere.
    void CreateColors(bool bFill);
    // Makes the texture array hold usSets sets (an array of another set count is replaced).
    void CreateTextures(bool bClear, uint16_t usSets);

    // Frees the current arrays (never the shared defaults) and takes the new ones over; one
    // texture set when texture coordinates are given. The bound follows the new vertices.
    void ReplaceArrays(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                       EnColorRGBA* pColor, EnVector2* pTexture);
    // The same without freeing: the caller keeps the old arrays.
    void SetArrays(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal, EnColorRGBA* pColor,
                   EnVector2* pTexture);
    // For the few callers that rebuild the arrays themselves (vertex remapping).
    void SetTextureSets(uint16_t usSets) { m_usTextureSets = usSets; }

    // Draws with the shared opaque-white colour array instead of own colours. The shared list
    // keeps the object alive until it takes own colours again.
    void UseDefaultColors();
    void CreateOwnColors();
    bool UsesDefaultColors() const { return m_pColor && m_pColor == ms_pDefaultColors; }
    // Grows the shared colour array to at least uiVertices entries (every user follows).
    static void ReserveDefaultColors(uint32_t uiVertices);
    // Makes the shared (0, 0) texture array of uiVertices pairs, once.
    static void ReserveDefaultTextureCoords(uint32_t uiVertices);
    static const EnColorRGBA* GetDefaultColors() { return ms_pDefaultColors; }
    static uint32_t GetDefaultColorCapacity() { return ms_uiDefaultColorCapacity; }
    static EnVector2* GetDefaultTextureCoords() { return ms_pDefaultTexture; }
    static uint32_t GetDefaultTextureSize() { return ms_uiDefaultTextureSize; }

    // Data objects whose colours are the shared default array; one reference each. Made on
    // first use and deliberately never destroyed: its entries may outlive every other static.
    static EnTArray<EnPointer<EnGeometryData>>& ms_sharedColorList;

protected:
    void FreeArrays();
    // Drops the shared list's reference (the last step of a caller: it may destroy the object).
    void LeaveSharedColorList();
    void CountTextureSets(const EnVector2* pTexture) { m_usTextureSets = pTexture ? 1 : 0; }

    uint16_t m_usVertices = 0;
    uint16_t m_usTextureSets = 0;
    EnBoundSphere m_bound;
    EnVector3* m_pVertex = nullptr;
    EnVector3* m_pNormal = nullptr;
    EnColorRGBA* m_pColor = nullptr;
    EnVector2* m_pTexture = nullptr;
    uint16_t m_usDataID = 0;
    uint16_t m_usRevision = 0;

private:
    static EnColorRGBA* ms_pDefaultColors;
    static uint32_t ms_uiDefaultColorCapacity;
    static EnVector2* ms_pDefaultTexture;
    static uint32_t ms_uiDefaultTextureSize;
};
