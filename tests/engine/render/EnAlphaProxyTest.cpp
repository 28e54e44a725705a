#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/EnAlphaProperty.h"
#include "engine/core/EnCamera.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/core/EnZBufferProperty.h"
#include "engine/render/EnAlphaProxy.h"
#include "tests/engine/render/AlphaSorterTestHelpers.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/TempDir.h"

namespace {

using namespace alpha_test;

// A shape placed under a moved, turned and scaled node, with two properties of its own.
struct PlacedShape {
    EnPointer<EnNode> spParent = new EnNode;
    EnPointer<EnTriShape> spShape = MakeQuadAtX(0.0f, 2.0f);
    EnPointer<EnAlphaProperty> spAlpha = new EnAlphaProperty;
    EnPointer<EnZBufferProperty> spZ = new EnZBufferProperty;

    PlacedShape() {
        EnMatrix3 kTurn;
        kTurn.MakeYRotation(0.4f);
        spParent->SetLocalTranslate(EnVector3(10.0f, 0.0f, 0.0f));
        spParent->SetLocalScale(2.0f);
        spShape->SetLocalRotate(kTurn);
        spShape->SetLocalTranslate(EnVector3(1.0f, 2.0f, 3.0f));
        spShape->SetLocalScale(1.5f);
        spShape->AttachProperty(spAlpha);
        spShape->AttachProperty(spZ);
        spParent->AddChild(spShape);
        spParent->Update(0.0f);
    }
};

TEST(EnAlphaProxy, TakesTheShapesPlaceBoundsAndProperties) {
    PlacedShape kPlaced;
    EnPointer<EnAlphaProxy> spProxy = new EnAlphaProxy(kPlaced.spShape);
    const EnTriShape& kShape = *kPlaced.spShape;
    EXPECT_EQ(spProxy->GetLocalTranslate(), kShape.GetLocalTranslate());
    EXPECT_EQ(spProxy->GetLocalRotate(), kShape.GetLocalRotate());
    EXPECT_EQ(spProxy->GetLocalScale(), kShape.GetLocalScale());
    EXPECT_EQ(spProxy->GetWorldTranslate(), kShape.GetWorldTranslate());
    EXPECT_EQ(spProxy->GetWorldRotate(), kShape.GetWorldRotate());
    EXPECT_EQ(spProxy->GetWorldScale(), kShape.GetWorldScale());
    EXPECT_EQ(spProxy->GetWorldBound(), kShape.GetWorldBound());
    EXPECT_EQ(spProxy->GetModelBound(), kShape.GetGeometryData()->GetBound());
    EXPECT_EQ(spProxy->GetGeometryData(), nullptr);
    EXPECT_FALSE(spProxy->IsDrawn());
    for (int i = 0; i < 4; i++) EXPECT_EQ(spProxy->GetPlaneMask()[i], 0u);

    // The same property objects, in the same order.
    std::vector<EnProperty*> kShapeList;
    std::vector<EnProperty*> kProxyList;
    for (EnTListIterator pos = kShape.GetPropertyList().GetHeadPos(); pos;)
        kShapeList.push_back(kShape.GetPropertyList().GetNext(pos));
    for (EnTListIterator pos = spProxy->GetPropertyList().GetHeadPos(); pos;)
        kProxyList.push_back(spProxy->GetPropertyList().GetNext(pos));
    EXPECT_EQ(kProxyList, kShapeList);
    EXPECT_EQ(kPlaced.spZ->GetRefCount(), 3);  // the test, the shape, the proxy

    // Clones share the proxy.
    EXPECT_EQ(spProxy->CloneObject(), spProxy.Get());
}

TEST(EnAlphaProxy, ItsWorldBoundFollowsItsWorldTransform) {
    PlacedShape kPlaced;
    EnPointer<EnAlphaProxy> spProxy = new EnAlphaProxy(kPlaced.spShape);
    kPlaced.spParent->ReplaceChildAt(0, spProxy);
    kPlaced.spParent->SetLocalTranslate(EnVector3(-5.0f, 7.0f, 1.0f));
    kPlaced.spParent->Update(0.0f);
    // Where the shape would be, moved with the parent.
    EnPointer<EnNode> spReference = new EnNode;
    spReference->SetLocalTranslate(EnVector3(-5.0f, 7.0f, 1.0f));
    spReference->SetLocalScale(2.0f);
    spReference->AddChild(kPlaced.spShape);
    spReference->Update(0.0f);
    const EnBoundSphere& kBound = spProxy->GetWorldBound();
    const EnBoundSphere& kWant = kPlaced.spShape->GetWorldBound();
    EXPECT_NEAR((kBound.m_center - kWant.m_center).Length(), 0.0, 1e-5);
    EXPECT_NEAR(kBound.m_fRadius, kWant.m_fRadius, 1e-5);
    EXPECT_EQ(spProxy->GetWorldTranslate(), kPlaced.spShape->GetWorldTranslate());
    // The parent's bound is made of the proxy's.
    EXPECT_EQ(kPlaced.spParent->GetWorldBound(), kBound);
}

TEST(EnAlphaProxy, DrawingOnlyRecordsVisibilityAndTheActivePlanes) {
    EnPointer<RecordingRender> spRenderer = new RecordingRender;
    EnPointer<EnCamera> spCamera = new EnCamera;
    spCamera->SetViewFrustum({-0.5f, 0.5f, 0.5f, -0.5f, 1.0f, 100.0f});
    spCamera->SetRenderer(spRenderer);
    spCamera->Update(0.0f);
    EnPointer<EnNode> spRoot = new EnNode;
    spRoot->AttachProperty(new EnAlphaProperty);

    struct Case {
        const char* name;
        EnVector3 at;
        bool drawn;
        uint32_t masked;  // frustum planes recorded as not needed
    };
    const Case cases[] = {
        {"inside", {20.0f, 0.0f, 0.0f}, true, 0x3F},
        {"across the left edge", {10.0f, 0.0f, -5.0f}, true, 0x3F & ~(1u << EnCamera::LEFT_PLANE)},
        {"behind the eye", {-10.0f, 0.0f, 0.0f}, false, 0},
        {"beyond the far plane", {150.0f, 0.0f, 0.0f}, false, 0},
    };
    std::vector<EnPointer<EnAlphaProxy>> kProxies;
    for (const Case& c : cases) {
        EnPointer<EnTriShape> spShape = MakeQuadAtX(0.0f, 1.0f);
        spShape->SetLocalTranslate(c.at);
        spRoot->AddChild(spShape);
        spRoot->Update(0.0f);
        kProxies.push_back(new EnAlphaProxy(spShape));
        spRoot->ReplaceChildAt(spRoot->GetArrayCount() - 1, kProxies.back());
    }
    spRoot->Update(0.0f);
    spRoot->UpdateProperties();
    spRoot->UpdateEffects();
    spCamera->SetScene(spRoot);

    EnPointer<EnPropertyState> spState = new EnPropertyState;
    spRenderer->SetPropertyState(spState);
    spCamera->RenderFrame();
    // Nothing but the frame's own calls reached the renderer, and its state was not touched.
    EXPECT_EQ(spRenderer->Names(),
              (std::vector<std::string>{"SetViewFromCamera", "OpenScene", "CloseScene"}));
    EXPECT_EQ(spRenderer->GetPropertyState(), spState.Get());
    for (size_t i = 0; i < std::size(cases); i++) {
        const Case& c = cases[i];
        EXPECT_EQ(kProxies[i]->IsDrawn(), c.drawn) << c.name;
        EXPECT_EQ(kProxies[i]->GetPlaneMask()[0] & 0x3F, c.masked) << c.name;
        kProxies[i]->ClearDrawn();
        EXPECT_FALSE(kProxies[i]->IsDrawn());
    }
}

TEST(EnAlphaProxy, SavesItsModelBoundAndLoadsUndrawn) {
    // Scene files of the game hold no proxies: only a program that asks may read them.
    ASSERT_EQ(EnStream::FindLoader("EnAlphaProxy"), nullptr);
    EXPECT_EQ(EnAlphaProxy::RegisterLoader(), 1);
    EXPECT_EQ(EnAlphaProxy::RegisterLoader(), 0);

    PlacedShape kPlaced;
    EnPointer<EnAlphaProxy> spProxy = new EnAlphaProxy(kPlaced.spShape);
    spProxy->SetName("glass");
    spProxy->Draw(nullptr);
    ASSERT_TRUE(spProxy->IsDrawn());

    TempDir kDir;
    const std::string kPath = kDir.File("proxy.enf");
    {
        EnStream kStream;
        kStream.InsertObject(spProxy);
        ASSERT_TRUE(kStream.Save(kPath.c_str()));
    }
    EnStream kStream;
    ASSERT_TRUE(kStream.Load(kPath.c_str())) << EnStream::GetLastErrorText();
    ASSERT_EQ(kStream.GetObjectCount(), 1u);
    auto* pLoaded = EnDynamicCast(EnAlphaProxy, kStream.GetObjectAt(0));
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_EQ(pLoaded->GetModelBound(), spProxy->GetModelBound());
    EXPECT_EQ(pLoaded->GetLocalTranslate(), spProxy->GetLocalTranslate());
    EXPECT_STREQ(pLoaded->GetName(), "glass");
    EXPECT_FALSE(pLoaded->IsDrawn());
    EXPECT_TRUE(pLoaded->EqualsObject(spProxy));
    EnPointer<EnAlphaProxy> spOther = new EnAlphaProxy(kPlaced.spShape);
    spOther->SetName("glass");
    spOther->SetModelBound(EnBoundSphere(EnVector3(1.0f, 2.0f, 3.0f), 4.0f));
    EXPECT_FALSE(pLoaded->EqualsObject(spOther));

    EnTArray<char*> kStrings;
    spProxy->AppendMemberStrings(kStrings);
    bool bTitle = false;
    bool bBound = false;
    for (uint32_t i = 0; i < kStrings.GetSize(); i++) {
        const std::string kLine = kStrings.GetAt(i) ? kStrings.GetAt(i) : "";
        bTitle |= kLine.find("EnAlphaProxy") != std::string::npos;
        bBound |= kLine.rfind("m_modelBound", 0) == 0;
    }
    EnFreeViewerStrings(kStrings);
    EXPECT_TRUE(bTitle);
    EXPECT_TRUE(bBound);
}

}  // namespace
