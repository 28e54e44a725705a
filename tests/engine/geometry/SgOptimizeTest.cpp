#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/EnExtraData.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnSwitchNode.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/core/EnTimeController.h"
#include "engine/core/EnVertexColorProperty.h"
#include "engine/core/EnWireframeProperty.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/geometry/EnAmbientLight.h"
#include "engine/geometry/EnDirectionalLight.h"
#include "engine/geometry/EnPointLight.h"
#include "engine/geometry/EnSpotLight.h"
#include "engine/geometry/SgOptimize.h"

namespace {

EnMatrix3 Columns(const EnVector3& kCol0, const EnVector3& kCol1, const EnVector3& kCol2) {
    EnMatrix3 kMatrix;
    kMatrix.SetColumns(kCol0, kCol1, kCol2);
    return kMatrix;
}

// The exporter's default directional light orientations.
const EnMatrix3 D1 = Columns({0.446663f, 0.496292f, -0.744438f}, {0.0f, -0.83205f, -0.5547f},
                             {-0.894703f, 0.247764f, -0.371646f});
const EnMatrix3 D2 = Columns({-0.446663f, -0.496292f, 0.744438f}, {0.0f, 0.83205f, 0.5547f},
                             {-0.894703f, 0.247764f, -0.371646f});

EnMatrix3 WithEntry(EnMatrix3 kMatrix, unsigned int uiRow, unsigned int uiCol, float fAdd) {
    kMatrix.m_aafEntry[uiRow][uiCol] += fAdd;
    return kMatrix;
}

// A directional light as the exporter makes its default one: black ambient, white diffuse and
// specular, at the origin, unit scale.
EnPointer<EnLight> DefaultDirectional(const EnMatrix3& kRotate) {
    EnPointer<EnDirectionalLight> spLight = new EnDirectionalLight;
    spLight->SetLocalRotate(kRotate);
    spLight->SetAmbientColor(EnColorRGB::BLACK);
    spLight->SetDiffuseColor(EnColorRGB::WHITE);
    spLight->SetSpecularColor(EnColorRGB::WHITE);
    return EnPointer<EnLight>(spLight);
}

// The exporter's default ambient light: every ambient component 0.04314, black otherwise.
EnPointer<EnLight> DefaultAmbient() {
    EnPointer<EnAmbientLight> spLight = new EnAmbientLight;
    spLight->SetAmbientColor(EnColorRGB(0.04314f, 0.04314f, 0.04314f));
    spLight->SetDiffuseColor(EnColorRGB::BLACK);
    spLight->SetSpecularColor(EnColorRGB::BLACK);
    return EnPointer<EnLight>(spLight);
}

template <class T>
EnPointer<EnLight> Named(const char* pcName) {
    EnPointer<EnLight> spLight = new T;
    spLight->SetName(pcName);
    return spLight;
}

// Root R, working parent N (its last node child) and working node G below N.
struct ExportedScene {
    EnPointer<EnNode> spRoot = new EnNode;
    EnPointer<EnNode> spParent = new EnNode;
    EnPointer<EnNode> spWork = new EnNode;

    ExportedScene() {
        spRoot->AddChild(spParent);
        spParent->AddChild(spWork);
    }
};

std::vector<EnAVObject*> ChildrenOf(const EnNode& kNode) {
    std::vector<EnAVObject*> kOut;
    for (uint32_t i = 0; i < kNode.GetArrayCount(); i++)
        if (EnAVObject* pChild = kNode.GetAt(i)) kOut.push_back(pChild);
    return kOut;
}

class MergeTestController : public EnTimeController {
public:
    void Update(float) override {}
    bool IsTargetTypeValid() const override { return true; }
};

}  // namespace

struct NearCase {
    float fOffset;
    bool bNear;
};

