#include <gtest/gtest.h>

#include "engine/core/EnMath.h"
#include "engine/geometry/EnEnvMappedTriShape.h"
#include "engine/geometry/EnEnvMappedTriShapeData.h"
#include "engine/geometry/EnTriShapeDynamicData.h"
#include "tests/engine/core/SceneFileHelpers.h"
#include "tests/engine/geometry/GeometryTestHelpers.h"

namespace {

// Four vertices around the origin (so the bound is centred there) with the given normals.
EnPointer<EnEnvMappedTriShape> MakeMirror(const EnVector3& kNormalA, const EnVector3& kNormalB) {
    return new EnEnvMappedTriShape(new EnEnvMappedTriShapeData(
        4, NewArray<EnVector3>({{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}}),
        NewArray<EnVector3>({kNormalA, kNormalB, kNormalA, kNormalB}), nullptr,
        NewArray<EnVector2>({{9, 9}, {9, 9}, {9, 9}, {9, 9}}), 2,
        NewArray<uint16_t>({0, 1, 2, 1, 3, 2})));
}

}  // namespace

struct ReflectionCase {
    const char* pcWhat;
    EnVector3 kEye;
    EnVector2 kFacing, kSideways;  // coordinates for normals (0, 0, 1) and (1, 0, 0)
};

TEST(EnEnvMappedTriShape, CoordinatesComeFromTheReflectedViewDirection) {
    const ReflectionCase kCases[] = {
        {"looking straight down +z", {0, 0, 5}, {0.5f, 0.5f}, {0.0f, 0.5f}},
        {"an eye at the bound's centre", {0, 0, 0}, {0.25f, 0.5f}, {0.25f, 0.5f}},
        {"from below", {0, -5, 0}, {0.25f, 0.0f}, {0.25f, 0.0f}},
        {"from -x", {-5, 0, 0}, {0.75f, 0.5f}, {0.25f, 0.5f}},
    };
    for (const ReflectionCase& c : kCases) {
        EnPointer<EnEnvMappedTriShape> spMirror =
            MakeMirror(EnVector3(0, 0, 1), EnVector3(1, 0, 0));
        spMirror->Update(0.0f);
        const uint16_t usRevision = spMirror->GetGeometryData()->GetRevision();
        spMirror->ComputeEnvMapCoords(c.kEye);
        const EnVector2* pUV = spMirror->GetTextureCoords();
        EXPECT_NEAR(pUV[0].x, c.kFacing.x, 1e-6f) << c.pcWhat;
        EXPECT_NEAR(pUV[0].y, c.kFacing.y, 1e-6f) << c.pcWhat;
        EXPECT_NEAR(pUV[1].x, c.kSideways.x, 1e-6f) << c.pcWhat;
        EXPECT_NEAR(pUV[1].y, c.kSideways.y, 1e-6f) << c.pcWhat;
        EXPECT_EQ(spMirror->GetGeometryData()->GetRevision(), uint16_t(usRevision + 1));
    }
}

TEST(EnEnvMappedTriShape, TheWorldRotationTurnsTheNormalsFirst) {
    EnPointer<EnEnvMappedTriShape> spMirror = MakeMirror(EnVector3(1, 0, 0), EnVector3(1, 0, 0));
    EnMatrix3 kRotate;
    kRotate.MakeYRotation(EN_HALF_PI);  // the model's +x becomes the world's +z
    spMirror->SetLocalRotate(kRotate);
    spMirror->Update(0.0f);
    spMirror->ComputeEnvMapCoords(EnVector3(0, 0, 5));
    EXPECT_NEAR(spMirror->GetTextureCoords()[0].x, 0.5f, 1e-6f);
    EXPECT_NEAR(spMirror->GetTextureCoords()[0].y, 0.5f, 1e-6f);
}

TEST(EnEnvMappedTriShape, DrawMapsForTheCameraAndCountsTheWholeData) {
    DrawStage kStage;
    // Four vertices and two triangles, of which one triangle and three vertices are active;
    // the bound of the active three is centred on the object.
    EnPointer<EnEnvMappedTriShape> spMirror = new EnEnvMappedTriShape(new EnTriShapeDynamicData(
        4, NewArray<EnVector3>({{0, -1, 0}, {0, 1, 0}, {0, 0, 0}, {0, 1, 1}}),
        NewArray<EnVector3>({{-1, 0, 0}, {-1, 0, 0}, {-1, 0, 0}, {-1, 0, 0}}), nullptr,
        NewArray<EnVector2>({{9, 9}, {9, 9}, {9, 9}, {9, 9}}), 2,
        NewArray<uint16_t>({0, 1, 2, 1, 3, 2}), 3, 1));
    spMirror->SetLocalTranslate(EnVector3(5, 0, 0));
    spMirror->Update(0.0f);
    EnTriBasedGeom::ClearStatistics();
    spMirror->Draw(kStage.spCamera);
    uint32_t uiObjects, uiTriangles, uiVertices;
    EnTriBasedGeom::GetStatistics(uiObjects, uiTriangles, uiVertices);
    EXPECT_EQ(uiTriangles, 2u);
    EXPECT_EQ(uiVertices, 4u);
    EXPECT_EQ(kStage.spRenderer->CallsNamed("DrawTriShape").size(), 1u);
    // From the mirror the eye lies along -x; about the normal (-1, 0, 0) that reflects to +x.
    EXPECT_NEAR(spMirror->GetTextureCoords()[2].x, 0.25f, 1e-5f);
    EXPECT_NEAR(spMirror->GetTextureCoords()[2].y, 0.5f, 1e-5f);
}

TEST(EnEnvMappedTriShape, KeepsWorldNormalsAfterLoadingAndCloning) {
    EnPointer<EnEnvMappedTriShape> spMirror = MakeMirror(EnVector3(0, 0, 1), EnVector3(0, 0, 1));
    EXPECT_NE(spMirror->GetWorldNormals(), nullptr);
    EnPointer<EnObject> spCopy = spMirror->MakeClone();
    EXPECT_NE(static_cast<EnEnvMappedTriShape*>(spCopy.Get())->GetWorldNormals(), nullptr);
    LoadedScene kScene = RoundTripScene({spMirror});
    auto* pLoaded = kScene.Get<EnEnvMappedTriShape>(0);
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_NE(pLoaded->GetWorldNormals(), nullptr);
    EXPECT_TRUE(EnIsExactKindOf(EnEnvMappedTriShapeData, pLoaded->GetGeometryData()));
}
