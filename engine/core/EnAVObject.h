#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/EnBoundSphere.h"
#include "engine/core/EnCollisionQuery.h"
#include "engine/core/EnCollisionRecord.h"
#include "engine/core/EnCollisionVolume.h"
#include "engine/core/EnMatrix3.h"
#include "engine/core/EnObjectNET.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnProperty.h"
#include "engine/core/EnTInlineList.h"
#include "engine/core/EnVector3.h"

class EnCamera;
class EnDynamicEffectState;
class EnNode;
class EnPropertyState;
struct EnRayQuery;

// Everything that has a place in the scene: a local transform relative to the parent node and
// the world transform made from it each update, the world bound of the object and all below
// it, a velocity for the swept collision tests, the render-state properties attached to it, an
// optional collision volume and callback, and a small flags word. Nodes, geometry, cameras,
// lights and sound objects derive from it.
class EnAVObject : public EnObjectNET {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;
    // A node keeps its children's parent pointers.
    friend class EnNode;

public:
    struct LinkRecord : EnObjectNET::LinkRecord {
        std::vector<uint32_t> m_kPropertyIDs;
    };

    // Collision mode, flags bits 1-2: how collision tests below this object are made.
    enum PropagationMode : uint16_t { NONE = 0, USE_TRIANGLES = 1, USE_OBBS = 2 };

    static constexpr uint16_t APP_CULLED_MASK = 0x0001;
    static constexpr uint16_t PROPAGATE_MASK = 0x0006;
    static constexpr uint16_t PROPAGATE_POS = 1;
    static constexpr uint16_t VISUAL_MASK = 0x0008;  // set and read by nodes

    // Answers non-zero when it handled the contact.
    using CollisionCallback = int32_t (*)(EnCollisionRecord& kRecord);

    EnAVObject();
    ~EnAVObject() override;

    // Abstract: every concrete scene class makes its own copy (with CopyMembers).
    EnObject* CloneObject() override { return nullptr; }
    void CloneCleanup() override;
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    void AfterLinks() override;