TEST(SgOptimize, NearEqualityNeedsEveryComponentWithinStrictlyLessThanATenThousandth) {
    const NearCase kCases[] = {
        {0.0f, true},     {0.00009f, true},  {-0.00009f, true},
        {0.0001f, false}, {-0.0001f, false}, {0.5f, false},
    };
    for (const NearCase& c : kCases) {
        for (int iAxis = 0; iAxis < 3; iAxis++) {
            // About 1, the float offsets land on the side of the bound they are written on.
            EnVector3 kB(1.0f, 1.0f, 1.0f);
            EnVector3 kA = kB;
            (iAxis == 0 ? kA.x : iAxis == 1 ? kA.y : kA.z) += c.fOffset;
            EXPECT_EQ(VectorsNearlyEqual(kA, kB), c.bNear) << c.fOffset << " on axis " << iAxis;
        }
        // So they do at entry (1, 1) of D1, -0.83205.
        EXPECT_EQ(MatricesNearlyEqual(WithEntry(D1, 1, 1, c.fOffset), D1), c.bNear) << c.fOffset;
    }
    for (unsigned int uiEntry = 0; uiEntry < 9; uiEntry++) {
        EXPECT_FALSE(MatricesNearlyEqual(WithEntry(D2, uiEntry / 3, uiEntry % 3, 0.001f), D2))
            << "entry " << uiEntry;
        EXPECT_TRUE(MatricesNearlyEqual(WithEntry(D2, uiEntry / 3, uiEntry % 3, 0.00005f), D2))
            << "entry " << uiEntry;
    }
}

struct LightCase {
    const char* pcWhat;
    std::function<EnPointer<EnLight>()> fnMake;
    bool bRemoved;
};

TEST(SgOptimize, RemovesTheExportersDefaultLightsFromTheRoot) {
    const LightCase kCases[] = {
        {"a point light by the default name",
         [] { return Named<EnPointLight>("__MAX_Default_Light"); }, true},
        {"a spot light by the default name",
         [] { return Named<EnSpotLight>("__MAX_Default_Light"); }, true},
        {"the name in other case", [] { return Named<EnPointLight>("__max_default_light"); },
         false},
        {"default directional, first orientation", [] { return DefaultDirectional(D1); }, true},
        {"default directional, second orientation", [] { return DefaultDirectional(D2); }, true},
        {"D1 with 0.00009 added", [] { return DefaultDirectional(WithEntry(D1, 1, 1, 0.00009f)); },
         true},
        {"D1 with 0.0001 added", [] { return DefaultDirectional(WithEntry(D1, 1, 1, 0.0001f)); },
         false},
        {"moved by 0.00001",
         [] {
             EnPointer<EnLight> sp = DefaultDirectional(D1);
             sp->SetLocalTranslate(EnVector3(0.0f, 0.0f, 0.00001f));
             return sp;
         },
         false},
        {"scaled",
         [] {
             EnPointer<EnLight> sp = DefaultDirectional(D2);
             sp->SetLocalScale(1.5f);
             return sp;
         },
         false},
        {"a grey ambient part",
         [] {
             EnPointer<EnLight> sp = DefaultDirectional(D1);
             sp->SetAmbientColor(EnColorRGB(0.1f, 0.1f, 0.1f));
             return sp;
         },
         false},
        {"a dim diffuse part",
         [] {
             EnPointer<EnLight> sp = DefaultDirectional(D1);
             sp->SetDiffuseColor(EnColorRGB(1.0f, 1.0f, 0.9f));
             return sp;
         },
         false},
        {"default ambient", [] { return DefaultAmbient(); }, true},
        {"ambient a bit brighter",
         [] {
             EnPointer<EnLight> sp = DefaultAmbient();
             sp->SetAmbientColor(EnColorRGB(0.04314f, 0.04315f, 0.04314f));
             return sp;
         },
         false},
        {"ambient turned a little",
         [] {
             EnPointer<EnLight> sp = DefaultAmbient();
             sp->SetLocalRotate(WithEntry(EnMatrix3::IDENTITY, 1, 0, 0.00001f));
             return sp;
         },
         false},
        {"ambient with a white diffuse part",
         [] {
             EnPointer<EnLight> sp = DefaultAmbient();
             sp->SetDiffuseColor(EnColorRGB::WHITE);
             return sp;
         },
         false},
        {"a point light at the origin", [] { return Named<EnPointLight>(nullptr); }, false},
    };
    for (const LightCase& c : kCases) {
        for (bool bRemoveDefaults : {true, false}) {
            ExportedScene kScene;
            EnPointer<EnLight> spLight = c.fnMake();
            kScene.spRoot->AddChild(spLight);
            EXPECT_EQ(OptimizeSceneGraph(kScene.spRoot, true, true, true, bRemoveDefaults),
                      kScene.spWork.Get());
            if (c.bRemoved && bRemoveDefaults) {
                EXPECT_EQ(spLight->GetParent(), nullptr) << c.pcWhat;
                EXPECT_EQ(kScene.spRoot->GetChildCount(), 1u) << c.pcWhat;
            } else {
                // Whatever is not removed moves down to the working node.
                EXPECT_EQ(spLight->GetParent(), kScene.spWork.Get())
                    << c.pcWhat << (bRemoveDefaults ? "" : ", nothing removed");
            }
        }
    }
}

