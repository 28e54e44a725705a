// The load-time passes together, as a track load runs them, against what the camera draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/EnNode.h"
#include "engine/core/EnSwitchNode.h"
#include "engine/core/EnWireframeProperty.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/geometry/EnAmbientLight.h"
#include "engine/geometry/EnDirectionalLight.h"
#include "engine/geometry/EnPointLight.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/geometry/EnTriStrips.h"
#include "engine/geometry/SgOptimize.h"
#include "engine/geometry/StripifyScene.h"
#include "engine/geometry/TriangleStripifier.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"
#include "tests/support/DebugCapture.h"

namespace {

// A drawn triangle as its three world points, turned to the smallest of its three rotations.
using WorldTriangle = std::array<float, 9>;

WorldTriangle Canonical(const EnVector3& p0, const EnVector3& p1, const EnVector3& p2) {
    const EnVector3 p[3] = {p0, p1, p2};
    WorldTriangle kBest{};
    for (int r = 0; r < 3; r++) {
        WorldTriangle k;
        for (int i = 0; i < 3; i++) {
            const EnVector3& v = p[(r + i) % 3];
            k[3 * i] = v.x;
            k[3 * i + 1] = v.y;
            k[3 * i + 2] = v.z;
        }
        if (r == 0 || k < kBest) kBest = k;
    }
    return kBest;
}

// Every triangle of every geometry draw, in world space with the model transform in force,
// the index-degenerate ones left out; sorted.
std::vector<WorldTriangle> DrawnTriangles(const RecordingRender& kRender) {
    std::vector<WorldTriangle> kOut;
    for (const RecordingRender::Call* pCall : kRender.GeometryDraws()) {
        auto kWorld = [&](const EnVector3& v) {
            return pCall->m_fScale * (pCall->m_rotate * v) + pCall->m_translate;
        };
        std::vector<std::array<uint16_t, 3>> kTriangles;
        const EnVector3* pVertex = nullptr;
        if (pCall->m_kName == "DrawTriShape") {
            auto* pData = static_cast<const EnTriShapeData*>(pCall->m_pData);
            pVertex = pData->GetVertices();
            for (uint16_t t = 0; t < pData->GetTriangleCount(); t++) {
                const uint16_t* p = pData->GetTriList() + 3 * t;
                kTriangles.push_back({p[0], p[1], p[2]});
            }
        } else if (pCall->m_kName == "DrawTriStrips") {
            auto* pData = static_cast<const EnTriStripsData*>(pCall->m_pData);
            pVertex = pData->GetVertices();
            const uint16_t* p = pData->GetStripLists();
            for (uint16_t s = 0; s < pData->GetStripCount(); s++) {
                const uint16_t usLength = pData->GetStripLengths()[s];
                for (uint16_t i = 0; i + 2 < usLength; i++)
                    kTriangles.push_back(i % 2 ? std::array<uint16_t, 3>{p[i + 2], p[i + 1], p[i]}
                                               : std::array<uint16_t, 3>{p[i], p[i + 1], p[i + 2]});
                p += usLength;
            }
        } else {
            ADD_FAILURE() << "unexpected draw " << pCall->m_kName;
            continue;
        }
        for (const auto& t : kTriangles) {
            if (TriangleStripifier::IsDegenerate(t[0], t[1], t[2])) continue;
            kOut.push_back(
                Canonical(kWorld(pVertex[t[0]]), kWorld(pVertex[t[1]]), kWorld(pVertex[t[2]])));
        }
    }
    std::sort(kOut.begin(), kOut.end());
    return kOut;
}

EnPointer<EnTriShapeData> RandomShapeData(RandomSource& kRandom) {
    const uint16_t usVertices = uint16_t(kRandom.Int(3, 30));
    EnVector3* pVertex = new EnVector3[usVertices];
    for (uint16_t i = 0; i < usVertices; i++) pVertex[i] = kRandom.Vector(2.0f);
    std::vector<uint16_t> kList;
    for (uint32_t i = 0, n = 3 * kRandom.Int(1, 60); i < n; i++)
        kList.push_back(uint16_t(kRandom.Int(0, usVertices - 1)));
    return new EnTriShapeData(usVertices, pVertex, nullptr, nullptr, nullptr,
                              uint16_t(kList.size() / 3), NewArray(kList));
}

EnPointer<EnNode> PlacedNode(const EnVector3& kTranslate, float fTurn) {
    EnPointer<EnNode> spNode = new EnNode;
    EnMatrix3 kRotate;
    kRotate.MakeZRotation(fTurn);
    spNode->SetLocalRotate(kRotate);
    spNode->SetLocalTranslate(kTranslate);
    return spNode;
}

EnPointer<EnTriShape> PlacedShape(EnTriShapeData* pData, RandomSource& kRandom) {
    EnPointer<EnTriShape> spShape = new EnTriShape(pData);
    EnMatrix3 kRotate;
    kRotate.MakeRotation(kRandom.Float(0.0f, 3.0f), EnVector3(0.6f, 0.0f, 0.8f));
    spShape->SetLocalRotate(kRotate);
    spShape->SetLocalTranslate(kRandom.Vector(3.0f));
    spShape->SetLocalScale(kRandom.Float(0.5f, 2.0f));
    return spShape;
}

// A scene as the exporter writes it: the root with the default lights and a lamp, the
// working parent, the working node with track segments, two of which are alike and merge, a
// switch node alike too, a hidden segment, strips made earlier and a shape beside the
// working node.
struct ExportedTrack {
    EnPointer<EnNode> spRoot = new EnNode;
    EnPointer<EnNode> spParent = new EnNode;
    EnPointer<EnNode> spWork = new EnNode;
    EnPointer<EnNode> spHidden;

