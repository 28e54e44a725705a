// The partitioning tree of the alpha sorter: its records, building, drawing and searches.
#include <cstdio>
#include <vector>

#include "engine/core/EnCamera.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnRayQuery.h"
#include "engine/core/EnSystem.h"
#include "engine/render/EnAlphaSorter.h"
#include "engine/render/EnRender.h"

using ProxyNode = EnAlphaSorter::ProxyNode;
using BSPTree = EnAlphaSorter::BSPTree;

ProxyNode::ProxyNode(EnTriShape* pObject, EnAlphaProxy* pProxy, std::unique_ptr<ProxyNode> spNext)
    : m_spObject(pObject), m_spProxy(pProxy), m_spNext(std::move(spNext)) {}

ProxyNode::~ProxyNode() {
    // Each record is detached from its successor before it goes, so a chain of any length is
    // destroyed without nesting one destructor in the next.
    std::unique_ptr<ProxyNode> spRest = std::move(m_spNext);
    while (spRest) spRest = std::move(spRest->m_spNext);
}

BSPTree::BSPTree() = default;

BSPTree::~BSPTree() {
    m_spChain.reset();
    std::vector<std::unique_ptr<BSPTree>> kPending;
    if (m_spFront) kPending.push_back(std::move(m_spFront));
    if (m_spBack) kPending.push_back(std::move(m_spBack));
    while (!kPending.empty()) {
        std::unique_ptr<BSPTree> spTree = std::move(kPending.back());
        kPending.pop_back();
        if (spTree->m_spFront) kPending.push_back(std::move(spTree->m_spFront));
        if (spTree->m_spBack) kPending.push_back(std::move(spTree->m_spBack));
    }
}

std::unique_ptr<ProxyNode> BSPTree::NewProxyNode(EnTriShape* pObject, EnAlphaProxy* pProxy,
                                                 std::unique_ptr<ProxyNode> spNext) {
    return std::make_unique<ProxyNode>(pObject, pProxy, std::move(spNext));
}

std::unique_ptr<BSPTree> BSPTree::NewSubtree() {
    return std::make_unique<BSPTree>();
}

namespace {

// The name a malformed-triangle report gives the object: its proxy's parent (the node that
// the sorter may have made for a split shape is unnamed), the proxy, then the grandparent.
const char* ReportName(const EnAlphaProxy* pProxy) {
    if (!pProxy) return "<unnamed>";
    const EnNode* pParent = pProxy->GetParent();
    if (pParent && pParent->GetName()) return pParent->GetName();
    if (pProxy->GetName()) return pProxy->GetName();
    const EnNode* pGrandparent = pParent ? pParent->GetParent() : nullptr;
    if (pGrandparent && pGrandparent->GetName()) return pGrandparent->GetName();
    return "<unnamed>";
}

}  // namespace

