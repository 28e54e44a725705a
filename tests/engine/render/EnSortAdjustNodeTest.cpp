#include "engine/core/EnSortAdjustNode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/EnCamera.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnStream.h"
#include "engine/render/EnClusterAccumulator.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/TempDir.h"

namespace {

// An accumulator that answers BeginCollect as told and logs the protocol.
class LoggingAccumulator : public EnAccumulator {
public:
    explicit LoggingAccumulator(std::vector<std::string>& kLog, bool bAccept = true)
        : m_kLog(kLog), m_bAccept(bAccept) {}
    bool BeginCollect(EnCamera* pCamera) override {
        m_kLog.push_back(m_bAccept ? "begin" : "refuse");
        return m_bAccept && EnAccumulator::BeginCollect(pCamera);
    }
    void EndCollect() override {
        m_kLog.push_back("end");
        EnAccumulator::EndCollect();
    }
    bool CollectObject(EnGeometry*) override { return true; }

private:
    std::vector<std::string>& m_kLog;
    bool m_bAccept;
};

// A child that notes which accumulator its renderer offered draws to while it was drawn.
class AccumulatorProbe : public EnAVObject {
public:
    void Draw(EnCamera* pCamera) override {
        m_kSeen.push_back(pCamera->GetRenderer()->GetAccumulator());
    }
    std::vector<EnAccumulator*> m_kSeen;
};

struct Scene {
    EnPointer<RecordingRender> spRenderer = new RecordingRender;
    EnPointer<EnCamera> spCamera = new EnCamera;
    EnPointer<EnSortAdjustNode> spNode = new EnSortAdjustNode;
    AccumulatorProbe* pProbe = new AccumulatorProbe;

    Scene() {
        spCamera->SetRenderer(spRenderer);
        spNode->AddChild(pProbe);
        spNode->Update(0.0f);
        pProbe->SetWorldBound(EnBoundSphere({1.5f, 0.0f, 0.0f}, 0.1f));  // inside the frustum
    }
};

std::string ReadFile(const std::string& kPath) {
    std::ifstream kFile(kPath, std::ios::binary);
    std::ostringstream kText;
    kText << kFile.rdbuf();
    return kText.str();
}

}  // namespace

TEST(EnSortAdjustNode, EachModeDrawsWithItsAccumulatorAndPutsTheRenderersBack) {
    std::vector<std::string> kLog;
    EnPointer<LoggingAccumulator> spCurrent = new LoggingAccumulator(kLog);
    EnPointer<LoggingAccumulator> spOwn = new LoggingAccumulator(kLog);
    EnPointer<LoggingAccumulator> spRefusing = new LoggingAccumulator(kLog, false);

    struct Case {
        EnSortAdjustNode::SortingMode mode;
        EnAccumulator* own;
        EnAccumulator* seen;
        std::vector<std::string> log;
        const char* what;
    };
    const Case cases[] = {
        {EnSortAdjustNode::SORTING_INHERIT, spOwn, spCurrent, {}, "inherit: the renderer's"},
        {EnSortAdjustNode::SORTING_OFF, spOwn, nullptr, {}, "off: drawn at once"},
        {EnSortAdjustNode::SORTING_SUBSORT, spOwn, spOwn, {"begin", "end"}, "own accumulator"},
        {EnSortAdjustNode::SORTING_SUBSORT, spRefusing, nullptr, {"refuse"}, "own one refuses"},
        {EnSortAdjustNode::SORTING_SUBSORT, nullptr, nullptr, {}, "no own accumulator"},
        {EnSortAdjustNode::SortingMode(7), spOwn, spCurrent, {}, "another value: inherit"},
    };
    for (const Case& c : cases) {
        Scene kScene;
        kScene.spRenderer->SetAccumulator(spCurrent);
        const int32_t iCurrentRefs = spCurrent->GetRefCount();
        kScene.spNode->SetSortingMode(c.mode);
        kScene.spNode->SetAccumulator(c.own);
        kLog.clear();
        kScene.spNode->Draw(kScene.spCamera);
        EXPECT_EQ(kScene.pProbe->m_kSeen, std::vector<EnAccumulator*>{c.seen}) << c.what;
        EXPECT_EQ(kLog, c.log) << c.what;
        EXPECT_EQ(kScene.spRenderer->GetAccumulator(), spCurrent.Get()) << c.what;
        EXPECT_EQ(spCurrent->GetRefCount(), iCurrentRefs) << c.what;
    }

    // A renderer without an accumulator gets none back either.
    Scene kScene;
    kScene.spNode->SetSortingMode(EnSortAdjustNode::SORTING_SUBSORT);
    kScene.spNode->SetAccumulator(spOwn);
    kScene.spNode->Draw(kScene.spCamera);
    EXPECT_EQ(kScene.spRenderer->GetAccumulator(), nullptr);
}

