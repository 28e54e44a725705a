#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/EnBone.h"
#include "engine/core/EnBoundSphere.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnTimeController.h"
#include "engine/core/EnVector3.h"

// Bends one mesh with a hierarchy of bones. For every bone it holds the mesh vertices the bone
// moves, each with its position in the bone's space and the bone's weight for it; from the
// bones' skin transforms (relative to the root of the bone hierarchy) it computes the deformed
// vertex positions, per-bone bounds and the bound of the deformed mesh, all in the space of
// the hierarchy's root. The concrete controllers decide when to deform and where the result
// goes. The controller holds a reference on each bone, so that a bone outside the scene the
// mesh is drawn in (a file or clone that brings the controller without the bone's parent) never
// leaves it pointing at a destroyed bone; a bone above the mesh in the graph is not held, as it
// holds the mesh and so the controller itself.
class EnSkinController : public EnTimeController {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // One vertex a bone moves: its position in the bone's space and the bone's weight for it.
    struct VertexData {
        float m_fX = 0.0f;
        float m_fY = 0.0f;
        float m_fZ = 0.0f;
        float m_fWeight = 0.0f;
    };

    struct LinkRecord : EnTimeController::LinkRecord {
        std::vector<uint32_t> m_kBoneIDs;
    };

    EnSkinController() = default;
    ~EnSkinController() override;

    EnObject* CloneObject() override;
    // The copy's bones become the copies of the bones; a bone that was not cloned with it
    // (one outside the cloned subtree) is kept.
    void CloneFixup(EnObject* pCopy) override;
    // The bones that lie above the new target stop being held (see HoldBones).
    void SetTarget(EnObjectNET* pTarget) override;
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    // The scene's links are complete: the bones above the target are known now.
    void AfterLinks() override;

    // Moves the entries to new vertex indices after the mesh was rebuilt: old vertex i goes to
    // piTable[i], or is dropped when that is negative. Each bone then lists the new count of
    // entries, one per vertex; vertices no entry reaches get weight 0.
    virtual void RemapVertices(uint16_t usOldCount, uint16_t usNewCount, const int32_t* piTable);
    // Writes the weight-blended positions of the target's vertices (GetTargetVertexCount of
    // them) into pOutput, in the space of the bone hierarchy's root. Weights are used as
    // stored. Vertices that no bone moves end at the origin.
    virtual void Deform(EnVector3* pOutput) const;
    virtual uint16_t GetTargetVertexCount() const = 0;
    // A new controller of the same kind in its default state (cloning makes its copies so).
    virtual EnSkinController* CreateEmptyController() const = 0;

    // Replaces the bones and their entries. Bones may be set to null only while building.
    void SetBoneCount(uint32_t uiBoneCount);
    // Bone b moves uiCount vertices: their bone-space positions and weights and their indices.
    void SetBoneData(uint32_t uiBone, EnBone* pBone, uint32_t uiCount, const VertexData* pData,
                     const uint16_t* pusIndices);
    uint32_t GetBoneCount() const { return m_uiBoneCount; }
    EnBone* GetBone(uint32_t uiBone) const;
    uint32_t GetVertexCount(uint32_t uiBone) const;
    const VertexData* GetVertexData(uint32_t uiBone) const;
    const uint16_t* GetVertexIndices(uint32_t uiBone) const;
    // Per-bone bounds; null until they could be computed.
    const EnBoundSphere* GetBoneBounds() const { return m_pBoneBounds.get(); }

    // Computes the per-bone bounds when everything they need is there (bones and entries, a
    // target with vertices) and none exist yet.
    void ComputeBoneBounds();
    // The bound of the deformed mesh: each bone's bound moved by its skin transform, merged.
    // False, and kBound unchanged, without bones or bounds.
    bool ComputeSkinBound(EnBoundSphere& kBound) const;
    // Whether every entry's vertex index is below uiVertexCount.
    bool HasValidIndices(uint32_t uiVertexCount) const;

protected:
    // Fills the EnSkinController part of a copy: the controller part, then the bones, bounds
    // and deep copies of the entries.
    void CopyMembers(EnSkinController* pCopy);
    void FreeBoneData();
    // Takes a reference on every bone that is not an ancestor of the target (an ancestor keeps
    // the target, and with it this controller, alive: holding it would make a cycle).
    void HoldBones();

    std::unique_ptr<EnBone*[]> m_pBones;
    std::unique_ptr<EnBoundSphere[]> m_pBoneBounds;
    uint32_t m_uiBoneCount = 0;
    std::unique_ptr<uint32_t[]> m_pVertexCounts;
    std::unique_ptr<std::unique_ptr<VertexData[]>[]> m_ppVertexData;
    std::unique_ptr<std::unique_ptr<uint16_t[]>[]> m_ppVertexIndices;
    std::vector<EnPointer<EnBone>> m_kBoneHolds;
};