void BSPTree::SplitList(std::unique_ptr<ProxyNode> spList, std::unique_ptr<ProxyNode>& spFront,
                        std::unique_ptr<ProxyNode>& spBack) {
    m_spChain.reset();
    m_spFront.reset();
    m_spBack.reset();
    m_plane = EnPlaneEquation();
    if (!spList) return;

    const EnAlphaProxy* pProxy = spList->m_spProxy;
    EnVector3* pP0 = nullptr;
    EnVector3* pP1 = nullptr;
    EnVector3* pP2 = nullptr;
    if (spList->m_spObject) spList->m_spObject->GetTriangleModelPoints(0, pP0, pP1, pP2);
    if (pP0 && pP1 && pP2) {
        EnMatrix3 kRotate = EnMatrix3::IDENTITY;
        EnVector3 kTranslate = EnVector3::ZERO;
        float fScale = 1.0f;
        if (pProxy) {
            kRotate = pProxy->GetWorldRotate();
            kTranslate = pProxy->GetWorldTranslate();
            fScale = pProxy->GetWorldScale();
        }
        m_plane.SetFromPoints(kRotate * (*pP0 * fScale) + kTranslate,
                              kRotate * (*pP1 * fScale) + kTranslate,
                              kRotate * (*pP2 * fScale) + kTranslate);
    }
    if (m_plane.m_normal.Length() < EnAlphaSorter::PLANE_NORMAL_MIN_LENGTH) {
        // The build goes on: with no usable normal every piece counts as lying in the plane
        // and joins this node's chain.
        char acText[254];
        std::snprintf(acText, sizeof acText,
                      "EN Alpha Sorter: (Build Tree): Malformed triangle in object \"%s\".\n",
                      ReportName(pProxy));
        EnOutputDebugString(acText);
    }

    std::unique_ptr<ProxyNode> spRest = std::move(spList->m_spNext);
    m_spChain = std::move(spList);
    while (spRest) {
        std::unique_ptr<ProxyNode> spRecord = std::move(spRest);
        spRest = std::move(spRecord->m_spNext);
        if (!spRecord->m_spObject) continue;
        EnAlphaProxy* pRecordProxy = spRecord->m_spProxy;
        EnPointer<EnTriShape> spInFront;
        EnPointer<EnTriShape> spBehind;
        EnPointer<EnTriShape> spInPlane;
        Partition(spRecord->m_spObject, pRecordProxy, m_plane, spInFront, spBehind, spInPlane);
        if (spInFront) spFront = NewProxyNode(spInFront, pRecordProxy, std::move(spFront));
        if (spBehind) spBack = NewProxyNode(spBehind, pRecordProxy, std::move(spBack));
        if (spInPlane) m_spChain = NewProxyNode(spInPlane, pRecordProxy, std::move(m_spChain));
    }
}

void BSPTree::Build(std::unique_ptr<ProxyNode> spList) {
    // Each pending job is a node and the records that belong below it. A tree can be as deep
    // as the number of shapes (parallel planes give one record per level), so the jobs wait
    // on a stack of their own rather than on the call stack.
    struct Job {
        BSPTree* pTree;
        std::unique_ptr<ProxyNode> spList;
    };
    std::vector<Job> kJobs;
    kJobs.push_back({this, std::move(spList)});
    while (!kJobs.empty()) {
        Job kJob = std::move(kJobs.back());
        kJobs.pop_back();
        BSPTree* pTree = kJob.pTree;
        std::unique_ptr<ProxyNode> spFront;
        std::unique_ptr<ProxyNode> spBack;
        pTree->SplitList(std::move(kJob.spList), spFront, spBack);
        // The front subtree is built first.
        if (spBack) {
            pTree->m_spBack = pTree->NewSubtree();
            if (pTree->m_spBack) kJobs.push_back({pTree->m_spBack.get(), std::move(spBack)});
        }
        if (spFront) {
            pTree->m_spFront = pTree->NewSubtree();
            if (pTree->m_spFront) kJobs.push_back({pTree->m_spFront.get(), std::move(spFront)});
        }
    }
}

void BSPTree::DrawChain(EnCamera* pCamera) {
    EnPointer<EnRender> spRenderer = pCamera->GetRenderer();
    if (!spRenderer) return;
    for (const ProxyNode* pRecord = m_spChain.get(); pRecord; pRecord = pRecord->m_spNext.get()) {
        EnAlphaProxy* pProxy = pRecord->m_spProxy;
        EnTriShape* pObject = pRecord->m_spObject;
        if (!pProxy || !pProxy->IsDrawn() || !pObject) continue;
        EnTriShapeData* pData = pObject->GetShapeData();
        if (!pData) continue;

        // The piece is clipped by the planes its proxy still straddled when the scene was
        // culled.
        uint32_t auiSaved[4];
        for (int i = 0; i < 4; i++) auiSaved[i] = pCamera->GetPlaneMask()[i];
        pCamera->SetPlaneMask(pProxy->GetPlaneMask());
        pCamera->SubmitActivePlanes();
        spRenderer->SetModelTransform(pProxy->GetWorldTranslate(), pProxy->GetWorldRotate(),
                                      pProxy->GetWorldScale());
        spRenderer->SetPropertyState(pProxy->GetPropertyState());
        spRenderer->SetEffectState(pProxy->GetEffectState());
        spRenderer->DrawTriShape(pData, pObject->GetWorldBound());
        pCamera->SetPlaneMask(auiSaved);
    }
}

