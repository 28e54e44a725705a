#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/EnPointer.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnSystem.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/render/EnClusterAccumulator.h"
#include "engine/render/EnRender.h"
#include "tests/support/RecordingRender.h"

namespace {

// Records which renderer heard a broadcast, in order.
class NamedRender : public RecordingRender {
public:
    NamedRender(std::vector<std::string>& kLog, std::string kName)
        : m_kLog(kLog), m_kName(std::move(kName)) {}
    void OnDynamicEffectDestroyed(EnDynamicEffect*) override {
        m_kLog.push_back(m_kName + ":effect");
    }
    void OnGeometryDataDestroyed(EnGeometryData*) override { m_kLog.push_back(m_kName + ":data"); }

private:
    std::vector<std::string>& m_kLog;
    std::string m_kName;
};

TEST(EnRender, BaseBodiesAnswerTheirDefaults) {
    EnPointer<RecordingRender> spRenderer = new RecordingRender;
    EnRender& kBase = *spRenderer;
    EXPECT_EQ(kBase.EnRender::QueryUnsupportedFeatures(nullptr, nullptr), 0x800000u);
    EXPECT_EQ(kBase.EnRender::GetMaxFogValue(), 1.0f);
    uint32_t a = 7, b = 7, c = 7, d = 7;
    EXPECT_FALSE(kBase.EnRender::GetTextureMemory(a, b));
    EXPECT_FALSE(kBase.EnRender::GetTextureStatistics(a, b, 0, c, d));
    EXPECT_EQ(kBase.EnRender::GetTextureManagerValue(), 0u);
    EXPECT_TRUE(kBase.EnRender::PrepareImageSurface(nullptr));
    EXPECT_TRUE(kBase.EnRender::OnImageCreated(nullptr));
    EXPECT_EQ(kBase.EnRender::OpenScene(nullptr), 0u);
    EXPECT_TRUE(spRenderer->IsKindOf(&EnRender::ms_RTTI));
    EXPECT_STREQ(EnRender::ms_RTTI.GetName(), "EnRender");
}

TEST(EnRender, IsRegisteredWithoutAStreamFactoryOfItsOwn) {
    EnCreateFunction pfnCreate = EnStream::FindLoader("EnRender");
    ASSERT_NE(pfnCreate, nullptr);
    EXPECT_EQ(pfnCreate, static_cast<EnCreateFunction>(&DoNothing));
    EXPECT_EQ(EnRender::RegisterLoader(), 0);  // once only
}

TEST(EnRender, BroadcastsReachEveryLiveRendererInOrderOfConstruction) {
    std::vector<std::string> kLog;
    const uint32_t uiBefore = EnRender::GetLiveRendererCount();
    EnPointer<NamedRender> spFirst = new NamedRender(kLog, "first");
    {
        EnPointer<NamedRender> spSecond = new NamedRender(kLog, "second");
        EXPECT_EQ(EnRender::GetLiveRendererCount(), uiBefore + 2);
        EnRender::BroadcastEffectDestroyed(nullptr);
        EnRender::BroadcastDataDestroyed(nullptr);
        EXPECT_EQ(kLog, (std::vector<std::string>{"first:effect", "second:effect", "first:data",
                                                  "second:data"}));
    }
    // The destroyed renderer left the list; the other stays.
    kLog.clear();
    EXPECT_EQ(EnRender::GetLiveRendererCount(), uiBefore + 1);
    EnRender::BroadcastDataDestroyed(nullptr);
    EXPECT_EQ(kLog, std::vector<std::string>{"first:data"});
}

TEST(EnRender, WithoutAnAccumulatorEveryDrawHappensAtOnce) {
    EnPointer<RecordingRender> spRenderer = new RecordingRender;
    EXPECT_EQ(spRenderer->GetAccumulator(), nullptr);
    EXPECT_FALSE(spRenderer->DrawViaAccumulator(nullptr));
}

TEST(EnRender, HoldsOneReferenceToEachStateAndReleasesItOnReplacement) {
    EnPointer<RecordingRender> spRenderer = new RecordingRender;
    EnPointer<EnPropertyState> spState = new EnPropertyState;
    EnPointer<EnClusterAccumulator> spAccumulator = new EnClusterAccumulator;
    spRenderer->SetPropertyState(spState);
    spRenderer->SetAccumulator(spAccumulator);
    EXPECT_EQ(spState->GetRefCount(), 2);
    EXPECT_EQ(spAccumulator->GetRefCount(), 2);
    spRenderer->SetPropertyState(nullptr);
    spRenderer->SetAccumulator(nullptr);
    EXPECT_EQ(spState->GetRefCount(), 1);
    EXPECT_EQ(spAccumulator->GetRefCount(), 1);

    spRenderer->SetAccumulator(spAccumulator);
    spRenderer = nullptr;  // the renderer's destructor lets go of what it held
    EXPECT_EQ(spAccumulator->GetRefCount(), 1);
}

TEST(EnRender, ViewerStringsEndWithTheClassName) {
    EnPointer<RecordingRender> spRenderer = new RecordingRender;
    EnTArray<char*> kStrings(4, 4);
    spRenderer->AppendMemberStrings(kStrings);
    ASSERT_GT(kStrings.GetSize(), 0u);
    EXPECT_NE(std::string(kStrings.GetAt(kStrings.GetSize() - 1)).find("EnRender"),
              std::string::npos);
    EnFreeViewerStrings(kStrings);
}

}  // namespace
