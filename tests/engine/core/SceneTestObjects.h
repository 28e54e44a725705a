#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/EnAVObject.h"
#include "engine/core/EnBoundSphere.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnTimeController.h"
#include "engine/geometry/EnDynamicEffectState.h"

// Test objects written the way engine scene classes are, for the scene-graph tests.

// A drawable leaf: its model bound moved by its world transform, with a log of what the scene
// passes did to it.
class TestLeaf : public EnAVObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    TestLeaf() = default;
    explicit TestLeaf(const EnBoundSphere& kModelBound) : m_modelBound(kModelBound) {}

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;

    void UpdateSubtree(float fTime) override;
    void ComputeWorldBound() override;
    bool IsVisualObject() const override { return m_bVisual; }
    void UpdatePropertyState(EnPropertyState* pState) override { m_spPropertyState = pState; }
    EnPropertyState* GetPropertyState() const override { return m_spPropertyState; }
    void UpdateEffectState(EnDynamicEffectState* pState) override { m_spEffectState = pState; }
    EnDynamicEffectState* GetEffectState() const override { return m_spEffectState; }
    void Draw(EnCamera* pCamera) override;
    void BakeTransform(const EnMatrix3& kRotate, const EnVector3& kTranslate,
                       bool bInParentSpace) override;
    bool TestCollision(float fTime, const EnCollisionQuery& kThis,
                       const EnCollisionQuery& kOther) override;
    int32_t FindCollisions(float fTime, const EnCollisionQuery& kThis,
                           const EnCollisionQuery& kOther) override;

    EnBoundSphere m_modelBound;
    bool m_bVisual = true;
    int m_iUpdates = 0;
    float m_fLastUpdateTime = -1.0f;
    EnPointer<EnPropertyState> m_spPropertyState;
    EnPointer<EnDynamicEffectState> m_spEffectState;
    // What the last BakeTransform received.
    EnMatrix3 m_kBakedRotate = EnMatrix3::ZERO;
    EnVector3 m_kBakedTranslate{0.0f, 0.0f, 0.0f};
    int m_iBakes = 0;
    // The camera's plane mask while the leaf was last drawn.
    uint32_t m_auiMaskAtDraw[4] = {0, 0, 0, 0};
    // Collision answers and the queries that reached the leaf.
    bool m_bCollides = false;
    std::vector<EnCollisionQuery> m_kQueries;
    std::vector<EnCollisionQuery> m_kOtherQueries;

    // Every leaf's Draw appends the leaf here; tests clear it.
    static std::vector<const EnAVObject*>& DrawLog();
};

// A controller that records the times it was updated with.
class TestController : public EnTimeController {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnObject* CloneObject() override;
    void Update(float fTime) override { m_kTimes.push_back(fTime); }
    void PreDraw() override { m_iPreDraws++; }
    bool IsTargetTypeValid() const override { return true; }

    std::vector<float> m_kTimes;
    int m_iPreDraws = 0;
};

// Bytes of a scene file built by hand, for records a correct save never writes.
class SceneBytes {
public:
    // The header of a file of the version ("3.1" or an older one).
    explicit SceneBytes(const std::string& kVersion = "3.1");

    SceneBytes& U16(uint16_t v);
    SceneBytes& U32(uint32_t v);
    SceneBytes& I32(int32_t v) { return U32(uint32_t(v)); }
    SceneBytes& F32(float f);
    SceneBytes& String(const std::string& k);
    SceneBytes& TopLevel() { return String("Top Level Object"); }
    // The EnObject, EnObjectNET and EnAVObject parts of a record with identity transforms and
    // no properties, volume, extra data or controllers.
    SceneBytes& AVObjectPart(const std::string& kClass, uint32_t uiLinkID);
    // A whole EnNode record.
    SceneBytes& Node(uint32_t uiLinkID, const std::vector<uint32_t>& kChildren);
    SceneBytes& End() { return String("End Of File"); }
    const std::string& Bytes() const { return m_kBytes; }

private:
    std::string m_kBytes;
};

// Saves the top-level objects to a file and answers the file's bytes ("" when the save failed).
std::string SaveScene(const std::string& kPath, const std::vector<EnObject*>& kTop);