    explicit ExportedTrack(RandomSource& kRandom) {
        EnPointer<EnDirectionalLight> spDefault = new EnDirectionalLight;
        spDefault->SetName("__MAX_Default_Light");
        EnPointer<EnPointLight> spLamp = new EnPointLight;
        spRoot->AddChild(spDefault);
        spRoot->AddChild(spLamp);
        spRoot->AddChild(spParent);
        spRoot->AttachProperty(new EnZBufferProperty);
        spDefault->AttachAffectedNode(spRoot);
        spLamp->AttachAffectedNode(spRoot);
        spParent->AddChild(spWork);
        spParent->AddChild(PlacedShape(RandomShapeData(kRandom), kRandom));
        spWork->SetLocalTranslate(EnVector3(1.0f, -2.0f, 0.5f));

        EnPointer<EnTriShapeData> spShared = RandomShapeData(kRandom);
        const EnVector3 kSegment(2.0f, 1.0f, -1.0f);
        std::vector<EnPointer<EnNode>> kSegments = {PlacedNode(kSegment, 0.3f),
                                                    PlacedNode(kSegment, 0.3f)};
        EnPointer<EnSwitchNode> spSwitch = new EnSwitchNode;
        spSwitch->SetLocalTranslate(kSegment);
        spSwitch->SetLocalRotate(kSegments[0]->GetLocalRotate());
        kSegments.push_back(EnPointer<EnNode>(spSwitch));
        spHidden = PlacedNode(EnVector3(0, 0, 3), 1.0f);
        spHidden->SetAppCulled(true);
        kSegments.push_back(spHidden);
        for (EnNode* pSegment : kSegments) {
            spWork->AddChild(pSegment);
            pSegment->AttachProperty(new EnWireframeProperty);
            for (int i = 0; i < 3; i++)
                pSegment->AddChild(PlacedShape(RandomShapeData(kRandom), kRandom));
            pSegment->AddChild(PlacedShape(spShared, kRandom));
        }
        spSwitch->SetIndex(1);

        EnPointer<EnNode> spDeep = PlacedNode(EnVector3(-1, 0, 0), -0.7f);
        spWork->AddChild(spDeep);
        spDeep->AddChild(PlacedShape(spShared, kRandom));
        spDeep->AddChild(new EnTriStrips(new EnTriStripsData(
            3, NewArray<EnVector3>({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), nullptr, nullptr, nullptr, 1,
            1, NewArray<uint16_t>({3}), NewArray<uint16_t>({0, 1, 2}))));
    }
};

// The triangles the pass will drop: the degenerate ones of each triangle data object once.
void CountDegenerate(const EnNode& kNode, std::set<const EnTriShapeData*>& kSeen,
                     uint32_t& uiShapes, uint32_t& uiTriangles) {
    for (uint32_t i = 0; i < kNode.GetArrayCount(); i++) {
        EnAVObject* pChild = kNode.GetAt(i);
        if (auto* pNode = EnDynamicCast(EnNode, pChild)) {
            CountDegenerate(*pNode, kSeen, uiShapes, uiTriangles);
        } else if (auto* pShape = EnDynamicCast(EnTriShape, pChild)) {
            const EnTriShapeData* pData = pShape->GetShapeData();
            if (!kSeen.insert(pData).second) continue;
            uint32_t uiDropped = 0;
            for (uint16_t t = 0; t < pData->GetTriangleCount(); t++) {
                const uint16_t* p = pData->GetTriList() + 3 * t;
                uiDropped += TriangleStripifier::IsDegenerate(p[0], p[1], p[2]);
            }
            uiShapes += uiDropped > 0;
            uiTriangles += uiDropped;
        }
    }
}

RecordingRender& DrawScene(DrawStage& kStage, EnNode* pRoot) {
    pRoot->Update(0.0f);
    pRoot->UpdateProperties();
    pRoot->UpdateEffects();
    kStage.spRenderer->Clear();
    kStage.spCamera->RenderFrame();
    return *kStage.spRenderer;
}

}  // namespace

TEST(LoadPasses, TheSceneDrawsTheSameTrianglesAfterStrippingOptimisingAndMerging) {
    for (uint32_t uiSeed = 1; uiSeed <= 10; uiSeed++) {
        RandomSource kRandom(uiSeed);
        ExportedTrack kTrack(kRandom);
        DrawStage kStage;
        kStage.spCamera->SetViewFrustum({-1.0f, 1.0f, 1.0f, -1.0f, 0.1f, 1000.0f});
        kStage.spCamera->SetLocalTranslate(EnVector3(-40, 0, 0));
        kStage.spCamera->SetScene(kTrack.spRoot);
        kStage.spCamera->Update(0.0f);

        const RecordingRender& kBefore = DrawScene(kStage, kTrack.spRoot);
        const size_t uiDrawsBefore = kBefore.GeometryDraws().size();
        const std::vector<WorldTriangle> kTrianglesBefore = DrawnTriangles(kBefore);
        // Four shapes in each of the two plain segments, the switch's one shown child, the
        // shape beside the working node, and the deep node's shape and strips.
        ASSERT_EQ(uiDrawsBefore, 12u) << kRandom.Seed();
        ASSERT_EQ(kBefore.CallsNamed("DrawTriStrips").size(), 1u) << kRandom.Seed();

        std::set<const EnTriShapeData*> kSeen;
        uint32_t uiWarnings = 0, uiDropped = 0;
        CountDegenerate(*kTrack.spRoot, kSeen, uiWarnings, uiDropped);
        DebugCapture kCapture;
        StripifyScene(kTrack.spRoot, false);
        // One warning per data object, each with the count it dropped.
        std::istringstream kLines(kCapture.Text());
        uint32_t uiWarned = 0, uiReported = 0;
        for (std::string kLine; std::getline(kLines, kLine); uiWarned++) {
            uint32_t uiCount = 0;
            ASSERT_EQ(std::sscanf(kLine.c_str(),
                                  "Warning: %u degenerate triangles deleted from "
                                  "EnTriShape \"\".",
                                  &uiCount),
                      1)
                << kLine;
            uiReported += uiCount;
        }
        EXPECT_EQ(uiWarned, uiWarnings) << kRandom.Seed();
        EXPECT_EQ(uiReported, uiDropped) << kRandom.Seed();
        EnNode* pWork = OptimizeSceneGraph(kTrack.spRoot, false, false, false, true);
        ASSERT_EQ(pWork, kTrack.spWork.Get()) << kRandom.Seed();
        MergeSiblingNodes(pWork);
        // One segment merged away; the switch and the hidden segment stay, and the lamp came
        // down from the root while the default light went.
        EXPECT_EQ(pWork->GetChildCount(), 5u) << kRandom.Seed();
        EXPECT_EQ(kTrack.spRoot->GetChildCount(), 1u) << kRandom.Seed();

        const RecordingRender& kAfter = DrawScene(kStage, kTrack.spRoot);
        EXPECT_EQ(kAfter.GeometryDraws().size(), uiDrawsBefore) << kRandom.Seed();
        EXPECT_TRUE(kAfter.CallsNamed("DrawTriShape").empty()) << kRandom.Seed();
        EXPECT_EQ(DrawnTriangles(kAfter), kTrianglesBefore) << kRandom.Seed();
    }
}
