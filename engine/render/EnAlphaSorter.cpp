#include "engine/render/EnAlphaSorter.h"

#include <cmath>
#include <deque>
#include <vector>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnBillboardNode.h"
#include "engine/core/EnCamera.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/geometry/EnDynamicEffectState.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnAlphaSorter, EnAVObject);

void EnAlphaSorter::CreateFromStream(EnStream& kStream, EnObject*& pObject) {
    EnAlphaSorter* pNew = new EnAlphaSorter;
    EnBeginLoadRecord(kStream, std::make_unique<EnAlphaSorter::LinkRecord>());
    pNew->LoadFromStream(kStream);
    pObject = pNew;
}

int EnAlphaSorter::RegisterLoader() {
    static bool s_bRegistered = false;
    if (s_bRegistered) return 0;
    s_bRegistered = true;
    EnAddLoader("EnAlphaSorter", &EnAlphaSorter::CreateFromStream);
    return 1;
}

EnAlphaSorter::EnAlphaSorter() {
    m_usFlags |= OBSERVE_NO_SORTER_MASK | SORT_BILLBOARDS_MASK;
}

EnAlphaSorter::~EnAlphaSorter() {
    m_pTree.reset();
}

void EnAlphaSorter::SetObserveNoSorter(bool bObserve) {
    m_usFlags = uint16_t(bObserve ? (m_usFlags | OBSERVE_NO_SORTER_MASK)
                                  : (m_usFlags & ~OBSERVE_NO_SORTER_MASK));
}

void EnAlphaSorter::SetSortBillboards(bool bSort) {
    m_usFlags =
        uint16_t(bSort ? (m_usFlags | SORT_BILLBOARDS_MASK) : (m_usFlags & ~SORT_BILLBOARDS_MASK));
}

void EnAlphaSorter::LoadFromStream(EnStream& kStream) {
    EnAVObject::LoadFromStream(kStream);
    uint32_t uiTreeWord = 0;
    if (!kStream.ReadU32(uiTreeWord)) return;
    // Only the tree's existence is stored; its contents are rebuilt from the scene.
    if (uiTreeWord != 0) m_pTree = CreateTree();
}

void EnAlphaSorter::SaveToStream(EnStream& kStream) {
    EnAVObject::SaveToStream(kStream);
    kStream.WriteU32(m_pTree ? 1u : 0u);
}

bool EnAlphaSorter::EqualsObject(const EnObject* pObject) const {
    return EnAVObject::EqualsObject(pObject);
}

void EnAlphaSorter::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnAVObject::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnAlphaSorter"));
    kStrings.Add(MakeViewerPointer("m_pTree", m_pTree.get()));
}

void EnAlphaSorter::Draw(EnCamera* pCamera) {
    if (!m_pTree) return;
    // The tree lends each piece its proxy's states; whatever draws after the sorter finds the
    // renderer as the sorter found it.
    EnPointer<EnRender> spRenderer = pCamera ? pCamera->GetRenderer() : nullptr;
    EnPointer<EnPropertyState> spPropertyState;
    EnPointer<EnDynamicEffectState> spEffectState;
    if (spRenderer) {
        spPropertyState = spRenderer->GetPropertyState();
        spEffectState = spRenderer->GetEffectState();
    }
    m_pTree->Draw(pCamera);
    if (spRenderer) {
        spRenderer->SetPropertyState(spPropertyState);
        spRenderer->SetEffectState(spEffectState);
    }
    m_pTree->ClearDrawnMarks();
}

bool EnAlphaSorter::FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                                      EnRayQuery& kQuery) {
    return m_pTree && m_pTree->FindIntersections(kOrigin, kDir, kQuery);
}

std::unique_ptr<EnAlphaSorter::BSPTree> EnAlphaSorter::CreateTree() {
    return std::make_unique<BSPTree>();
}

bool EnAlphaSorter::IsSelectable(const EnAVObject* pObject) const {
    const EnTriShape* pShape = EnDynamicCast(EnTriShape, pObject);
    if (!pShape) return false;
    const EnPropertyState* pState = pShape->GetPropertyState();
    const EnAlphaProperty* pAlpha = pState ? pState->GetAlpha() : nullptr;
    if (!pAlpha || !pAlpha->GetAlphaBlending()) return false;
    if (GetObserveNoSorter() && pAlpha->GetNoSorter()) return false;
    // The sorter cuts shapes by their triangle lists; a shape whose list points outside its
    // vertices is left to draw unsorted rather than read out of bounds.
    const EnTriShapeData* pData = pShape->GetShapeData();
    return pData && pData->GetVertices() && pData->HasValidIndices();
}

