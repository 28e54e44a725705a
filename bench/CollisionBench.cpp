// Collision queries between two wavy meshes of 5,000 triangles each (50 x 50 quads, 10 x 10
// units) through their oriented-box trees: the yes/no test and the search that reports every
// triangle contact of a step. The meshes either overlap at one corner (a 2 x 2 patch, as when
// a car meets a barrier) or lie over each other entirely, crossing along curves everywhere (the
// worst case of a box tree: two near-parallel surfaces). Each runs with the objects still and
// with one object moved every query (world vertices and boxes then follow it). Last, the build
// of one tree.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/core/EnCollisionQuery.h"
#include "engine/core/EnPointer.h"
#include "engine/geometry/EnOBBRoot.h"
#include "engine/geometry/EnTriShape.h"

namespace {

constexpr int kCells = 50;  // quads along each side: 2 x 50 x 50 = 5,000 triangles

EnPointer<EnTriShape> MakeWavyGrid(float fPhase) {
    const int iSide = kCells + 1;
    auto* pVertex = new EnVector3[iSide * iSide];
    for (int j = 0; j < iSide; j++)
        for (int i = 0; i < iSide; i++) {
            const float x = 0.2f * float(i), y = 0.2f * float(j);
            pVertex[j * iSide + i] =
                EnVector3(x, y, 0.3f * std::sin(1.3f * x + fPhase) * std::cos(0.9f * y));
        }
    auto* pIndex = new uint16_t[kCells * kCells * 6];
    int k = 0;
    for (int j = 0; j < kCells; j++)
        for (int i = 0; i < kCells; i++) {
            const uint16_t a = uint16_t(j * iSide + i), b = uint16_t(a + 1),
                           c = uint16_t(a + iSide), d = uint16_t(c + 1);
            const uint16_t q[6] = {a, b, d, a, d, c};
            for (uint16_t v : q) pIndex[k++] = v;
        }
    return new EnTriShape(uint16_t(iSide * iSide), pVertex, nullptr, nullptr, nullptr,
                          uint16_t(kCells * kCells * 2), pIndex);
}

int32_t CountContact(EnCollisionRecord& kRecord) {
    ++*static_cast<int64_t*>(kRecord.m_pTopA->GetCollisionCallbackData());
    return 0;
}

struct Meshes {
    EnPointer<EnTriShape> spA = MakeWavyGrid(0.0f);
    EnPointer<EnTriShape> spB = MakeWavyGrid(1.7f);
    int64_t iContacts = 0;

    EnVector3 kPlace;

    explicit Meshes(bool bEverywhere)
        : kPlace(bEverywhere ? EnVector3(2.0f, -1.0f, 0.05f) : EnVector3(8.0f, 8.0f, 0.05f)) {
        EnMatrix3 kTurn;
        kTurn.MakeZRotation(bEverywhere ? -0.4f : 0.0f);
        spB->SetLocalRotate(kTurn);
        spB->SetLocalTranslate(kPlace);
        spB->SetLocalVelocity(EnVector3(0.0f, 0.0f, -0.5f));
        spA->Update(0.0f);
        spB->Update(0.0f);
        spA->SetCollisionCallback(&CountContact, &iContacts);
    }

    // Moves B between two nearby places, so that every query sees a changed transform.
    void Step(int64_t iQuery) {
        spB->SetLocalTranslate(kPlace + EnVector3(0.01f * float(iQuery & 1), 0.0f, 0.0f));
        spB->Update(0.0f);
    }
};

EnCollisionQuery Side(EnAVObject* pObject) {
    EnCollisionQuery kQuery;
    kQuery.m_pTop = pObject;
    kQuery.m_pObject = pObject;
    kQuery.m_iTreeArgument = -1;  // down to the triangles
    kQuery.m_iMarker = 1;         // one triangle per leaf
    return kQuery;
}

void BM_TreeTestCollision(benchmark::State& state) {
    Meshes kMeshes(state.range(0) != 0);
    const bool bMoving = state.range(1) != 0;
    int64_t iQuery = 0, iHits = 0;
    for (auto _ : state) {
        if (bMoving) kMeshes.Step(iQuery);
        iHits += kMeshes.spA->TestCollision(0.05f, Side(kMeshes.spA), Side(kMeshes.spB));
        iQuery++;
    }
    state.SetItemsProcessed(iQuery);
    state.counters["queries/s"] = benchmark::Counter(double(iQuery), benchmark::Counter::kIsRate);
    state.counters["hit"] = double(iHits) / double(iQuery ? iQuery : 1);
}
BENCHMARK(BM_TreeTestCollision)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"everywhere", "moving"});

void BM_TreeFindCollisions(benchmark::State& state) {
    Meshes kMeshes(state.range(0) != 0);
    const bool bMoving = state.range(1) != 0;
    int64_t iQuery = 0;
    for (auto _ : state) {
        if (bMoving) kMeshes.Step(iQuery);
        kMeshes.spA->FindCollisions(0.05f, Side(kMeshes.spA), Side(kMeshes.spB));
        iQuery++;
    }
    state.SetItemsProcessed(iQuery);
    state.counters["queries/s"] = benchmark::Counter(double(iQuery), benchmark::Counter::kIsRate);
    state.counters["contacts"] = double(kMeshes.iContacts) / double(iQuery ? iQuery : 1);
}
BENCHMARK(BM_TreeFindCollisions)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"everywhere", "moving"});

void BM_TreeBuild(benchmark::State& state) {
    EnPointer<EnTriShape> spMesh = MakeWavyGrid(0.0f);
    for (auto _ : state) {
        spMesh->CreateCollisionTree(1);
        benchmark::DoNotOptimize(spMesh->GetOBBRoot());
        spMesh->DestroyCollisionTree();
    }
    state.SetItemsProcessed(state.iterations() * kCells * kCells * 2);
}
BENCHMARK(BM_TreeBuild)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