    // Moves the model data of every geometry below by a rigid transform, given in the parent's
    // space or in the object's own; the objects' own transforms stay.
    virtual void BakeTransform(const EnMatrix3& kRotate, const EnVector3& kTranslate,
                               bool bInParentSpace);
    virtual const EnBoundSphere& GetWorldBound() const { return m_worldBound; }
    virtual void CreateWorldVertices() {}
    virtual void UpdateWorldVertices() {}
    virtual void DestroyWorldVertices() {}
    virtual void CreateWorldNormals() {}
    virtual void UpdateWorldNormals() {}
    virtual void DestroyWorldNormals() {}
    virtual void SetAppCulled(bool bAppCulled);
    virtual bool GetAppCulled() const { return (m_usFlags & APP_CULLED_MASK) != 0; }
    // This object when its name equals the text byte for byte (nodes search their subtree).
    virtual EnAVObject* FindObjectByName(const char* pcName);
    virtual void CreateCollisionTree(int32_t iArgument) { (void)iArgument; }
    virtual void DestroyCollisionTree() {}
    // Controllers, world transform and world bound of the object and everything below it.
    virtual void UpdateSubtree(float fTime);
    virtual bool IsVisualObject() const { return true; }
    // The property and effect passes hand each object the state merged down to it.
    virtual void UpdatePropertyState(EnPropertyState* pState) { (void)pState; }
    virtual void UpdateEffectState(EnDynamicEffectState* pState) { (void)pState; }
    // The states a drawable object keeps from the last passes; null here.
    virtual EnPropertyState* GetPropertyState() const { return nullptr; }
    virtual EnDynamicEffectState* GetEffectState() const { return nullptr; }
    virtual void Draw(EnCamera* pCamera) { (void)pCamera; }
    // Collision of this side's query with the other side's during the time step.
    virtual bool TestCollision(float fTime, const EnCollisionQuery& kThis,
                               const EnCollisionQuery& kOther);
    // The same search, reporting contacts to the collision callbacks; 1 when one was reported.
    virtual int32_t FindCollisions(float fTime, const EnCollisionQuery& kThis,
                                   const EnCollisionQuery& kOther);
    // Ray search; hits go to the query.
    virtual bool FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                                   EnRayQuery& kQuery);
    // Runs the pre-draw step of each controller of the object, in chain order.
    virtual void PreDraw(EnCamera* pCamera);
    virtual void PostDraw(EnCamera* pCamera) { (void)pCamera; }
    virtual void ComputeWorldTransform();
    virtual void ComputeWorldBound() {}

    // What the application calls on a changed subtree each frame: the subtree's update, then
    // the ancestors' bounds.
    void Update(float fTime);
    // Rebuilds the property state from the parent chain and pushes it down the subtree.
    void UpdateProperties();
    // The same for the dynamic-effect state.
    void UpdateEffects();
    // The draw entry a node uses for each child: culling against the camera's planes, then the
    // pre-draw, draw and post-draw steps.
    void CullAndDraw(EnCamera* pCamera);

    EnNode* GetParent() const { return m_pParent; }
    // Takes the object out of its old parent (even when it is the same node) and stores the new
    // one, without a reference. Callers that add the object to a node hold their own reference
    // across the call.
    void SetParent(EnNode* pParent);

    uint16_t GetFlags() const { return m_usFlags; }
    void SetFlags(uint16_t usFlags) { m_usFlags = usFlags; }
    PropagationMode GetPropagationMode() const {
        return PropagationMode((m_usFlags & PROPAGATE_MASK) >> PROPAGATE_POS);
    }
    void SetPropagationMode(PropagationMode eMode) {
        m_usFlags = uint16_t((m_usFlags & ~PROPAGATE_MASK) |
                             ((uint16_t(eMode) << PROPAGATE_POS) & PROPAGATE_MASK));
    }

    const EnMatrix3& GetLocalRotate() const { return m_localRotate; }
    void SetLocalRotate(const EnMatrix3& kRotate) { m_localRotate = kRotate; }
    const EnVector3& GetLocalTranslate() const { return m_localTranslate; }
    void SetLocalTranslate(const EnVector3& kTranslate) { m_localTranslate = kTranslate; }
    float GetLocalScale() const { return m_fLocalScale; }
    // Scales must be positive; another value is reported and ignored.
    void SetLocalScale(float fScale);
    const EnVector3& GetLocalVelocity() const { return m_localVelocity; }
    void SetLocalVelocity(const EnVector3& kVelocity) { m_localVelocity = kVelocity; }
    // Takes the other object's local translate, rotate, scale and velocity exactly as they
    // are, so a loaded mirroring (negative) scale that SetLocalScale refuses survives when a
    // pass rebuilds an object in place of another.
    void CopyLocalTransform(const EnAVObject& kSource) {
        m_localTranslate = kSource.m_localTranslate;
        m_localRotate = kSource.m_localRotate;
        m_fLocalScale = kSource.m_fLocalScale;
        m_localVelocity = kSource.m_localVelocity;
    }

    const EnMatrix3& GetWorldRotate() const { return m_worldRotate; }
    void SetWorldRotate(const EnMatrix3& kRotate) { m_worldRotate = kRotate; }
    const EnVector3& GetWorldTranslate() const { return m_worldTranslate; }
    void SetWorldTranslate(const EnVector3& kTranslate) { m_worldTranslate = kTranslate; }
    float GetWorldScale() const { return m_worldScale; }
    void SetWorldScale(float fScale) { m_worldScale = fScale; }
    const EnVector3& GetWorldVelocity() const { return m_worldVelocity; }
    void SetWorldVelocity(const EnVector3& kVelocity) { m_worldVelocity = kVelocity; }
    void SetWorldBound(const EnBoundSphere& kBound) { m_worldBound = kBound; }

    // Properties, most recently attached first. A property already attached is added again.
    void AttachProperty(EnProperty* pProperty);
    // Takes the first entry of the property out of the list; false when it was not attached.
    bool DetachProperty(EnProperty* pProperty);
    void DetachAllProperties();
    // The first attached property of the type (0 to 14), or null.
    EnPointer<EnProperty> GetProperty(int32_t iType) const;
    const EnTInlineList<EnPointer<EnProperty>>& GetPropertyList() const { return m_propertyList; }
    uint32_t GetPropertyCount() const { return m_propertyList.ItemsInList(); }
    void IncrementControlledProperties();
    int32_t GetControlledProperties() const { return m_iControlledProperties; }
    // Stores the attached properties into the state by type, from the list head until the
    // first empty slot, so the property attached first wins. Without properties the state
    // itself is the result; with them, a copy of it when bCopy is set.
    EnPointer<EnPropertyState> MergePropertyState(EnPropertyState* pState, bool bCopy) const;

    // Collision volume (model space); its world copy is made from it. Either may be null.
    void SetCollisionVolume(std::unique_ptr<EnCollisionVolume> spVolume);
    EnCollisionVolume* GetCollisionVolume() const { return m_spCollisionVolume.get(); }
    EnCollisionVolume* GetWorldCollisionVolume() const { return m_spWorldCollisionVolume.get(); }
    void SetCollisionCallback(CollisionCallback pfnCallback, void* pvData = nullptr) {
        m_pfnCollisionCallback = pfnCallback;
        m_pvCallbackData = pvData;
    }
    CollisionCallback GetCollisionCallback() const { return m_pfnCollisionCallback; }
    // Kept beside the callback for its owner.
    void* GetCollisionCallbackData() const { return m_pvCallbackData; }
    void SetCollisionCallbackData(void* pvData) { m_pvCallbackData = pvData; }

    // Bound-level collision of this object with another over the time step: their volumes
    // when they have them, else their world bounds moving with their world velocities.
    bool TestBoundCollision(float fTime, EnAVObject* pOther);
    // The same, filling the contact time, point and normals of the record.
    bool FindBoundCollisions(float fTime, EnAVObject* pOther, EnCollisionRecord& kRecord);
    // Whether the ray from the origin along the direction meets the world bound.
    bool RayIntersectsBound(const EnVector3& kOrigin, const EnVector3& kDir) const;
    // Side A's top object's callback with the record, then side B's with the sides exchanged;
    // true when either answered non-zero.
    static bool CallCollisionCallbacks(EnCollisionRecord& kRecord);

