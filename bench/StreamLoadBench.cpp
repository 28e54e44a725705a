// Loading a large generated scene file: 200 groups of 50 triangle shapes, each with its own
// 64-vertex data object, named nodes and a material, about 10 MB on disk.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/core/EnMaterialProperty.h"
#include "engine/core/EnNode.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnStream.h"
#include "engine/geometry/EnTriShape.h"
#include "engine/geometry/EnTriShapeData.h"

namespace {

constexpr int kGroups = 200;
constexpr int kShapesPerGroup = 50;
constexpr uint16_t kVertices = 64;
constexpr uint16_t kTriangles = 62;

struct SceneFile {
    std::string m_kPath;
    uint32_t m_uiObjects = 0;
    long m_lBytes = 0;

    SceneFile() {
        char acName[] = "/tmp/corvane-bench-XXXXXX";
        int fd = mkstemp(acName);
        if (fd >= 0) close(fd);
        m_kPath = std::string(acName) + ".enf";
        std::remove(acName);

        EnPointer<EnNode> spRoot = new EnNode;
        spRoot->SetName("root");
        EnPointer<EnMaterialProperty> spMaterial = new EnMaterialProperty;
        m_uiObjects = 2;
        for (int g = 0; g < kGroups; g++) {
            EnPointer<EnNode> spGroup = new EnNode;
            spGroup->SetName("group");
            spGroup->SetLocalTranslate(EnVector3(float(g), 0.0f, 0.0f));
            ++m_uiObjects;
            for (int s = 0; s < kShapesPerGroup; s++) {
                EnVector3* pVertex = new EnVector3[kVertices];
                EnVector3* pNormal = new EnVector3[kVertices];
                for (uint16_t v = 0; v < kVertices; v++) {
                    pVertex[v] = EnVector3(float(v % 8), float(v / 8), float(s));
                    pNormal[v] = EnVector3(0.0f, 0.0f, 1.0f);
                }
                uint16_t* pIndex = new uint16_t[kTriangles * 3];
                for (uint16_t t = 0; t < kTriangles; t++) {
                    pIndex[t * 3] = t;
                    pIndex[t * 3 + 1] = uint16_t(t + 1);
                    pIndex[t * 3 + 2] = uint16_t(t + 2);
                }
                EnPointer<EnTriShapeData> spData = new EnTriShapeData(
                    kVertices, pVertex, pNormal, nullptr, nullptr, kTriangles, pIndex);
                EnPointer<EnTriShape> spShape = new EnTriShape(spData);
                spShape->AttachProperty(spMaterial);
                spGroup->AddChild(spShape);
                m_uiObjects += 2;
            }
            spRoot->AddChild(spGroup);
        }
        EnStream kStream;
        kStream.InsertObject(spRoot);
        if (!kStream.Save(m_kPath.c_str())) return;
        if (FILE* f = std::fopen(m_kPath.c_str(), "rb")) {
            std::fseek(f, 0, SEEK_END);
            m_lBytes = std::ftell(f);
            std::fclose(f);
        }
    }
    ~SceneFile() { std::remove(m_kPath.c_str()); }
};

void BM_LoadSceneFile(benchmark::State& state) {
    static SceneFile kFile;
    if (kFile.m_lBytes == 0) {
        state.SkipWithError("the scene file could not be written");
        return;
    }
    for (auto _ : state) {
        EnStream kStream;
        bool bLoaded = kStream.Load(kFile.m_kPath.c_str());
        benchmark::DoNotOptimize(bLoaded);
        if (!bLoaded) {
            state.SkipWithError(EnStream::GetLastErrorText());
            return;
        }
    }
    state.counters["objects/s"] = benchmark::Counter(
        double(kFile.m_uiObjects), benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * kFile.m_lBytes);
}
BENCHMARK(BM_LoadSceneFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
