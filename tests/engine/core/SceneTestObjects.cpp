#include "tests/engine/core/SceneTestObjects.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <sstream>

#include "engine/core/EnCamera.h"

EN_IMPLEMENT_RTTI(TestLeaf, EnAVObject);
EN_IMPLEMENT_STREAM(TestLeaf);
EN_IMPLEMENT_RTTI(TestController, EnTimeController);
EN_IMPLEMENT_STREAM(TestController);

EnObject* TestLeaf::CloneObject() {
    TestLeaf* pCopy = new TestLeaf(m_modelBound);
    CopyMembers(pCopy);
    pCopy->m_bVisual = m_bVisual;
    return pCopy;
}

void TestLeaf::LoadFromStream(EnStream& kStream) {
    EnAVObject::LoadFromStream(kStream);
    m_modelBound.Load(kStream);
}

void TestLeaf::SaveToStream(EnStream& kStream) {
    EnAVObject::SaveToStream(kStream);
    m_modelBound.Save(kStream);
}

bool TestLeaf::EqualsObject(const EnObject* pObject) const {
    if (!EnAVObject::EqualsObject(pObject)) return false;
    const auto* pOther = EnDynamicCast(TestLeaf, pObject);
    return pOther && m_modelBound == pOther->m_modelBound;
}

void TestLeaf::UpdateSubtree(float fTime) {
    m_iUpdates++;
    m_fLastUpdateTime = fTime;
    EnAVObject::UpdateSubtree(fTime);
}

void TestLeaf::ComputeWorldBound() {
    m_worldBound.Transform(m_modelBound, m_worldRotate, m_worldTranslate, m_worldScale);
}

void TestLeaf::Draw(EnCamera* pCamera) {
    DrawLog().push_back(this);
    if (pCamera)
        for (int i = 0; i < 4; i++) m_auiMaskAtDraw[i] = pCamera->GetPlaneMask()[i];
}

void TestLeaf::BakeTransform(const EnMatrix3& kRotate, const EnVector3& kTranslate, bool) {
    m_kBakedRotate = kRotate;
    m_kBakedTranslate = kTranslate;
    m_iBakes++;
}

bool TestLeaf::TestCollision(float, const EnCollisionQuery& kThis, const EnCollisionQuery& kOther) {
    m_kQueries.push_back(kThis);
    m_kOtherQueries.push_back(kOther);
    return m_bCollides;
}

int32_t TestLeaf::FindCollisions(float, const EnCollisionQuery& kThis,
                                 const EnCollisionQuery& kOther) {
    m_kQueries.push_back(kThis);
    m_kOtherQueries.push_back(kOther);
    return m_bCollides ? 1 : 0;
}

std::vector<const EnAVObject*>& TestLeaf::DrawLog() {
    static std::vector<const EnAVObject*> s_kLog;
    return s_kLog;
}

EnObject* TestController::CloneObject() {
    TestController* pCopy = new TestController;
    CopyMembers(pCopy);
    return pCopy;
}

SceneBytes::SceneBytes(const std::string& kVersion) {
    m_kBytes = "Ensemblage File Format, Version " + kVersion + "\n";
    m_kBytes += std::string(47, 'v') + "\n";
    m_kBytes += std::string(23, 'r') + "\n";
    m_kBytes += "All Rights Reserved\n";
}

SceneBytes& SceneBytes::U16(uint16_t v) {
    m_kBytes.push_back(char(v & 0xFF));
    m_kBytes.push_back(char(v >> 8));
    return *this;
}

SceneBytes& SceneBytes::U32(uint32_t v) {
    for (int i = 0; i < 4; i++) m_kBytes.push_back(char((v >> (8 * i)) & 0xFF));
    return *this;
}

SceneBytes& SceneBytes::F32(float f) {
    return U32(std::bit_cast<uint32_t>(f));
}

SceneBytes& SceneBytes::String(const std::string& k) {
    U32(uint32_t(k.size()));
    m_kBytes += k;
    return *this;
}

SceneBytes& SceneBytes::AVObjectPart(const std::string& kClass, uint32_t uiLinkID) {
    String(kClass).U32(uiLinkID);
    U32(0).U32(0).U32(0);  // no name, extra data or controller
    U16(0);
    F32(0).F32(0).F32(0);
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) F32(r == c ? 1.0f : 0.0f);
    F32(1.0f);
    F32(0).F32(0).F32(0);
    return U32(0).U32(0);  // no properties, no collision volume
}

SceneBytes& SceneBytes::Node(uint32_t uiLinkID, const std::vector<uint32_t>& kChildren) {
    AVObjectPart("EnNode", uiLinkID);
    U32(uint32_t(kChildren.size()));
    for (uint32_t uiChild : kChildren) U32(uiChild);
    return U32(0);
}

std::string SaveScene(const std::string& kPath, const std::vector<EnObject*>& kTop) {
    EnStream kStream;
    for (EnObject* pObject : kTop) kStream.InsertObject(pObject);
    if (!kStream.Save(kPath.c_str())) return "";
    std::ifstream kFile(kPath, std::ios::binary);
    std::ostringstream kText;
    kText << kFile.rdbuf();
    return kText.str();
}