void BSPTree::Draw(EnCamera* pCamera) {
    if (!pCamera) return;
    const EnVector3 kEye = pCamera->GetWorldLocation();
    // Steps wait on a stack in the reverse of their drawing order: at each node the subtree on
    // the far side of the plane, then the node's own chain, then the near subtree.
    struct Step {
        BSPTree* pTree;
        bool bChainOnly;
    };
    std::vector<Step> kSteps{{this, false}};
    while (!kSteps.empty()) {
        const Step kStep = kSteps.back();
        kSteps.pop_back();
        BSPTree* pTree = kStep.pTree;
        if (kStep.bChainOnly) {
            pTree->DrawChain(pCamera);
            continue;
        }
        // A camera on the plane counts as behind it.
        const bool bBehind = pTree->m_plane.Distance(kEye) <= 0.0f;
        BSPTree* pFar = bBehind ? pTree->m_spFront.get() : pTree->m_spBack.get();
        BSPTree* pNear = bBehind ? pTree->m_spBack.get() : pTree->m_spFront.get();
        if (pNear) kSteps.push_back({pNear, false});
        kSteps.push_back({pTree, true});
        if (pFar) kSteps.push_back({pFar, false});
    }
}

void BSPTree::ClearDrawnMarks() {
    std::vector<BSPTree*> kPending{this};
    while (!kPending.empty()) {
        BSPTree* pTree = kPending.back();
        kPending.pop_back();
        for (ProxyNode* pRecord = pTree->m_spChain.get(); pRecord;
             pRecord = pRecord->m_spNext.get()) {
            if (pRecord->m_spProxy) pRecord->m_spProxy->ClearDrawn();
        }
        if (pTree->m_spBack) kPending.push_back(pTree->m_spBack.get());
        if (pTree->m_spFront) kPending.push_back(pTree->m_spFront.get());
    }
}

bool BSPTree::FindIntersections(const EnVector3& kOrigin, const EnVector3& kDir,
                                EnRayQuery& kQuery) {
    bool bFound = false;
    std::vector<BSPTree*> kPending{this};
    while (!kPending.empty()) {
        BSPTree* pTree = kPending.back();
        kPending.pop_back();
        for (ProxyNode* pRecord = pTree->m_spChain.get(); pRecord;
             pRecord = pRecord->m_spNext.get()) {
            EnTriShape* pObject = pRecord->m_spObject;
            if (!pObject || !pObject->FindIntersections(kOrigin, kDir, kQuery)) continue;
            bFound = true;
            // The pieces are not in the scene graph: the hits name the node that holds the
            // proxy instead.
            EnNode* pParent = pRecord->m_spProxy ? pRecord->m_spProxy->GetParent() : nullptr;
            if (!pParent) continue;
            for (const auto& spHit : kQuery.m_kHits)
                if (spHit && spHit->m_spObject == pObject) spHit->m_spObject = pParent;
        }
        if (pTree->m_spBack) kPending.push_back(pTree->m_spBack.get());
        if (pTree->m_spFront) kPending.push_back(pTree->m_spFront.get());
    }
    return bFound;
}

uint32_t BSPTree::GetRecordCount() const {
    uint32_t uiCount = 0;
    std::vector<const BSPTree*> kPending{this};
    while (!kPending.empty()) {
        const BSPTree* pTree = kPending.back();
        kPending.pop_back();
        for (const ProxyNode* pRecord = pTree->m_spChain.get(); pRecord;
             pRecord = pRecord->m_spNext.get())
            uiCount++;
        if (pTree->m_spBack) kPending.push_back(pTree->m_spBack.get());
        if (pTree->m_spFront) kPending.push_back(pTree->m_spFront.get());
    }
    return uiCount;
}
