#include "engine/geometry/SgOptimize.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "engine/core/EnColorRGB.h"
#include "engine/core/EnExtraData.h"
#include "engine/core/EnMatrix3.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnProperty.h"
#include "engine/core/EnVector3.h"
#include "engine/geometry/EnAmbientLight.h"
#include "engine/geometry/EnDirectionalLight.h"
#include "engine/geometry/EnLight.h"

namespace {

constexpr double NEAR_TOLERANCE = 0.0001;
constexpr const char* DEFAULT_LIGHT_NAME = "__MAX_Default_Light";
constexpr const char* FIDUCIAL_TEXT = "fiducial";
// Each component of the ambient colour of the exporter's default ambient light.
constexpr uint32_t DEFAULT_AMBIENT_BITS = 0x3D30B392;

// The two orientations the exporter gives its default directional light (columns; the second
// is the first with its first two columns negated).
EnMatrix3 MakeColumns(const EnVector3& kCol0, const EnVector3& kCol1, const EnVector3& kCol2) {
    EnMatrix3 kMatrix;
    kMatrix.SetColumns(kCol0, kCol1, kCol2);
    return kMatrix;
}
const EnMatrix3& DefaultLightRotation1() {
    static const EnMatrix3 s_kMatrix = MakeColumns(EnVector3(0.446663f, 0.496292f, -0.744438f),
                                                   EnVector3(0.0f, -0.83205f, -0.5547f),
                                                   EnVector3(-0.894703f, 0.247764f, -0.371646f));
    return s_kMatrix;
}
const EnMatrix3& DefaultLightRotation2() {
    static const EnMatrix3 s_kMatrix = MakeColumns(EnVector3(-0.446663f, -0.496292f, 0.744438f),
                                                   EnVector3(0.0f, 0.83205f, 0.5547f),
                                                   EnVector3(-0.894703f, 0.247764f, -0.371646f));
    return s_kMatrix;
}

bool ComponentNearlyEqual(float fA, float fB) {
    const double dA = fA, dB = fB;
    return !(dB + NEAR_TOLERANCE <= dA || dB - NEAR_TOLERANCE >= dA);
}

bool IsAtRestWithUnitScale(const EnAVObject& kObject) {
    return kObject.GetLocalTranslate() == EnVector3::ZERO && kObject.GetLocalScale() == 1.0f;
}

bool IsDefaultDirectionalLight(const EnDirectionalLight& kLight) {
    return (MatricesNearlyEqual(kLight.GetLocalRotate(), DefaultLightRotation1()) ||
            MatricesNearlyEqual(kLight.GetLocalRotate(), DefaultLightRotation2())) &&
           IsAtRestWithUnitScale(kLight) && kLight.GetAmbientColor() == EnColorRGB::BLACK &&
           kLight.GetDiffuseColor() == EnColorRGB::WHITE &&
           kLight.GetSpecularColor() == EnColorRGB::WHITE;
}

bool IsDefaultAmbientLight(const EnAmbientLight& kLight) {
    const EnColorRGB& kAmbient = kLight.GetAmbientColor();
    return kLight.GetLocalRotate() == EnMatrix3::IDENTITY && IsAtRestWithUnitScale(kLight) &&
           std::bit_cast<uint32_t>(kAmbient.r) == DEFAULT_AMBIENT_BITS &&
           std::bit_cast<uint32_t>(kAmbient.g) == DEFAULT_AMBIENT_BITS &&
           std::bit_cast<uint32_t>(kAmbient.b) == DEFAULT_AMBIENT_BITS &&
           kLight.GetDiffuseColor() == EnColorRGB::BLACK &&
           kLight.GetSpecularColor() == EnColorRGB::BLACK;
}

bool IsDefaultLight(const EnLight& kLight) {
    const char* pcName = kLight.GetName();
    if (pcName && std::strcmp(pcName, DEFAULT_LIGHT_NAME) == 0) return true;
    if (auto* pDirectional = EnDynamicCast(EnDirectionalLight, &kLight))
        return IsDefaultDirectionalLight(*pDirectional);
    if (auto* pAmbient = EnDynamicCast(EnAmbientLight, &kLight))
        return IsDefaultAmbientLight(*pAmbient);
    // Point and spot lights go only by name.
    return false;
}

// The last node among the node's children, or null.
EnNode* LastNodeChild(const EnNode& kNode) {
    EnNode* pFound = nullptr;
    for (uint32_t i = 0; i < kNode.GetArrayCount(); i++)
        if (auto* pChild = EnDynamicCast(EnNode, kNode.GetAt(i))) pFound = pChild;
    return pFound;
}

// Lights are added at the end of the new node's children; adding takes each out of its old node.
void MoveLights(EnNode& kFrom, EnNode& kTo) {
    for (uint32_t i = 0; i < kFrom.GetArrayCount(); i++) {
        EnAVObject* pChild = kFrom.GetAt(i);
        if (EnIsKindOf(EnLight, pChild)) kTo.AddChild(pChild);
    }
}

void MoveProperty(EnNode& kFrom, EnNode& kTo, int32_t iType) {
    EnPointer<EnProperty> spProperty = kFrom.GetProperty(iType);
    if (!spProperty) return;
    kTo.AttachProperty(spProperty);
    kFrom.DetachProperty(spProperty);
}

bool NamesAgree(const EnObjectNET& kA, const EnObjectNET& kB) {
    const char* pcA = kA.GetName();
    const char* pcB = kB.GetName();
    if (!pcA || !pcB) return pcA == pcB;
    return std::strcmp(pcA, pcB) == 0;
}

// The same dynamic effects, whatever their order in the lists.
bool EffectsAgree(const EnNode& kA, const EnNode& kB) {
    const auto& kListA = kA.GetEffectList();
    if (kListA.ItemsInList() != kB.GetEffectList().ItemsInList()) return false;
    for (EnTListIterator pos = kListA.GetHeadPos(); pos;)
        if (!kB.HasEffect(kListA.GetNext(pos))) return false;
    return true;
}

}  // namespace

