#pragma once
// Shared pieces of the geometry tests: arrays handed over the way the engine takes them, a
// camera drawing through a recording renderer, and seeded random meshes.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <vector>

#include "engine/core/EnCamera.h"
#include "engine/core/EnPointer.h"
#include "engine/core/EnVector3.h"
#include "engine/geometry/EnTriBasedGeom.h"
#include "tests/support/RecordingRender.h"

// A new[] array with the given elements, as the geometry constructors take them over.
template <class T>
T* NewArray(std::initializer_list<T> kValues) {
    T* p = new T[kValues.size()];
    size_t i = 0;
    for (const T& v : kValues) p[i++] = v;
    return p;
}

template <class T>
T* NewArray(const std::vector<T>& kValues) {
    T* p = new T[kValues.size() ? kValues.size() : 1];
    for (size_t i = 0; i < kValues.size(); i++) p[i] = kValues[i];
    return p;
}

// A camera at the origin looking along +X that draws through a recording renderer.
struct DrawStage {
    EnPointer<RecordingRender> spRenderer = new RecordingRender;
    EnPointer<EnCamera> spCamera = new EnCamera;

    DrawStage() {
        spCamera->SetRenderer(spRenderer);
        spCamera->Update(0.0f);
    }
};

// Seeded source of random test data; the seed is printed with every failure.
struct RandomSource {
    explicit RandomSource(uint32_t uiSeed) : m_kEngine(uiSeed), m_uiSeed(uiSeed) {}

    float Float(float fLow, float fHigh) {
        return std::uniform_real_distribution<float>(fLow, fHigh)(m_kEngine);
    }
    uint32_t Int(uint32_t uiLow, uint32_t uiHigh) {
        return std::uniform_int_distribution<uint32_t>(uiLow, uiHigh)(m_kEngine);
    }
    EnVector3 Vector(float fRange) {
        return EnVector3(Float(-fRange, fRange), Float(-fRange, fRange), Float(-fRange, fRange));
    }
    ::testing::Message Seed() const { return ::testing::Message() << "seed " << m_uiSeed; }

    std::mt19937 m_kEngine;
    uint32_t m_uiSeed;
};

// A triangle as three vertex indices in winding order.
struct IndexTriangle {
    uint16_t a, b, c;
    bool operator==(const IndexTriangle&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const IndexTriangle& t) {
    return os << "(" << t.a << " " << t.b << " " << t.c << ")";
}

// Every triangle of an object through its per-triangle interface, and the check that its model
// and world points are the vertices of its indices, in the same order.
inline std::vector<IndexTriangle> TrianglesOf(const EnTriBasedGeom& kGeom, uint16_t usCount) {
    std::vector<IndexTriangle> kOut;
    for (uint16_t i = 0; i < usCount; i++) {
        IndexTriangle t{};
        kGeom.GetTriangleVertexIndices(i, t.a, t.b, t.c);
        kOut.push_back(t);
    }
    return kOut;
}

inline void ExpectPointsFollowIndices(const EnTriBasedGeom& kGeom, uint16_t usCount) {
    const EnVector3* pVertex = kGeom.GetVertices();
    const EnVector3* pWorld = kGeom.GetWorldVertices();
    for (uint16_t i = 0; i < usCount; i++) {
        IndexTriangle t{};
        kGeom.GetTriangleVertexIndices(i, t.a, t.b, t.c);
        EnVector3 *p0, *p1, *p2;
        kGeom.GetTriangleModelPoints(i, p0, p1, p2);
        EXPECT_EQ(p0, pVertex + t.a) << "triangle " << i;
        EXPECT_EQ(p1, pVertex + t.b) << "triangle " << i;
        EXPECT_EQ(p2, pVertex + t.c) << "triangle " << i;
        kGeom.GetTriangleWorldPoints(i, p0, p1, p2);
        if (!pWorld) {
            EXPECT_TRUE(!p0 && !p1 && !p2) << "triangle " << i;
            continue;
        }
        EXPECT_EQ(p0, pWorld + t.a) << "triangle " << i;
        EXPECT_EQ(p1, pWorld + t.b) << "triangle " << i;
        EXPECT_EQ(p2, pWorld + t.c) << "triangle " << i;
    }
}

inline ::testing::AssertionResult NearVector(const EnVector3& kA, const EnVector3& kB,
                                             float fTolerance) {
    const float fDx = kA.x - kB.x, fDy = kA.y - kB.y, fDz = kA.z - kB.z;
    if (fDx * fDx + fDy * fDy + fDz * fDz <= fTolerance * fTolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << kA.x << ", " << kA.y << ", " << kA.z << ") is not near (" << kB.x << ", "
           << kB.y << ", " << kB.z << ")";
}