TEST(SgOptimize, LightsMoveToTheWorkingNodeAndLightItInsteadOfTheLevelsAbove) {
    ExportedScene kScene;
    EnPointer<EnNode> spDeep = new EnNode;
    EnPointer<EnNode> spSide = new EnNode;
    EnPointer<EnAVObject> spOwn = new EnNode;
    kScene.spWork->AddChild(spOwn);
    kScene.spWork->AddChild(spDeep);
    EnPointer<EnLight> spRootFirst = Named<EnPointLight>("r1");
    EnPointer<EnLight> spRootSecond = Named<EnAmbientLight>("r2");
    EnPointer<EnLight> spParentLight = Named<EnSpotLight>("n1");
    EnPointer<EnLight> spDeepLight = Named<EnPointLight>("deep");
    EnPointer<EnLight> spSideLight = Named<EnPointLight>("side");
    kScene.spRoot->AddChild(spRootFirst);
    kScene.spRoot->AddChild(spSide);
    kScene.spRoot->AddChild(spRootSecond);
    kScene.spRoot->AddChild(kScene.spParent);  // N stays the last node child of R
    kScene.spParent->AddChild(spParentLight);
    spDeep->AddChild(spDeepLight);
    spSide->AddChild(spSideLight);
    spRootFirst->AttachAffectedNode(kScene.spRoot);
    spRootSecond->AttachAffectedNode(spSide);
    spParentLight->AttachAffectedNode(kScene.spParent);
    spParentLight->AttachAffectedNode(spDeep);
    spDeepLight->AttachAffectedNode(kScene.spRoot);
    spSideLight->AttachAffectedNode(kScene.spRoot);

    ASSERT_EQ(OptimizeSceneGraph(kScene.spRoot, true, true, true, true), kScene.spWork.Get());

    // Appended after G's own children: R's lights in child order, then N's.
    EXPECT_EQ(ChildrenOf(*kScene.spWork),
              (std::vector<EnAVObject*>{spOwn, spDeep, spRootFirst, spRootSecond, spParentLight}));
    EXPECT_EQ(ChildrenOf(*kScene.spRoot), (std::vector<EnAVObject*>{spSide, kScene.spParent}));

    EXPECT_TRUE(spRootFirst->AffectsNode(kScene.spWork));
    EXPECT_FALSE(spRootFirst->AffectsNode(kScene.spRoot));
    EXPECT_FALSE(kScene.spRoot->HasEffect(spRootFirst));
    EXPECT_TRUE(kScene.spWork->HasEffect(spRootFirst));
    EXPECT_TRUE(spParentLight->AffectsNode(kScene.spWork));
    EXPECT_FALSE(spParentLight->AffectsNode(kScene.spParent));
    EXPECT_TRUE(spParentLight->AffectsNode(spDeep));
    EXPECT_EQ(spRootSecond->GetAffectedNodeCount(), 1u);  // lit neither R nor N: unchanged
    EXPECT_TRUE(spRootSecond->AffectsNode(spSide));
    // Lights found deeper below G are retargeted too; lights outside G's subtree are not.
    EXPECT_TRUE(spDeepLight->AffectsNode(kScene.spWork));
    EXPECT_FALSE(spDeepLight->AffectsNode(kScene.spRoot));
    EXPECT_TRUE(spSideLight->AffectsNode(kScene.spRoot));
    EXPECT_FALSE(spSideLight->AffectsNode(kScene.spWork));
}

