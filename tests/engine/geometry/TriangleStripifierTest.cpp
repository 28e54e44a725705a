#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <vector>

#include "engine/geometry/TriangleStripifier.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

namespace {

// A triangle turned so that its smallest index comes first; the winding is kept.
IndexTriangle Normalised(uint16_t a, uint16_t b, uint16_t c) {
    if (b < a && b <= c) return {b, c, a};
    if (c < a && c < b) return {c, a, b};
    return {a, b, c};
}

bool ByIndices(const IndexTriangle& x, const IndexTriangle& y) {
    return std::tie(x.a, x.b, x.c) < std::tie(y.a, y.b, y.c);
}

// The triangles of a list, degenerate ones left out, normalised and sorted.
std::vector<IndexTriangle> ListTriangles(const std::vector<uint16_t>& kList) {
    std::vector<IndexTriangle> kOut;
    for (size_t i = 0; i + 2 < kList.size(); i += 3) {
        if (kList[i] == kList[i + 1] || kList[i + 1] == kList[i + 2] || kList[i] == kList[i + 2])
            continue;
        kOut.push_back(Normalised(kList[i], kList[i + 1], kList[i + 2]));
    }
    std::sort(kOut.begin(), kOut.end(), ByIndices);
    return kOut;
}

// The triangles the strips draw: in each strip, triangle i is indices i, i+1, i+2, reversed
// when i is odd. Normalised and sorted.
std::vector<IndexTriangle> StripTriangles(const TriangleStripifier& kStrips) {
    std::vector<IndexTriangle> kOut;
    const std::vector<uint16_t>& kIndices = kStrips.GetStripIndices();
    size_t uiStart = 0;
    for (uint32_t uiLength : kStrips.GetStripLengths()) {
        for (uint32_t i = 0; i + 2 < uiLength; i++) {
            const uint16_t* p = &kIndices[uiStart + i];
            kOut.push_back(i % 2 ? Normalised(p[2], p[1], p[0]) : Normalised(p[0], p[1], p[2]));
        }
        uiStart += uiLength;
    }
    std::sort(kOut.begin(), kOut.end(), ByIndices);
    return kOut;
}

struct StripResult {
    std::vector<uint32_t> kLengths;
    std::vector<uint16_t> kIndices;
    uint32_t uiKept;
};

StripResult Stripify(const std::vector<uint16_t>& kList, bool bRunOn) {
    TriangleStripifier kStrips(kList.data(), uint32_t(kList.size() / 3), bRunOn);
    return {kStrips.GetStripLengths(), kStrips.GetStripIndices(), kStrips.GetKeptTriangleCount()};
}

// A grid of quads, each split into two triangles of one winding.
std::vector<uint16_t> GridList(uint32_t uiColumns, uint32_t uiRows) {
    std::vector<uint16_t> kList;
    const uint32_t uiStride = uiColumns + 1;
    for (uint32_t r = 0; r < uiRows; r++) {
        for (uint32_t c = 0; c < uiColumns; c++) {
            const uint16_t v = uint16_t(r * uiStride + c);
            kList.insert(kList.end(), {v, uint16_t(v + 1), uint16_t(v + uiStride)});
            kList.insert(kList.end(),
                         {uint16_t(v + 1), uint16_t(v + uiStride + 1), uint16_t(v + uiStride)});
        }
    }
    return kList;
}

// Whether the triangle's winding runs from one vertex to the other along one of its edges.
bool OwnsEdge(const IndexTriangle& t, uint16_t usFrom, uint16_t usTo) {
    return (t.a == usFrom && t.b == usTo) || (t.b == usFrom && t.c == usTo) ||
           (t.c == usFrom && t.a == usTo);
}

// Checks how the strips begin and end against the triangles left when each strip began (its
// own and every later strip's): a strip picked from the buckets starts at a triangle with the
// fewest live neighbours; a strip ends only where no triangle left lies across the edge of its
// last two indices, except that without run-on a picked strip stops after one triangle and the
// next strip starts across that edge.
void ExpectStripStartsAndEnds(const TriangleStripifier& kStrips, bool bRunOn,
                              const ::testing::Message& kSeed) {
    std::vector<std::vector<IndexTriangle>> kPerStrip;
    std::vector<uint16_t> kBehind;  // the vertex each strip's last triangle leaves behind
    const std::vector<uint16_t>& kIndices = kStrips.GetStripIndices();
    size_t uiStart = 0;
    for (uint32_t uiLength : kStrips.GetStripLengths()) {
        kPerStrip.emplace_back();
        for (uint32_t i = 0; i + 2 < uiLength; i++) {
            const uint16_t* p = &kIndices[uiStart + i];
            kPerStrip.back().push_back(i % 2 ? IndexTriangle{p[2], p[1], p[0]}
                                             : IndexTriangle{p[0], p[1], p[2]});
        }
        kBehind.push_back(kIndices[uiStart + uiLength - 3]);
        uiStart += uiLength;
    }
    auto kOwnedFrom = [&](size_t uiFirstStrip, uint16_t usFrom, uint16_t usTo) {
        for (size_t s = uiFirstStrip; s < kPerStrip.size(); s++)
            for (const IndexTriangle& t : kPerStrip[s])
                if (OwnsEdge(t, usFrom, usTo)) return true;
        return false;
    };
    auto kLiveNeighbours = [&](size_t uiFirstStrip, const IndexTriangle& t) {
        return int(kOwnedFrom(uiFirstStrip, t.b, t.a)) + int(kOwnedFrom(uiFirstStrip, t.c, t.b)) +
               int(kOwnedFrom(uiFirstStrip, t.a, t.c));
    };

    bool bStoppedLive = false;
    for (size_t s = 0; s < kPerStrip.size(); s++) {
        const bool bPicked = !bStoppedLive;
        // Without run-on a picked strip never goes past its first triangle.
        if (bPicked && !bRunOn) {
            ASSERT_EQ(kPerStrip[s].size(), 1u) << kSeed << " strip " << s;
        }
        if (bPicked) {
            const int iFirst = kLiveNeighbours(s, kPerStrip[s].front());
            for (size_t r = s; r < kPerStrip.size(); r++)
                for (const IndexTriangle& t : kPerStrip[r])
                    ASSERT_LE(iFirst, kLiveNeighbours(s, t)) << kSeed << " strip " << s;
        }
        // The edge across from the vertex left behind, the other way round.
        const IndexTriangle& kLast = kPerStrip[s].back();
        const uint16_t c[3] = {kLast.a, kLast.b, kLast.c};
        const int j = c[0] == kBehind[s] ? 0 : c[1] == kBehind[s] ? 1 : 2;
        const uint16_t usFrom = c[(j + 2) % 3], usTo = c[(j + 1) % 3];
        const bool bLive = kOwnedFrom(s + 1, usFrom, usTo);
        if (bLive) {
            ASSERT_FALSE(bRunOn) << kSeed << " strip " << s;
            ASSERT_TRUE(bPicked) << kSeed << " strip " << s;
            ASSERT_TRUE(OwnsEdge(kPerStrip[s + 1].front(), usFrom, usTo))
                << kSeed << " strip " << s;
        }
        bStoppedLive = bLive;
    }
}

}  // namespace

