#include <gtest/gtest.h>

#include "engine/core/EnColorRGBA.h"
#include "engine/core/EnMatrix3.h"
#include "engine/core/EnPropertyState.h"
#include "engine/core/EnVector2.h"
#include "engine/d3d/EnD3DCachedTextureManager.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/d3d/EnD3DVertexBufferPool.h"
#include "engine/geometry/EnLinesData.h"
#include "engine/geometry/EnParticlesData.h"
#include "engine/geometry/EnTriShapeData.h"
#include "engine/geometry/EnTriShapeDynamicData.h"
#include "engine/geometry/EnTriStripData.h"
#include "engine/geometry/EnTriStripsData.h"
#include "engine/geometry/EnTrianglesData.h"
#include "platform/gfx/SoftVertexBuffer.h"
#include "tests/engine/d3d/D3DTestSupport.h"
#include "tests/engine/d3d/TextureTestSupport.h"

using namespace d3dtest;

namespace {

EnVector3* Points(uint32_t count) {
    auto* p = new EnVector3[count];
    for (uint32_t i = 0; i < count; i++) p[i] = EnVector3(float(i), float(i % 7), -float(i % 3));
    return p;
}

class GeometrySubmission : public NullRendererTest {
protected:
    void SetUp() override {
        NullRendererTest::SetUp();
        ASSERT_NE(Create(0x09), nullptr);
        m_renderer->SetPropertyState(new EnPropertyState);
        ASSERT_EQ(m_renderer->OpenScene(nullptr), 0u);
        Device()->draws.clear();
    }
    void TearDown() override {
        if (m_renderer) m_renderer->CloseScene();
        NullRendererTest::TearDown();
    }
    std::vector<CapturedDraw>& Draws() { return Device()->draws; }
    EnTriShapeData* Shape(uint16_t vertices, std::vector<uint16_t> list) {
        auto* indices = new uint16_t[list.size()];
        std::copy(list.begin(), list.end(), indices);
        return new EnTriShapeData(vertices, Points(vertices), nullptr, nullptr, nullptr,
                                  uint16_t(list.size() / 3), indices);
    }