struct PropertyMoveCase {
    bool bKeepRootZBuffer, bKeepTextureMode, bKeepVertexColor;
};

TEST(SgOptimize, MovesTheChosenPropertiesDownToTheWorkingNode) {
    for (int iMask = 0; iMask < 8; iMask++) {
        const PropertyMoveCase c{(iMask & 1) != 0, (iMask & 2) != 0, (iMask & 4) != 0};
        ExportedScene kScene;
        EnPointer<EnProperty> spRootDepth = new EnZBufferProperty;
        EnPointer<EnProperty> spRootTextureMode = new EnTextureModeProperty;
        EnPointer<EnProperty> spParentDepth = new EnZBufferProperty;
        EnPointer<EnProperty> spTextureMode = new EnTextureModeProperty;
        EnPointer<EnProperty> spVertexColor = new EnVertexColorProperty;
        EnPointer<EnProperty> spWire = new EnWireframeProperty;
        kScene.spRoot->AttachProperty(spRootDepth);
        kScene.spRoot->AttachProperty(spRootTextureMode);
        kScene.spParent->AttachProperty(spParentDepth);
        kScene.spParent->AttachProperty(spTextureMode);
        kScene.spParent->AttachProperty(spVertexColor);
        kScene.spWork->AttachProperty(spWire);

        OptimizeSceneGraph(kScene.spRoot, c.bKeepRootZBuffer, c.bKeepTextureMode,
                           c.bKeepVertexColor, true);

        auto kHas = [](EnNode* pNode, EnProperty* pProperty) {
            return pNode->GetProperty(pProperty->GetPropertyType()).Get() == pProperty;
        };
        EXPECT_EQ(kHas(kScene.spRoot, spRootDepth), c.bKeepRootZBuffer) << iMask;
        EXPECT_EQ(kHas(kScene.spWork, spRootDepth), !c.bKeepRootZBuffer) << iMask;
        EXPECT_EQ(kHas(kScene.spParent, spTextureMode), c.bKeepTextureMode) << iMask;
        EXPECT_EQ(kHas(kScene.spWork, spTextureMode), !c.bKeepTextureMode) << iMask;
        EXPECT_EQ(kHas(kScene.spParent, spVertexColor), c.bKeepVertexColor) << iMask;
        EXPECT_EQ(kHas(kScene.spWork, spVertexColor), !c.bKeepVertexColor) << iMask;
        // Only those three, and each from its own level.
        EXPECT_TRUE(kHas(kScene.spRoot, spRootTextureMode)) << iMask;
        EXPECT_TRUE(kHas(kScene.spParent, spParentDepth)) << iMask;
        EXPECT_TRUE(kHas(kScene.spWork, spWire)) << iMask;
        const uint32_t uiMoved = !c.bKeepRootZBuffer + !c.bKeepTextureMode + !c.bKeepVertexColor;
        EXPECT_EQ(kScene.spWork->GetPropertyCount(), 1u + uiMoved) << iMask;
        EXPECT_EQ(kScene.spRoot->GetPropertyCount() + kScene.spParent->GetPropertyCount(),
                  5u - uiMoved)
            << iMask;
    }
}

TEST(SgOptimize, FindsTheWorkingNodeUnderAnEarlierNodeWhenTheLastHasNone) {
    EnPointer<EnNode> spRoot = new EnNode;
    EnPointer<EnNode> spFirst = new EnNode;
    EnPointer<EnNode> spLast = new EnNode;
    EnPointer<EnNode> spA = new EnNode;
    EnPointer<EnNode> spB = new EnNode;
    spRoot->AddChild(spFirst);
    spRoot->AddChild(spLast);
    spFirst->AddChild(spA);
    spFirst->AddChild(spB);
    EnPointer<EnLight> spLight = Named<EnPointLight>("lamp");
    spLast->AddChild(spLight);
    EXPECT_EQ(OptimizeSceneGraph(spRoot, true, true, true, true), spB.Get());
    EXPECT_EQ(spLight->GetParent(), spB.Get());

    // With node children of its own, the last node child holds the working node.
    EnPointer<EnNode> spC = new EnNode;
    spLast->AddChild(spC);
    EXPECT_EQ(OptimizeSceneGraph(spRoot, true, true, true, true), spC.Get());
}