bool VectorsNearlyEqual(const EnVector3& kA, const EnVector3& kB) {
    return ComponentNearlyEqual(kA.x, kB.x) && ComponentNearlyEqual(kA.y, kB.y) &&
           ComponentNearlyEqual(kA.z, kB.z);
}

bool MatricesNearlyEqual(const EnMatrix3& kA, const EnMatrix3& kB) {
    for (unsigned int uiRow = 0; uiRow < 3; uiRow++)
        if (!VectorsNearlyEqual(kA.GetRow(uiRow), kB.GetRow(uiRow))) return false;
    return true;
}

bool IsFiducial(const EnObjectNET* pObject) {
    if (!pObject) return false;
    const size_t uiLength = std::strlen(FIDUCIAL_TEXT);
    for (const EnExtraData* p = pObject->GetFirstExtraData(); p; p = p->GetNext()) {
        const uint8_t* pucData = p->GetData();
        if (!pucData) continue;
        // The text ends at its terminator or at the end of the bytes, never past them.
        const uint32_t uiSize = p->GetSize();
        const void* pvEnd = std::memchr(pucData, 0, uiSize);
        const size_t uiTextLength =
            pvEnd ? size_t(static_cast<const uint8_t*>(pvEnd) - pucData) : size_t(uiSize);
        if (uiTextLength == uiLength && std::memcmp(pucData, FIDUCIAL_TEXT, uiLength) == 0)
            return true;
    }
    return false;
}

bool LocalTransformsEqual(const EnAVObject* pA, const EnAVObject* pB) {
    if (!pA || !pB) return false;
    return pA->GetLocalTranslate() == pB->GetLocalTranslate() &&
           pA->GetLocalRotate() == pB->GetLocalRotate() &&
           pA->GetLocalScale() == pB->GetLocalScale();
}

bool PropertiesEqual(const EnAVObject* pA, const EnAVObject* pB) {
    if (!pA || !pB) return false;
    for (int32_t iType = 0; iType < EnProperty::MAX_TYPES; iType++) {
        EnPointer<EnProperty> spP = pA->GetProperty(iType);
        EnPointer<EnProperty> spQ = pB->GetProperty(iType);
        if (!spP != !spQ) return false;
        if (spP && !spP->EqualsObject(spQ)) return false;
    }
    return true;
}