    const EnBoundSphere m_bound{EnVector3(1.0f, 2.0f, 3.0f), 4.0f};
};

TEST_F(GeometrySubmission, LinesJoinFlaggedVerticesAndCloseTheLoop) {
    struct Case {
        std::vector<uint8_t> flags;
        std::vector<uint16_t> indices;
    };
    const Case cases[] = {
        {{1, 1, 1, 1}, {0, 1, 1, 2, 2, 3, 3, 0}},
        {{1, 0, 1, 0}, {0, 1, 2, 3}},
        {{0, 0, 1, 1}, {2, 3, 3, 0}},
        {{0, 0, 0, 0}, {}},
    };
    for (const Case& c : cases) {
        auto* flags = new uint8_t[4];
        std::copy(c.flags.begin(), c.flags.end(), flags);
        EnPointer<EnLinesData> lines = new EnLinesData(4, Points(4), nullptr, nullptr, flags);
        Draws().clear();
        m_renderer->DrawLines(lines, m_bound);
        if (c.indices.empty()) {
            EXPECT_TRUE(Draws().empty());
            continue;
        }
        ASSERT_EQ(Draws().size(), 1u);
        EXPECT_EQ(Draws()[0].type, PrimitiveType::LineList);
        EXPECT_EQ(Draws()[0].vertexCount, 4u);
        EXPECT_EQ(Draws()[0].indices, c.indices);
    }
    EXPECT_EQ(m_renderer->GetCurrentBound(), m_bound);
}

TEST_F(GeometrySubmission, StripSetsDrawOneIndexedStripEach) {
    auto* lengths = new uint16_t[2]{4, 5};
    auto* list = new uint16_t[9]{0, 1, 2, 3, 4, 5, 6, 7, 0};
    EnPointer<EnTriStripsData> strips =
        new EnTriStripsData(8, Points(8), nullptr, nullptr, nullptr, 5, 2, lengths, list);
    m_renderer->DrawTriStrips(strips, m_bound);
    ASSERT_EQ(Draws().size(), 2u);
    EXPECT_EQ(Draws()[0].type, PrimitiveType::TriangleStrip);
    EXPECT_EQ(Draws()[0].indices, (std::vector<uint16_t>{0, 1, 2, 3}));
    EXPECT_EQ(Draws()[1].indices, (std::vector<uint16_t>{4, 5, 6, 7, 0}));
    EXPECT_EQ(Draws()[1].vertexCount, 8u);

    // One strip and unindexed triangles draw straight from the vertex buffer.
    EnPointer<EnTriStripData> strip = new EnTriStripData(Points(6), nullptr, nullptr, nullptr, 4);
    EnPointer<EnTrianglesData> triangles =
        new EnTrianglesData(9, Points(9), nullptr, nullptr, nullptr, 3);
    Draws().clear();
    m_renderer->DrawTriStrip(strip, m_bound);
    m_renderer->DrawTriangles(triangles, m_bound);
    ASSERT_EQ(Draws().size(), 2u);
    EXPECT_EQ(Draws()[0].type, PrimitiveType::TriangleStrip);
    EXPECT_EQ(Draws()[0].vertexCount, 6u);
    EXPECT_FALSE(Draws()[0].indexed);
    EXPECT_EQ(Draws()[1].type, PrimitiveType::TriangleList);
    EXPECT_EQ(Draws()[1].vertexCount, 9u);
}

TEST_F(GeometrySubmission, StripLengthsPastTheListAreNotDrawn) {
    auto* lengths = new uint16_t[2]{4, 50};
    auto* list = new uint16_t[9]{0, 1, 2, 3, 4, 5, 6, 7, 0};
    EnPointer<EnTriStripsData> strips =
        new EnTriStripsData(8, Points(8), nullptr, nullptr, nullptr, 5, 2, lengths, list);
    m_renderer->DrawTriStrips(strips, m_bound);
    EXPECT_TRUE(Draws().empty());
}

TEST_F(GeometrySubmission, ShapesWithoutTrianglesDrawNothingAndKeepTheBound) {
    EnPointer<EnTriShapeData> shape = Shape(3, {0, 1, 2});
    m_renderer->DrawTriShape(shape, m_bound);
    ASSERT_EQ(Draws().size(), 1u);
    EXPECT_EQ(Draws()[0].indices, (std::vector<uint16_t>{0, 1, 2}));
    EXPECT_EQ(m_renderer->GetCurrentBound(), m_bound);

    EnPointer<EnTriShapeDynamicData> empty = new EnTriShapeDynamicData(
        3, Points(3), nullptr, nullptr, nullptr, 1, new uint16_t[3]{0, 1, 2}, 3, 0);
    Draws().clear();
    m_renderer->DrawTriShape(empty, EnBoundSphere(EnVector3::ZERO, 9.0f));
    EXPECT_TRUE(Draws().empty());
    EXPECT_EQ(m_renderer->GetCurrentBound(), m_bound);
}

TEST_F(GeometrySubmission, NothingIsDrawnOutsideAScene) {
    m_renderer->CloseScene();
    EnPointer<EnTriShapeData> shape = Shape(3, {0, 1, 2});
    m_renderer->DrawTriShape(shape, m_bound);
    const EnVector3 corners[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m_renderer->DrawScreenPolygon(3, corners, nullptr, nullptr);
    EnPointer<EnParticlesData> particles = new EnParticlesData(2, Points(2), nullptr, nullptr);
    m_renderer->DrawParticles(particles, m_bound);
    EXPECT_TRUE(Draws().empty());
    EXPECT_EQ(m_renderer->GetCachedGeometryCount(), 0u);
}

TEST_F(GeometrySubmission, ParticlesBecomeCameraFacingQuads) {
    auto* colors = new EnColorRGBA[2]{{1.0f, 0.5f, 0.0f, 1.0f}, {0.0f, 0.0f, 1.0f, 0.5f}};
    auto* normals = new EnVector3[2]{{0, 0, 1}, {0, 1, 0}};
    auto* centres = new EnVector3[2]{{1, 2, 3}, {-4, 5, -6}};
    EnPointer<EnParticlesData> lit = new EnParticlesData(2, centres, normals, colors);
    lit->SetRadius(0.5f);
    lit->GetSizes()[1] = 2.0f;
    EnPointer<EnParticlesData> plain = new EnParticlesData(1, Points(1), nullptr, nullptr);

    m_renderer->DrawParticles(lit, m_bound);
    m_renderer->DrawParticles(plain, m_bound);
    ASSERT_EQ(Draws().size(), 2u);

    const CapturedDraw& quads = Draws()[0];
    EXPECT_EQ(quads.type, PrimitiveType::TriangleList);
    EXPECT_EQ(quads.fvf, 0x152u);
    EXPECT_EQ(VertexFormat::Stride(quads.fvf), 36u);
    EXPECT_EQ(quads.vertexCount, 8u);
    EXPECT_EQ(quads.indices, (std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}));
    // The default view: up is +y, right is +z. Lower left, lower right, upper right, upper
    // left: counter-clockwise on the screen, so the clockwise culling keeps the quads.
    const EnVector3 a = (EnVector3::UNIT_Y + EnVector3::UNIT_Z) * 0.5f;
    const EnVector3 b = (EnVector3::UNIT_Y - EnVector3::UNIT_Z) * 0.5f;
    const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (uint32_t p = 0; p < 2; p++) {
        const float s = p == 0 ? 1.0f : 2.0f;
        const EnVector3 corners[4] = {centres[p] - a * s, centres[p] - b * s, centres[p] + a * s,
                                      centres[p] + b * s};
        for (uint32_t c = 0; c < 4; c++) {
            const uint32_t v = 4 * p + c;
            const float* pos = quads.FloatsAt(v, 0);
            EXPECT_FLOAT_EQ(pos[0], corners[c].x) << v;
            EXPECT_FLOAT_EQ(pos[1], corners[c].y) << v;
            EXPECT_FLOAT_EQ(pos[2], corners[c].z) << v;
            const float* n = quads.FloatsAt(v, 12);
            EXPECT_EQ(n[1], normals[p].y) << v;
            EXPECT_EQ(n[2], normals[p].z) << v;
            EXPECT_EQ(quads.WordAt(v, 24), EnD3DVertexBufferPool::PackColor(colors[p])) << v;
            EXPECT_EQ(quads.FloatsAt(v, 28)[0], uv[c][0]) << v;
            EXPECT_EQ(quads.FloatsAt(v, 28)[1], uv[c][1]) << v;
        }
    }

    const CapturedDraw& white = Draws()[1];
    EXPECT_EQ(white.fvf, 0x142u);
    EXPECT_EQ(VertexFormat::Stride(white.fvf), 24u);
    for (uint32_t v = 0; v < 4; v++) EXPECT_EQ(white.WordAt(v, 12), 0xffffffffu);
}

TEST_F(GeometrySubmission, ManyParticlesAreDrawnInBatchesWithinSixteenBits) {
    const uint32_t count = 20000;
    EnPointer<EnParticlesData> particles =
        new EnParticlesData(count, Points(count), nullptr, nullptr);
    m_renderer->DrawParticles(particles, m_bound);
    ASSERT_EQ(Draws().size(), 2u);
    uint32_t quads = 0;
    for (const CapturedDraw& d : Draws()) {
        const uint32_t n = d.vertexCount / 4;
        quads += n;
        EXPECT_LE(d.vertexCount, 0xffffu);
        ASSERT_EQ(d.indices.size(), 6u * n);
        EXPECT_EQ(*std::max_element(d.indices.begin(), d.indices.end()), 4 * n - 1);
    }
    EXPECT_EQ(quads, count);
    // The second batch starts at the particle after the first batch's last.
    const float* first = Draws()[1].FloatsAt(0, 0);
    const EnVector3 centre = particles->GetVertices()[EnD3DVertexBufferPool::MAX_QUADS];
    EXPECT_NEAR(first[0], centre.x, 1e-3f);
}

TEST_F(GeometrySubmission, GeometryBuffersAreCachedPerDataObject) {
    EnPointer<EnTriShapeData> shape = Shape(4, {0, 1, 2, 0, 2, 3});
    m_renderer->DrawTriShape(shape, m_bound);
    EXPECT_EQ(m_renderer->GetCachedGeometryCount(), 1u);
    size_t created = Log().Count("Graphics3D::CreateVertexBuffer");
    m_renderer->DrawTriShape(shape, m_bound);
    EXPECT_EQ(Log().Count("Graphics3D::CreateVertexBuffer"), created);
    // Static data is drawn from an optimised buffer.
    VertexBuffer* buffer = m_renderer->GetCachedVertexBuffer(shape, true);
    ASSERT_NE(buffer, nullptr);
    EXPECT_TRUE(dynamic_cast<SoftVertexBuffer*>(buffer)->IsOptimized());
    // A caller that needs to write gets a writable one in its place.
    VertexBuffer* writable = m_renderer->GetCachedVertexBuffer(shape, false);
    ASSERT_NE(writable, nullptr);
    EXPECT_FALSE(dynamic_cast<SoftVertexBuffer*>(writable)->IsOptimized());

    // Changed vertices are refilled into the buffer they had, which keeps their revision.
    EnPointer<EnTriShapeData> moving = Shape(3, {0, 1, 2});
    moving->BumpRevision();
    VertexBuffer* dynamic = m_renderer->GetCachedVertexBuffer(moving, true);
    ASSERT_NE(dynamic, nullptr);
    EXPECT_FALSE(dynamic_cast<SoftVertexBuffer*>(dynamic)->IsOptimized());
    const uint32_t version = dynamic_cast<SoftVertexBuffer*>(dynamic)->Version();
    moving->GetVertices()[0] = EnVector3(9.0f, 9.0f, 9.0f);
    moving->BumpRevision();
    EXPECT_EQ(m_renderer->GetCachedVertexBuffer(moving, true), dynamic);
    EXPECT_GT(dynamic_cast<SoftVertexBuffer*>(dynamic)->Version(), version);
    const uint32_t refilled = dynamic_cast<SoftVertexBuffer*>(dynamic)->Version();
    EXPECT_EQ(m_renderer->GetCachedVertexBuffer(moving, true), dynamic);
    EXPECT_EQ(dynamic_cast<SoftVertexBuffer*>(dynamic)->Version(), refilled);

    // Destroyed data leaves the cache; data that was never drawn changes nothing.
    EXPECT_EQ(m_renderer->GetCachedGeometryCount(), 2u);
    moving = nullptr;
    EXPECT_EQ(m_renderer->GetCachedGeometryCount(), 1u);
    { EnPointer<EnTriShapeData> unused = Shape(3, {0, 1, 2}); }
    EXPECT_EQ(m_renderer->GetCachedGeometryCount(), 1u);
}

TEST_F(GeometrySubmission, RecoveredSurfacesStartWithAnEmptyCacheAndReloadTextures) {
    EnPointer<EnTriShapeData> shape = Shape(4, {0, 1, 2, 0, 2, 3});
    m_renderer->DrawTriShape(shape, m_bound);
    EnPointer<EnDDImage> image = SolidImage(32, 32);
    ASSERT_TRUE(m_renderer->PrecacheImage(image, true, false));
    m_renderer->CloseScene();
    ASSERT_EQ(m_renderer->GetCachedGeometryCount(), 1u);

    m_backend->LoseAllSurfaces();
    ASSERT_EQ(m_renderer->OpenScene(nullptr), 0u);
    EXPECT_EQ(m_renderer->GetCachedGeometryCount(), 0u);
    // The texture's pixels are gone with its surface: its next use loads it again.
    auto* cache = dynamic_cast<EnD3DCachedTextureManager*>(m_renderer->GetTextureManager());
    ASSERT_NE(cache, nullptr);
    const size_t loads = Log().Count("Device::Load");
    EnPointer<EnImage> cached;
    Surface* surface = nullptr;
    bool changed = false, mipmapped = false;
    ASSERT_TRUE(cache->GetTexture(-1, image, cached, surface, changed, mipmapped));
    EXPECT_EQ(Log().Count("Device::Load"), loads + 1);
    // Drawing fills a new vertex buffer.
    const size_t created = Log().Count("Graphics3D::CreateVertexBuffer");
    m_renderer->DrawTriShape(shape, m_bound);
    EXPECT_EQ(m_renderer->GetCachedGeometryCount(), 1u);
    EXPECT_EQ(Log().Count("Graphics3D::CreateVertexBuffer"), created + 1);
}

// Data identifiers are 16 bits and come round again; two live objects with the same
// identifier still get a buffer each, with their own vertices.
TEST_F(GeometrySubmission, DataWithARepeatedIdentifierGetsItsOwnBuffer) {
    EnPointer<EnTriShapeData> first = Shape(3, {0, 1, 2});
    m_renderer->DrawTriShape(first, m_bound);
    EnPointer<EnTriShapeData> second;
    for (uint32_t i = 0; i < 0x10000 && !second; i++) {
        EnPointer<EnTriShapeData> next = Shape(3, {0, 1, 2});
        if (next->GetDataID() == first->GetDataID()) second = next;
    }
    ASSERT_NE(second, nullptr);
    second->GetVertices()[1] = EnVector3(7.0f, 7.0f, 7.0f);
    Draws().clear();
    m_renderer->DrawTriShape(second, m_bound);
    m_renderer->DrawTriShape(first, m_bound);
    ASSERT_EQ(Draws().size(), 2u);
    EXPECT_EQ(Draws()[0].FloatsAt(1, 0)[0], 7.0f);
    EXPECT_EQ(Draws()[1].FloatsAt(1, 0)[0], first->GetVertices()[1].x);
    EXPECT_EQ(m_renderer->GetCachedGeometryCount(), 2u);
}

TEST_F(GeometrySubmission, ScreenPolygonsDrawInScreenSpaceAndRestoreTheView) {
    const Matrix view = Device()->TransformMatrix(TransformState::View);
    const Matrix projection = Device()->TransformMatrix(TransformState::Projection);
    const EnVector3 corners[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const EnVector2 uv[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const EnColorRGBA colors[4] = {EnColorRGBA::WHITE, EnColorRGBA::WHITE, EnColorRGBA::WHITE,
                                   EnColorRGBA::WHITE};
    m_renderer->DrawScreenPolygon(4, corners, uv, colors);
    ASSERT_EQ(Draws().size(), 1u);
    EXPECT_EQ(Draws()[0].type, PrimitiveType::TriangleFan);
    EXPECT_EQ(Draws()[0].fvf, VertexFormat::Xyz | VertexFormat::Diffuse | VertexFormat::Tex1);
    EXPECT_EQ(Device()->TransformMatrix(TransformState::View), view);
    EXPECT_EQ(Device()->TransformMatrix(TransformState::Projection), projection);
    EXPECT_EQ(Device()->TransformMatrix(TransformState::World), Matrix::Identity());
    EXPECT_EQ(m_renderer->GetCurrentBound().GetRadius(), 0.0f);
    // The screen projection maps the unit square onto the whole viewport.
    const float* second = Draws()[0].FloatsAt(1, 0);
    EXPECT_FLOAT_EQ(second[0], m_renderer->GetNear());
    EXPECT_FLOAT_EQ(second[2], m_renderer->GetNear());
}

}  // namespace