TEST(EnSortAdjustNode, AccumulatorTravelsWithTheNodeAndIsClonedWithIt) {
    TempDir kDir;
    EnPointer<EnSortAdjustNode> spNode = new EnSortAdjustNode;
    spNode->SetSortingMode(EnSortAdjustNode::SORTING_SUBSORT);
    EnPointer<EnClusterAccumulator> spAccumulator = new EnClusterAccumulator;
    spNode->SetAccumulator(spAccumulator);

    EnPointer<EnSortAdjustNode> spClone = EnDynamicCast(EnSortAdjustNode, spNode->MakeClone());
    ASSERT_TRUE(spClone);
    EXPECT_NE(spClone->GetAccumulator(), spAccumulator.Get());
    EXPECT_TRUE(EnIsExactKindOf(EnClusterAccumulator, spClone->GetAccumulator()));
    EXPECT_TRUE(spClone->EqualsObject(spNode));

    EnStream kSave;
    kSave.InsertObject(spNode);
    ASSERT_TRUE(kSave.Save(kDir.File("a.enf").c_str()));
    EnStream kLoad;
    ASSERT_TRUE(kLoad.Load(kDir.File("a.enf").c_str()));
    auto* pLoaded = EnDynamicCast(EnSortAdjustNode, kLoad.GetObjectAt(0));
    ASSERT_TRUE(pLoaded);
    EXPECT_TRUE(EnIsExactKindOf(EnClusterAccumulator, pLoaded->GetAccumulator()));
    EXPECT_TRUE(pLoaded->EqualsObject(spNode));
    EnStream kAgain;
    kAgain.InsertObject(pLoaded);
    ASSERT_TRUE(kAgain.Save(kDir.File("b.enf").c_str()));
    EXPECT_TRUE(ReadFile(kDir.File("a.enf")) == ReadFile(kDir.File("b.enf")));

    spNode->SetAccumulator(nullptr);
    EXPECT_FALSE(pLoaded->EqualsObject(spNode));
}

TEST(EnSortAdjustNode, AnAccumulatorLinkToAnotherClassIsRefused) {
    TempDir kDir;
    // A sort-adjust node whose accumulator link names a plain node (itself).
    std::string kBytes = "Ensemblage File Format, Version 3.1\n" + std::string(47, 'v') + "\n" +
                         std::string(23, 'r') + "\nAll Rights Reserved\n";
    auto U32 = [&](uint32_t v) {
        for (int i = 0; i < 4; i++) kBytes.push_back(char((v >> (8 * i)) & 0xFF));
    };
    auto Text = [&](const std::string& k) {
        U32(uint32_t(k.size()));
        kBytes += k;
    };
    auto F32 = [&](float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        U32(u);
    };
    Text("Top Level Object");
    Text("EnSortAdjustNode");
    U32(1);                          // link ID
    U32(0), U32(0), U32(0);          // name, extra data, controller
    kBytes += std::string(2, '\0');  // flags
    for (int i = 0; i < 3; i++) F32(0);
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) F32(r == c ? 1.0f : 0.0f);
    F32(1);
    for (int i = 0; i < 3; i++) F32(0);
    U32(0), U32(0);  // properties, volume
    U32(0), U32(0);  // children, effects
    U32(2), U32(1);  // mode, accumulator link: the node itself
    Text("End Of File");

    std::ofstream(kDir.File("bad.enf"), std::ios::binary) << kBytes;
    EnStream kStream;
    EXPECT_FALSE(kStream.Load(kDir.File("bad.enf").c_str()));
    EXPECT_EQ(EnStream::GetLastErrorCode(), EnStream::ERROR_BAD_RECORD);
}