bool MergeNodePair(EnNode* pA, EnNode* pB) {
    if (!pA || !pB || pA == pB) return false;
    EnNode* pParent = pB->GetParent();
    if (IsFiducial(pA) || IsFiducial(pB) || !LocalTransformsEqual(pA, pB) ||
        !PropertiesEqual(pA, pB) || !EnIsExactKindOf(EnNode, pA) || !EnIsExactKindOf(EnNode, pB))
        return false;
    // Beyond transform and properties: a light of one node must not reach the other's
    // children, a name the game looks up must not vanish, and an animated or hidden node must
    // not pass its motion or its hiding on to its sibling's children.
    if (!EffectsAgree(*pA, *pB) || !NamesAgree(*pA, *pB) ||
        pA->GetAppCulled() != pB->GetAppCulled() || pA->GetFirstController() ||
        pB->GetFirstController())
        return false;

    // Held so that B survives its last child leaving and its parent's release below.
    EnPointer<EnNode> spHold(pB);
    for (uint32_t i = 0; i < pB->GetArrayCount(); i++)
        if (EnAVObject* pChild = pB->GetAt(i)) pA->AddChild(pChild);
    if (pParent) pParent->RemoveChild(pB);
    return true;
}

void RetargetLights(EnNode* pSubtree, EnNode* pOld, EnNode* pNew) {
    if (!pSubtree) return;
    for (uint32_t i = 0; i < pSubtree->GetArrayCount(); i++) {
        EnAVObject* pChild = pSubtree->GetAt(i);
        if (auto* pNode = EnDynamicCast(EnNode, pChild)) {
            RetargetLights(pNode, pOld, pNew);
        } else if (auto* pLight = EnDynamicCast(EnLight, pChild)) {
            if (!pLight->AffectsNode(pOld)) continue;
            pLight->AttachAffectedNode(pNew);
            pLight->DetachAffectedNode(pOld);
        }
    }
}

EnNode* OptimizeSceneGraph(EnNode* pRoot, bool bKeepRootZBuffer, bool bKeepTextureMode,
                           bool bKeepVertexColor, bool bRemoveDefaultLights) {
    if (!pRoot) return nullptr;
    EnNode* pParent = LastNodeChild(*pRoot);
    EnNode* pWork = nullptr;
    for (uint32_t i = 0; i < pRoot->GetArrayCount(); i++) {
        if (auto* pChild = EnDynamicCast(EnNode, pRoot->GetAt(i)))
            if (EnNode* pFound = LastNodeChild(*pChild)) pWork = pFound;
    }
    if (!pParent || !pWork) return nullptr;

    if (bRemoveDefaultLights) {
        for (uint32_t i = 0; i < pRoot->GetArrayCount(); i++) {
            auto* pLight = EnDynamicCast(EnLight, pRoot->GetAt(i));
            if (pLight && IsDefaultLight(*pLight)) pRoot->RemoveChild(pLight);
        }
    }

    MoveLights(*pRoot, *pWork);
    MoveLights(*pParent, *pWork);
    RetargetLights(pWork, pRoot, pWork);
    RetargetLights(pWork, pParent, pWork);

    if (!bKeepRootZBuffer) MoveProperty(*pRoot, *pWork, EnProperty::ZBUFFER);
    if (!bKeepTextureMode) MoveProperty(*pParent, *pWork, EnProperty::TEXTURE_MODE);
    if (!bKeepVertexColor) MoveProperty(*pParent, *pWork, EnProperty::VERTEX_COLOR);
    return pWork;
}

void MergeSiblingNodes(EnNode* pNode) {
    if (!pNode) return;
    for (uint32_t i = 0; i < pNode->GetArrayCount(); i++)
        if (auto* pChild = EnDynamicCast(EnNode, pNode->GetAt(i))) MergeSiblingNodes(pChild);

    for (uint32_t i = 0; i < pNode->GetArrayCount(); i++) {
        auto* pFirst = EnDynamicCast(EnNode, pNode->GetAt(i));
        if (!pFirst) continue;
        for (uint32_t j = i + 1; j < pNode->GetArrayCount(); j++)
            if (auto* pLater = EnDynamicCast(EnNode, pNode->GetAt(j)))
                MergeNodePair(pFirst, pLater);
    }
}
