#pragma once
#include <cstdint>

#include "engine/core/EnAVObject.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnPropertyState.h"
#include "engine/geometry/EnDynamicEffectState.h"
#include "engine/geometry/EnGeometryData.h"

class EnCamera;

// Base of every drawable leaf of the scene graph. The object carries the transforms, the
// properties and the property and effect states in force for it, and (on demand) world-space
// copies of its vertices and normals; the model-space arrays live in its data object, which is
// shared with every clone. Concrete kinds draw their data through the renderer's operation
// for their kind.
class EnGeometry : public EnAVObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    struct LinkRecord : EnAVObject::LinkRecord {
        uint32_t m_uiDataID = 0;
    };

    EnGeometry();
    explicit EnGeometry(EnGeometryData* pModelData);
    ~EnGeometry() override;

    // Abstract: concrete kinds make the copy and call CopyMembers.
    EnObject* CloneObject() override { return nullptr; }
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    // Moves the active vertices and their normals by (R, t), given in the object's own frame
    // or, with bInParentSpace, in its parent's.
    void BakeTransform(const EnMatrix3& kRotate, const EnVector3& kTranslate,
                       bool bInParentSpace) override;
    void CreateWorldVertices() override { (void)CreateWorldVertexArray(); }
    void UpdateWorldVertices() override;
    void DestroyWorldVertices() override;
    void CreateWorldNormals() override { (void)CreateWorldNormalArray(); }
    void UpdateWorldNormals() override;
    void DestroyWorldNormals() override;
    void UpdatePropertyState(EnPropertyState* pState) override;
    void UpdateEffectState(EnDynamicEffectState* pState) override;
    EnPropertyState* GetPropertyState() const override { return m_spPropertyState; }
    EnDynamicEffectState* GetEffectState() const override { return m_spEffectState; }
    // The controllers' pre-draw steps, then this object's states become the renderer's.
    void PreDraw(EnCamera* pCamera) override;
    // Marks the world arrays for recomputation.
    void ComputeWorldTransform() override;
    void ComputeWorldBound() override;

    // The world arrays (vertex count entries, from the data's active vertices), made on demand
    // and null when allocation failed or they were never asked for.
    EnVector3* CreateWorldVertexArray();
    EnVector3* CreateWorldNormalArray();
    EnVector3* GetWorldVertices() const { return m_pWorldVertex; }
    EnVector3* GetWorldNormals() const { return m_pWorldNormal; }
    bool IsWorldVertexDirty() const { return m_bWorldVertexDirty; }
    bool IsWorldNormalDirty() const { return m_bWorldNormalDirty; }

    virtual EnVector3* GetVertices() const;
    virtual EnVector3* GetNormals() const;
    virtual EnColorRGBA* GetColors() const;
    virtual EnVector2* GetTextureCoords() const;
    // Takes the new data (null is ignored); world arrays follow a changed vertex count.
    virtual void SetGeometryData(EnGeometryData* pModelData);
    virtual EnGeometryData* GetGeometryData() const { return m_spModelData; }
    virtual void ComputeNormals();

    // The property and effect states in force for this object.
    void SetPropertyState(EnPropertyState* pState) { m_spPropertyState = pState; }
    void SetEffectState(EnDynamicEffectState* pState) { m_spEffectState = pState; }

protected:
    // Fills the EnGeometry part of a copy: the scene-object part, then the same data object.
    void CopyMembers(EnGeometry* pCopy);
    uint16_t GetDataVertexCount() const {
        return m_spModelData ? m_spModelData->GetVertexCount() : 0;
    }
    uint16_t GetDataActiveVertexCount() const {
        return m_spModelData ? m_spModelData->GetActiveVertexCount() : 0;
    }
    // The class of data this kind draws; links to and settings of other data are refused.
    virtual const EnTypeRecord* GetDataType() const;
    // The world arrays are allocated for the data's full vertex count; these refresh their
    // first usCount entries when dirty.
    void TransformWorldVertices(uint16_t usCount);
    void RotateWorldNormals(uint16_t usCount);
    // Recomputes the data's model bound from its first usCount vertices when it is marked.
    void RefreshModelBound(uint16_t usCount);
    // Entries of a world array that hold a point for index i; 0 without an array.
    uint16_t GetWorldVertexCapacity() const { return m_pWorldVertex ? m_usWorldVertexCapacity : 0; }

    EnPointer<EnPropertyState> m_spPropertyState;
    EnPointer<EnDynamicEffectState> m_spEffectState;
    EnPointer<EnGeometryData> m_spModelData;
    EnVector3* m_pWorldVertex = nullptr;
    EnVector3* m_pWorldNormal = nullptr;
    bool m_bWorldVertexDirty = false;
    bool m_bWorldNormalDirty = false;
    uint16_t m_usWorldVertexCapacity = 0;
    uint16_t m_usWorldNormalCapacity = 0;
};