template <class Visitor>
void EnAlphaSorter::ForEachSelected(EnAVObject* pScene, const ExclusionMap* pExclude,
                                    Visitor&& fnVisit) {
    // Depth-first in child order with a stack of its own; the visitor may replace the shape
    // it is given, but never a node on the stack.
    struct Level {
        EnNode* pNode;
        uint32_t uiNext;
    };
    std::vector<Level> kStack;
    auto Enter = [&](EnAVObject* pObject) {
        EnNode* pNode = EnDynamicCast(EnNode, pObject);
        if (!pNode) return;
        if (!GetSortBillboards() && EnIsKindOf(EnBillboardNode, pNode)) return;
        kStack.push_back({pNode, 0});
    };

    Enter(pScene);
    while (!kStack.empty()) {
        EnNode* pParent = kStack.back().pNode;
        const uint32_t uiIndex = kStack.back().uiNext++;
        if (uiIndex >= pParent->GetArrayCount()) {
            kStack.pop_back();
            continue;
        }
        EnAVObject* pChild = pParent->GetAt(uiIndex);
        if (!pChild) continue;
        if (pExclude && pChild->GetName()) {
            int32_t iValue = 0;
            if (pExclude->GetAt(pChild->GetName(), iValue)) continue;
        }
        if (EnTriShape* pShape = EnDynamicCast(EnTriShape, pChild)) {
            if (IsSelectable(pShape)) fnVisit(pParent, uiIndex, pShape);
            continue;
        }
        Enter(pChild);
    }
}

void EnAlphaSorter::UpdateScene(EnAVObject* pScene, float fTime) {
    pScene->Update(fTime);
    pScene->UpdateProperties();
    pScene->UpdateEffects();
}

void EnAlphaSorter::SplitIntoPlanarPieces(EnNode* pParent, uint32_t uiIndex, EnTriShape* pShape) {
    // A planar shape would come back alone and go back where it was.
    if (IsPlanar(pShape)) return;
    EnPointer<EnTriShape> spShape = pShape;

    std::deque<EnPointer<EnTriShape>> kWork{spShape};
    std::deque<EnPointer<EnTriShape>> kResult;
    while (!kWork.empty()) {
        EnPointer<EnTriShape> spPiece = kWork.front();
        kWork.pop_front();
        EnPointer<EnTriShape> spFirst;
        EnPointer<EnTriShape> spSecond;
        if (!IsPlanar(spPiece)) SplitInTwo(spPiece, spFirst, spSecond);
        if (!spFirst || !spSecond) {
            kResult.push_front(spPiece);
            continue;
        }
        kWork.push_front(spSecond);
        kWork.push_front(spFirst);
    }

    // The node stands where the shape stood and keeps what the shape gave everything below
    // it; the pieces are in the shape's model space.
    EnPointer<EnNode> spNode = new EnNode;
    std::vector<EnProperty*> kProperties;
    const auto& kList = pShape->GetPropertyList();
    for (EnTListIterator pos = kList.GetHeadPos(); pos;) kProperties.push_back(kList.GetNext(pos));
    for (auto it = kProperties.rbegin(); it != kProperties.rend(); ++it)
        spNode->AttachProperty(*it);
    spNode->SetLocalTranslate(pShape->GetLocalTranslate());
    spNode->SetLocalRotate(pShape->GetLocalRotate());
    const float fScale = std::fabs(pShape->GetLocalScale());
    if (fScale > 0.0f) spNode->SetLocalScale(fScale);
    for (const EnPointer<EnTriShape>& spPiece : kResult) spNode->AddChild(spPiece);
    pParent->ReplaceChildAt(uiIndex, spNode);
}

void EnAlphaSorter::BuildTree(EnAVObject* pScene, float fTime, const ExclusionMap* pExclude) {
    if (!pScene) return;
    EnPointer<EnAVObject> spScene = pScene;

    UpdateScene(pScene, fTime);
    ForEachSelected(pScene, pExclude,
                    [this](EnNode* pParent, uint32_t uiIndex, EnTriShape* pShape) {
                        SplitIntoPlanarPieces(pParent, uiIndex, pShape);
                    });
    UpdateScene(pScene, fTime);

    m_pTree = CreateTree();
    if (!m_pTree) return;
    BSPTree* pTree = m_pTree.get();
    std::unique_ptr<ProxyNode> spChain;
    ForEachSelected(pScene, pExclude,
                    [pTree, &spChain](EnNode* pParent, uint32_t uiIndex, EnTriShape* pShape) {
                        // Texels of zero alpha are dropped before they reach the depth
                        // buffer, so they cannot hide the pieces drawn after them.
                        EnAlphaProperty* pAlpha = pShape->GetPropertyState()->GetAlpha();
                        pAlpha->SetAlphaTesting(true);
                        pAlpha->SetTestMode(EnAlphaProperty::TEST_GREATER);
                        pAlpha->SetAlphaTestRef(0);

                        EnPointer<EnAlphaProxy> spProxy = new EnAlphaProxy(pShape);
                        spChain = pTree->NewProxyNode(pShape, spProxy, std::move(spChain));
                        pParent->ReplaceChildAt(uiIndex, spProxy);
                    });
    UpdateScene(pScene, fTime);

    m_worldBound = pScene->GetWorldBound();
    m_pTree->Build(std::move(spChain));
}