TEST(SgOptimize, ASceneWithoutAWorkingParentOrNodeIsLeftAlone) {
    EXPECT_EQ(OptimizeSceneGraph(nullptr, false, false, false, true), nullptr);

    for (bool bWithParent : {false, true}) {
        EnPointer<EnNode> spRoot = new EnNode;
        EnPointer<EnLight> spDefault = Named<EnPointLight>("__MAX_Default_Light");
        EnPointer<EnProperty> spDepth = new EnZBufferProperty;
        spRoot->AddChild(spDefault);
        spRoot->AttachProperty(spDepth);
        EnPointer<EnNode> spParent = new EnNode;
        if (bWithParent) spRoot->AddChild(spParent);  // a working parent without node children
        EXPECT_EQ(OptimizeSceneGraph(spRoot, false, false, false, true), nullptr);
        EXPECT_EQ(spDefault->GetParent(), spRoot.Get());
        EXPECT_EQ(spRoot->GetProperty(EnProperty::ZBUFFER).Get(), spDepth.Get());
    }
}

// --- Sibling merge ---

namespace {

// A parent with the given node children, each holding one leaf of its own.
struct Siblings {
    EnPointer<EnNode> spParent = new EnNode;
    std::vector<EnPointer<EnNode>> kNodes;
    std::vector<EnPointer<EnNode>> kLeaves;

    explicit Siblings(std::vector<EnPointer<EnNode>> kChildren) : kNodes(std::move(kChildren)) {
        for (EnNode* pNode : kNodes) {
            spParent->AddChild(pNode);
            kLeaves.push_back(new EnNode);
            pNode->AddChild(kLeaves.back());
        }
    }
};

EnPointer<EnNode> NodeAt(float fX) {
    EnPointer<EnNode> spNode = new EnNode;
    spNode->SetLocalTranslate(EnVector3(fX, 1.0f, 2.0f));
    return spNode;
}

}  // namespace

TEST(SgOptimize, MergesEqualSiblingsIntoTheFirst) {
    Siblings kThree({NodeAt(1), NodeAt(1), NodeAt(1)});
    MergeSiblingNodes(kThree.spParent);
    EXPECT_EQ(ChildrenOf(*kThree.spParent), (std::vector<EnAVObject*>{kThree.kNodes[0]}));
    EXPECT_EQ(ChildrenOf(*kThree.kNodes[0]),
              (std::vector<EnAVObject*>{kThree.kLeaves[0], kThree.kLeaves[1], kThree.kLeaves[2]}));
    EXPECT_EQ(kThree.kNodes[1]->GetParent(), nullptr);
    EXPECT_EQ(kThree.kNodes[1]->GetChildCount(), 0u);

    // The merged-away node's slot stays, empty, when a later sibling follows it.
    EnPointer<EnNode> spOther = NodeAt(7);
    Siblings kTwo({NodeAt(1), NodeAt(1), spOther});
    MergeSiblingNodes(kTwo.spParent);
    EXPECT_EQ(kTwo.spParent->GetArrayCount(), 3u);
    EXPECT_EQ(kTwo.spParent->GetAt(1), nullptr);
    EXPECT_EQ(kTwo.spParent->GetAt(2), spOther.Get());
}

TEST(SgOptimize, MergesSubtreesFirst) {
    EnPointer<EnNode> spRoot = new EnNode;
    Siblings kInner({NodeAt(3), NodeAt(3)});
    spRoot->AddChild(kInner.spParent);
    MergeSiblingNodes(spRoot);
    EXPECT_EQ(kInner.spParent->GetChildCount(), 1u);
    EXPECT_EQ(kInner.kNodes[0]->GetChildCount(), 2u);
}

struct MergeCase {
    const char* pcWhat;
    std::function<void(EnNode& kA, EnNode& kB)> fnChange;
    bool bMerged;
};