struct WorkedCase {
    const char* pcWhat;
    std::vector<uint16_t> kList;
    bool bRunOn;
    std::vector<uint32_t> kLengths;
    std::vector<uint16_t> kIndices;
};

TEST(TriangleStripifier, WorkedExamples) {
    const WorkedCase kCases[] = {
        {"an isolated triangle", {4, 7, 9}, true, {3}, {4, 7, 9}},
        {"an isolated triangle, no run-on", {4, 7, 9}, false, {3}, {4, 7, 9}},
        // Both start in bucket 1; the later one is at the head and is picked first.
        {"two triangles over edge 1-2, run-on", {0, 1, 2, 2, 1, 3}, true, {4}, {3, 2, 1, 0}},
        {"two triangles over edge 1-2, no run-on",
         {0, 1, 2, 2, 1, 3},
         false,
         {3, 3},
         {3, 2, 1, 0, 1, 2}},
        {"nothing", {}, true, {}, {}},
        {"only degenerate triangles", {1, 1, 2, 3, 4, 4}, true, {}, {}},
    };
    for (const WorkedCase& c : kCases) {
        StripResult kResult = Stripify(c.kList, c.bRunOn);
        EXPECT_EQ(kResult.kLengths, c.kLengths) << c.pcWhat;
        EXPECT_EQ(kResult.kIndices, c.kIndices) << c.pcWhat;
    }
}

