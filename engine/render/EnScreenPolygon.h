#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnObject.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnVector2.h"
#include "engine/core/EnVector3.h"

class EnColorRGBA;
class EnPropertyState;
class EnRender;

// A flat polygon given in the renderer's screen space and drawn over the frame after the
// camera's scene, with rendering properties of its own (never shared with a scene object).
// The game uses it for 2D overlays. The arrays are parallel, one entry per vertex; texture
// coordinates and colours are optional.
//
// Depends on the engine core alone: the camera (in the core) keeps and draws polygons
// through Draw, which is virtual for that reason.
class EnScreenPolygon : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // Copies the given arrays; positions are required for a non-zero count.
    EnScreenPolygon(uint16_t usVertices, const EnVector3* pVertex, const EnVector2* pTexture,
                    const EnColorRGBA* pColor);
    ~EnScreenPolygon() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    // Lends the polygon's property state to the renderer, empties the renderer's effect state
    // and draws the polygon.
    virtual void Draw(EnRender& kRenderer);

    uint16_t GetVertexCount() const { return m_usVertices; }
    EnVector3* GetVertices() { return m_pVertex.get(); }
    const EnVector3* GetVertices() const { return m_pVertex.get(); }
    // Writable so the game can scroll and fade an overlay in place; null when absent.
    EnVector2* GetTextures() { return m_pTexture.get(); }
    const EnVector2* GetTextures() const { return m_pTexture.get(); }
    EnColorRGBA* GetColors() { return m_pColor.get(); }
    const EnColorRGBA* GetColors() const { return m_pColor.get(); }
    // The polygon's own properties; the game changes the look through them.
    EnPropertyState* GetPropertyState() const { return m_spPropertyState; }

    // What the stream says the writer always writes as the property count.
    static constexpr uint32_t PROPERTY_SLOTS = 15;

private:
    struct LinkRecord : EnObject::LinkRecord {
        uint32_t m_uiPropertyCount = 0;
        std::unique_ptr<uint32_t[]> m_puiPropertyIDs;
    };

    EnScreenPolygon();  // for the stream: no vertices, a new property state
    void CopyArrays(uint16_t usVertices, const EnVector3* pVertex, const EnVector2* pTexture,
                    const EnColorRGBA* pColor);

    EnPointer<EnPropertyState> m_spPropertyState;
    uint16_t m_usVertices = 0;
    std::unique_ptr<EnVector3[]> m_pVertex;
    std::unique_ptr<EnVector2[]> m_pTexture;
    std::unique_ptr<EnColorRGBA[]> m_pColor;
};