protected:
    // Fills the EnAVObject part of a copy; every scene class's clone calls it.
    void CopyMembers(EnAVObject* pCopy);
    // Refreshes the world collision volume from the model volume and the world transform.
    void UpdateWorldCollisionVolume();
    // The refreshed world volume, or null when the object has none.
    EnCollisionVolume* PrepareWorldVolume();
    // The update's controller steps: the controlled properties' controllers, then the object's.
    void RunControllers(float fTime);

    uint16_t m_usFlags = USE_OBBS << PROPAGATE_POS;
    EnNode* m_pParent = nullptr;  // not counted: the parent's child array holds the reference
    EnBoundSphere m_worldBound;
    EnMatrix3 m_localRotate{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    EnVector3 m_localTranslate{0.0f, 0.0f, 0.0f};
    float m_fLocalScale = 1.0f;
    EnMatrix3 m_worldRotate{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    EnVector3 m_worldTranslate{0.0f, 0.0f, 0.0f};
    float m_worldScale = 1.0f;
    EnVector3 m_localVelocity{0.0f, 0.0f, 0.0f};
    std::unique_ptr<EnCollisionVolume> m_spCollisionVolume;
    EnVector3 m_worldVelocity{0.0f, 0.0f, 0.0f};
    std::unique_ptr<EnCollisionVolume> m_spWorldCollisionVolume;
    CollisionCallback m_pfnCollisionCallback = nullptr;
    void* m_pvCallbackData = nullptr;
    EnTInlineList<EnPointer<EnProperty>> m_propertyList;
    int32_t m_iControlledProperties = 0;
};