struct DegenerateCase {
    const char* pcWhat;
    std::vector<uint16_t> kList;
    uint32_t uiKept;
};

TEST(TriangleStripifier, DropsTrianglesWithTwoEqualIndicesOnly) {
    const DegenerateCase kCases[] = {
        {"(a, a, b)", {5, 5, 6}, 0},
        {"(a, b, b)", {5, 6, 6}, 0},
        {"(a, b, a)", {5, 6, 5}, 0},
        {"(a, a, a)", {5, 5, 5}, 0},
        // Three distinct indices stay whatever their points: zero area is not looked at.
        {"(a, b, c)", {5, 6, 7}, 1},
        {"five with two degenerate", {0, 1, 2, 2, 2, 3, 2, 1, 3, 3, 4, 3, 1, 3, 4}, 3},
    };
    for (const DegenerateCase& c : kCases) {
        StripResult kResult = Stripify(c.kList, true);
        EXPECT_EQ(kResult.uiKept, c.uiKept) << c.pcWhat;
        TriangleStripifier kStrips(c.kList.data(), uint32_t(c.kList.size() / 3), true);
        EXPECT_EQ(StripTriangles(kStrips), ListTriangles(c.kList)) << c.pcWhat;
    }
}

// The strips draw exactly the list's triangles without the degenerate ones, each with its own
// winding, and begin and end where they must, over random lists that share edges both ways
// round, repeat triangles and have edges with many owners, and over grids.
TEST(TriangleStripifier, StripsDrawTheListsTrianglesWithTheirWinding) {
    for (uint32_t uiSeed = 1; uiSeed <= 300; uiSeed++) {
        RandomSource kRandom(uiSeed);
        const uint32_t uiVertices = kRandom.Int(3, uiSeed % 3 ? 12 : 60);
        const uint32_t uiTriangles = kRandom.Int(0, 200);
        std::vector<uint16_t> kList;
        if (uiSeed % 4 == 0) {
            kList = GridList(kRandom.Int(1, 12), kRandom.Int(1, 12));
        } else {
            for (uint32_t i = 0; i < 3 * uiTriangles; i++)
                kList.push_back(uint16_t(kRandom.Int(0, uiVertices - 1)));
        }
        for (bool bRunOn : {false, true}) {
            TriangleStripifier kStrips(kList.data(), uint32_t(kList.size() / 3), bRunOn);
            const std::vector<IndexTriangle> kExpected = ListTriangles(kList);
            EXPECT_EQ(kStrips.GetKeptTriangleCount(), kExpected.size()) << kRandom.Seed();
            EXPECT_EQ(StripTriangles(kStrips), kExpected) << kRandom.Seed() << " run-on " << bRunOn;
            uint32_t uiSum = 0;
            for (uint32_t uiLength : kStrips.GetStripLengths()) {
                EXPECT_GE(uiLength, 3u) << kRandom.Seed();
                uiSum += uiLength;
            }
            EXPECT_EQ(uiSum, kStrips.GetStripIndices().size()) << kRandom.Seed();
            EXPECT_EQ(uiSum, kStrips.GetKeptTriangleCount() + 2 * kStrips.GetStripCount())
                << kRandom.Seed();
            EXPECT_TRUE(kStrips.FitsStripsData()) << kRandom.Seed();
            ExpectStripStartsAndEnds(kStrips, bRunOn, kRandom.Seed() << " run-on " << bRunOn);
        }
    }
}

TEST(TriangleStripifier, ReportsWhatDoesNotFitTheStripData) {
    // More than 65,535 kept triangles, the largest vertex index 65,535 included.
    std::vector<uint16_t> kList = GridList(255, 130);
    ASSERT_GT(kList.size() / 3, 65535u);
    kList.insert(kList.end(), {65533, 65534, 65535});
    TriangleStripifier kStrips(kList.data(), uint32_t(kList.size() / 3), true);
    EXPECT_EQ(kStrips.GetKeptTriangleCount(), kList.size() / 3);
    EXPECT_FALSE(kStrips.FitsStripsData());
    EXPECT_EQ(StripTriangles(kStrips), ListTriangles(kList));

    TriangleStripifier kNone(nullptr, 10, true);
    EXPECT_EQ(kNone.GetKeptTriangleCount(), 0u);
    EXPECT_TRUE(kNone.FitsStripsData());
}
