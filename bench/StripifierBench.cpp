// Stripifier throughput on a 100,000-triangle mesh: a grid of 250 x 200 quads over 50,451
// vertices, once in row order as a modelling package writes it and once with the triangles in
// a shuffled order, with and without run-on.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/geometry/TriangleStripifier.h"

namespace {

constexpr uint32_t COLUMNS = 250;
constexpr uint32_t ROWS = 200;

std::vector<uint16_t> GridList(bool bShuffled) {
    std::vector<uint16_t> kList;
    const uint32_t uiStride = COLUMNS + 1;
    for (uint32_t r = 0; r < ROWS; r++) {
        for (uint32_t c = 0; c < COLUMNS; c++) {
            const uint32_t v = r * uiStride + c;
            kList.insert(kList.end(), {uint16_t(v), uint16_t(v + 1), uint16_t(v + uiStride)});
            kList.insert(kList.end(),
                         {uint16_t(v + 1), uint16_t(v + uiStride + 1), uint16_t(v + uiStride)});
        }
    }
    if (bShuffled) {
        // Whole triangles change places; each keeps its winding.
        std::vector<uint32_t> kOrder(kList.size() / 3);
        for (uint32_t i = 0; i < kOrder.size(); i++) kOrder[i] = i;
        std::shuffle(kOrder.begin(), kOrder.end(), std::mt19937(2001));
        std::vector<uint16_t> kShuffled;
        kShuffled.reserve(kList.size());
        for (uint32_t t : kOrder)
            kShuffled.insert(kShuffled.end(), &kList[3 * t], &kList[3 * t + 3]);
        kList.swap(kShuffled);
    }
    return kList;
}

void BM_Stripify(benchmark::State& state) {
    const bool bShuffled = state.range(0) != 0;
    const bool bRunOn = state.range(1) != 0;
    const std::vector<uint16_t> kList = GridList(bShuffled);
    const uint32_t uiTriangles = uint32_t(kList.size() / 3);
    uint32_t uiStrips = 0;
    for (auto _ : state) {
        TriangleStripifier kStrips(kList.data(), uiTriangles, bRunOn);
        uiStrips = kStrips.GetStripCount();
        benchmark::DoNotOptimize(kStrips.GetStripIndices().data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * uiTriangles);
    state.counters["strips"] = double(uiStrips);
    state.counters["triangles"] = double(uiTriangles);
}

}  // namespace

BENCHMARK(BM_Stripify)
    ->ArgNames({"shuffled", "runOn"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
