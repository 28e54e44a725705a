#pragma once
#include <cstdint>
#include <vector>

#include "engine/core/EnAVObject.h"
#include "engine/core/EnTInlineList.h"

class EnNode;

// A scene object that acts on other parts of the scene instead of being drawn: a light or a
// projected texture. It keeps the nodes it affects; the link is two-sided (each node keeps the
// effect in its effect list) and is always made and broken on both sides at once. Every object
// below an affected node collects the effect when the effect states are gathered.
class EnDynamicEffect : public EnAVObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // What GetEffectType answers; the values below TEXTURE_EFFECT are lights.
    enum EffectType : uint32_t {
        AMBIENT_LIGHT = 0,
        DIRECTIONAL_LIGHT = 1,
        POINT_LIGHT = 2,
        SPOT_LIGHT = 3,
        TEXTURE_EFFECT = 4,
    };

    EnDynamicEffect();
    ~EnDynamicEffect() override;

    void CloneCleanup() override;
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    void AfterLinks() override;

    virtual EffectType GetEffectType() const = 0;
    bool IsLight() const { return GetEffectType() < TEXTURE_EFFECT; }

    // Both sides of the link at once; a node already listed (or not listed, for the detach)
    // changes nothing.
    void AttachAffectedNode(EnNode* pNode);
    void DetachAffectedNode(EnNode* pNode);
    void DetachAllAffectedNodes();
    // Nodes this effect affects, newest first; not counted.
    const EnTInlineList<EnNode*>& GetAffectedNodeList() const { return m_kAffectedNodes; }
    uint32_t GetAffectedNodeCount() const { return m_kAffectedNodes.ItemsInList(); }
    bool AffectsNode(const EnNode* pNode) const;

    // An effect that is off is ignored by the renderer.
    bool GetSwitch() const { return m_bOn; }
    void SetSwitch(bool bOn) { m_bOn = bOn; }
    // Serial number, fixed at construction; renderers key their records by it.
    uint32_t GetIndex() const { return m_uiIndex; }
    // Grows whenever the effect's world placement is recomputed; renderers compare it.
    uint32_t GetRevision() const { return m_uiRevision; }
    void IncrementRevision() { ++m_uiRevision; }

protected:
    struct LinkRecord : EnAVObject::LinkRecord {
        std::vector<uint32_t> m_kAffectedIDs;
    };

    // Fills the EnDynamicEffect part of a copy: the scene-object part, the reserved word and
    // the revision. The copy keeps its own serial number, is on, and affects no node.
    void CopyMembers(EnDynamicEffect* pCopy);
    // Tells every live renderer that the effect is going. Each concrete class calls it first in
    // its destructor, while the object is still whole; it broadcasts only once.
    void AnnounceDestruction();

    bool m_bOn = true;
    uint32_t m_uiIndex;
    uint32_t m_uiReserved = 0;
    uint32_t m_uiRevision = 1;
    EnTInlineList<EnNode*> m_kAffectedNodes;

private:
    bool m_bAnnounced = false;
    // Affected nodes in saved order, between the link pass and AfterLinks of a load.
    std::vector<EnNode*> m_kLoadedOrder;
};