TEST(SgOptimize, MergesOnlyPlainNodesThatAgreeInEverythingTheSceneShows) {
    EnPointer<EnLight> spLight = new EnPointLight;
    const MergeCase kCases[] = {
        {"equal", [](EnNode&, EnNode&) {}, true},
        {"equal properties in separate objects",
         [](EnNode& a, EnNode& b) {
             a.AttachProperty(new EnWireframeProperty);
             b.AttachProperty(new EnWireframeProperty);
         },
         true},
        {"unequal properties",
         [](EnNode& a, EnNode& b) {
             EnPointer<EnProperty> sp = new EnWireframeProperty;
             sp->SetFlags(1);
             a.AttachProperty(sp);
             b.AttachProperty(new EnWireframeProperty);
         },
         false},
        {"a property on one only",
         [](EnNode& a, EnNode&) { a.AttachProperty(new EnZBufferProperty); }, false},
        {"fiducial first",
         [](EnNode& a, EnNode&) { a.AddExtraData(new EnExtraData("fiducial", 9)); }, false},
        {"fiducial second, without terminator",
         [](EnNode&, EnNode& b) { b.AddExtraData(new EnExtraData("fiducial", 8)); }, false},
        {"fiducial behind other extra data",
         [](EnNode&, EnNode& b) {
             b.AddExtraData(new EnExtraData("fiducial", 9));
             b.AddExtraData(new EnExtraData("other", 6));
         },
         false},
        {"another text",
         [](EnNode& a, EnNode&) { a.AddExtraData(new EnExtraData("fiducials", 10)); }, true},
        {"the scale one step apart",
         [](EnNode&, EnNode& b) { b.SetLocalScale(std::nextafter(1.0f, 2.0f)); }, false},
        {"rotations apart",
         [](EnNode&, EnNode& b) {
             EnMatrix3 k;
             k.MakeXRotation(0.001f);
             b.SetLocalRotate(k);
         },
         false},
        {"translations apart",
         [](EnNode&, EnNode& b) { b.SetLocalTranslate(EnVector3(1.0f, 1.0f, 2.00001f)); }, false},
        {"equal names",
         [](EnNode& a, EnNode& b) {
             a.SetName("same");
             b.SetName("same");
         },
         true},
        {"different names",
         [](EnNode& a, EnNode& b) {
             a.SetName("left");
             b.SetName("right");
         },
         false},
        {"a name on one only", [](EnNode&, EnNode& b) { b.SetName("named"); }, false},
        {"one culled", [](EnNode& a, EnNode&) { a.SetAppCulled(true); }, false},
        {"both culled",
         [](EnNode& a, EnNode& b) {
             a.SetAppCulled(true);
             b.SetAppCulled(true);
         },
         true},
        {"a light on one only", [&](EnNode&, EnNode& b) { spLight->AttachAffectedNode(&b); },
         false},
        {"the same light on both",
         [&](EnNode& a, EnNode& b) {
             spLight->AttachAffectedNode(&a);
             spLight->AttachAffectedNode(&b);
         },
         true},
        {"animated",
         [](EnNode& a, EnNode&) {
             EnPointer<EnTimeController> sp = new MergeTestController;
             sp->SetTarget(&a);
         },
         false},
    };
    for (const MergeCase& c : kCases) {
        Siblings kPair({NodeAt(1), NodeAt(1)});
        c.fnChange(*kPair.kNodes[0], *kPair.kNodes[1]);
        MergeSiblingNodes(kPair.spParent);
        EXPECT_EQ(kPair.spParent->GetChildCount(), c.bMerged ? 1u : 2u) << c.pcWhat;
        EXPECT_EQ(kPair.kLeaves[1]->GetParent(),
                  c.bMerged ? kPair.kNodes[0].Get() : kPair.kNodes[1].Get())
            << c.pcWhat;
        spLight->DetachAllAffectedNodes();
    }
}

TEST(SgOptimize, NodeKindsAreNeverMerged) {
    for (int iSwitchAt = 0; iSwitchAt < 2; iSwitchAt++) {
        std::vector<EnPointer<EnNode>> kNodes = {NodeAt(1), NodeAt(1)};
        kNodes[iSwitchAt] = new EnSwitchNode;
        kNodes[iSwitchAt]->SetLocalTranslate(EnVector3(1.0f, 1.0f, 2.0f));
        Siblings kPair(kNodes);
        MergeSiblingNodes(kPair.spParent);
        EXPECT_EQ(kPair.spParent->GetChildCount(), 2u) << "switch node at " << iSwitchAt;
    }
}
