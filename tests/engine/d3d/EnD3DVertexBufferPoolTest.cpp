#include <gtest/gtest.h>

#include "engine/core/EnColorRGBA.h"
#include "engine/core/EnVector2.h"
#include "engine/core/EnVector3.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/d3d/EnD3DVertexBufferPool.h"
#include "engine/geometry/EnTriShapeData.h"
#include "platform/gfx/SoftVertexBuffer.h"
#include "tests/engine/d3d/D3DTestSupport.h"

using namespace d3dtest;

namespace {

class VertexBufferPool : public NullRendererTest {
protected:
    void SetUp() override {
        NullRendererTest::SetUp();
        ASSERT_NE(Create(0x09), nullptr);
        m_pool = std::make_unique<EnD3DVertexBufferPool>(m_renderer->GetDirect3D(),
                                                         m_renderer->GetD3DDevice(), true);
    }
    void TearDown() override {
        m_pool.reset();
        NullRendererTest::TearDown();
    }
    static uint32_t Capacity(VertexBuffer* buffer) {
        VertexBufferDesc desc;
        buffer->GetVertexBufferDesc(desc);
        return desc.numVertices;
    }
    static const SoftVertexBuffer* Soft(VertexBuffer* buffer) {
        return dynamic_cast<const SoftVertexBuffer*>(buffer);
    }

    std::unique_ptr<EnD3DVertexBufferPool> m_pool;
};

TEST_F(VertexBufferPool, EachFormatHandsOutItsTwoBuffersInTurn) {
    const uint32_t fvf = VertexFormat::Xyz | VertexFormat::Diffuse;
    VertexBuffer* a = m_pool->GetVertexBuffer(fvf, 10);
    VertexBuffer* b = m_pool->GetVertexBuffer(fvf, 10);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(m_pool->GetVertexBuffer(fvf, 10), a);
    EXPECT_EQ(m_pool->GetVertexBuffer(fvf, 3), b);
    // Another format has buffers of its own.
    VertexBuffer* other = m_pool->GetVertexBuffer(VertexFormat::Xyz, 10);
    EXPECT_NE(other, a);
    EXPECT_NE(other, b);
    VertexBufferDesc desc;
    a->GetVertexBufferDesc(desc);
    EXPECT_EQ(desc.fvf, fvf);
    EXPECT_EQ(desc.caps, VertexBufferBits::WriteOnly | VertexBufferBits::SystemMemory);
}

TEST_F(VertexBufferPool, OnlyTheCurrentSlotGrowsToTheLargerCount) {
    const uint32_t fvf = VertexFormat::Xyz;
    VertexBuffer* a = m_pool->GetVertexBuffer(fvf, 10);
    VertexBuffer* b = m_pool->GetVertexBuffer(fvf, 10);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    VertexBuffer* bigger = m_pool->GetVertexBuffer(fvf, 20);
    ASSERT_NE(bigger, nullptr);
    EXPECT_EQ(Capacity(bigger), 20u);
    // The other slot keeps its smaller buffer while the request fits it.
    EXPECT_EQ(m_pool->GetVertexBuffer(fvf, 5), b);
    EXPECT_EQ(Capacity(b), 10u);
    EXPECT_EQ(m_pool->GetVertexBuffer(fvf, 20), bigger);
    VertexBuffer* grown = m_pool->GetVertexBuffer(fvf, 15);
    EXPECT_EQ(Capacity(grown), 15u);
}

TEST_F(VertexBufferPool, FailedCreationIsRetriedOnTheSameSlot) {
    m_backend->InjectFault({"Graphics3D::CreateVertexBuffer", Result::OutOfMemory, 0, 0, 1});
    EXPECT_EQ(m_pool->GetVertexBuffer(VertexFormat::Xyz, 8), nullptr);
    VertexBuffer* a = m_pool->GetVertexBuffer(VertexFormat::Xyz, 8);
    ASSERT_NE(a, nullptr);
    EXPECT_NE(m_pool->GetVertexBuffer(VertexFormat::Xyz, 8), a);
}

TEST_F(VertexBufferPool, ScreenVerticesCarryTheirDepthInW) {
    const EnVector3 positions[3] = {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.5f}, {0.5f, 1.0f, 1.0f}};
    const EnVector2 uv[3] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.5f, 1.0f}};
    const EnColorRGBA colors[3] = {
        {1.0f, 0.5f, 0.0f, 1.0f}, {0.0f, 0.0f, 1.0f, 0.25f}, {2.0f, -1.0f, 0.5f, 0.0f}};
    VertexBuffer* buffer = m_pool->FillScreenVertices(3, positions, uv, colors, 0.5f, 10.0f);
    ASSERT_NE(buffer, nullptr);
    const SoftVertexBuffer* soft = Soft(buffer);
    ASSERT_EQ(soft->Fvf(), VertexFormat::Xyz | VertexFormat::Diffuse | VertexFormat::Tex1);
    ASSERT_EQ(soft->Stride(), 24u);
    const uint32_t packed[3] = {0xffff8000u, 0x400000ffu, 0x00ff0080u};
    for (int i = 0; i < 3; i++) {
        const uint8_t* v = soft->Data() + 24 * i;
        float f[3];
        std::memcpy(f, v, 12);
        const float w = 10.0f * positions[i].z + 0.5f;
        EXPECT_FLOAT_EQ(f[0], w * positions[i].x);
        EXPECT_FLOAT_EQ(f[1], w * positions[i].y);
        EXPECT_FLOAT_EQ(f[2], w);
        uint32_t color;
        std::memcpy(&color, v + 12, 4);
        EXPECT_EQ(color, packed[i]) << i;
        float t[2];
        std::memcpy(t, v + 16, 8);
        EXPECT_EQ(t[0], uv[i].x);
        EXPECT_EQ(t[1], uv[i].y);
    }
    VertexBuffer* plain = m_pool->FillScreenVertices(3, positions, nullptr, nullptr, 0.0f, 1.0f);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(Soft(plain)->Fvf(), VertexFormat::Xyz);
}

TEST_F(VertexBufferPool, GeometryDataFillsEveryArrayItHas) {
    auto* vertices = new EnVector3[3]{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    auto* normals = new EnVector3[3]{{0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
    auto* colors = new EnColorRGBA[3]{{1, 0.5f, 0, 1}, {0, 0, 0, 0}, {1, 1, 1, 1}};
    EnPointer<EnTriShapeData> data =
        new EnTriShapeData(3, vertices, normals, colors, nullptr, 1, new uint16_t[3]{0, 1, 2});
    data->CreateTextures(true, 9);  // more sets than the device takes
    for (uint16_t s = 0; s < 9; s++)
        for (int i = 0; i < 3; i++) data->GetTextureSet(s)[i] = EnVector2(float(s), float(i));

    VertexBuffer* buffer = m_pool->FillFromGeometryData(data, nullptr);
    ASSERT_NE(buffer, nullptr);
    const SoftVertexBuffer* soft = Soft(buffer);
    EXPECT_EQ(soft->Fvf(), VertexFormat::Xyz | VertexFormat::Normal | VertexFormat::Diffuse |
                               VertexFormat::Tex(8));
    ASSERT_EQ(soft->Stride(), 12u + 12u + 4u + 64u);
    EXPECT_EQ(soft->Count(), 3u);
    for (int i = 0; i < 3; i++) {
        const uint8_t* v = soft->Data() + soft->Stride() * i;
        float f[6];
        std::memcpy(f, v, 24);
        EXPECT_EQ(f[0], vertices[i].x);
        EXPECT_EQ(f[2], vertices[i].z);
        EXPECT_EQ(f[3], normals[i].x);
        EXPECT_EQ(f[5], normals[i].z);
        uint32_t color;
        std::memcpy(&color, v + 24, 4);
        EXPECT_EQ(color, EnD3DVertexBufferPool::PackColor(colors[i]));
        for (int s = 0; s < 8; s++) {
            float t[2];
            std::memcpy(t, v + 28 + 8 * s, 8);
            EXPECT_EQ(t[0], float(s));
            EXPECT_EQ(t[1], float(i));
        }
    }
    // A buffer that still fits is filled again in place; an optimised one is not.
    EXPECT_EQ(m_pool->FillFromGeometryData(data, buffer), buffer);
    ASSERT_TRUE(Succeeded(buffer->Optimize(m_renderer->GetD3DDevice(), 0)));
    VertexBuffer* fresh = m_pool->FillFromGeometryData(data, buffer);
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, buffer);
    fresh->Release();
    buffer->Release();
}

TEST_F(VertexBufferPool, ColoursRoundToTheNearestStep) {
    EXPECT_EQ(EnD3DVertexBufferPool::PackColor({1.0f, 0.5f, 0.0f, 1.0f}), 0xffff8000u);
    // 0.5 x 255 = 127.5 goes to the even 128; channels outside 0..1 are clamped.
    EXPECT_EQ(EnD3DVertexBufferPool::PackColor({0.5f, 0.0f, 0.0f, 0.0f}), 0x00800000u);
    EXPECT_EQ(EnD3DVertexBufferPool::PackColor({2.0f, -0.5f, 0.999f, 0.001f}), 0x00ff00ffu);
}

TEST_F(VertexBufferPool, QuadIndicesStayWithinSixteenBits) {
    const uint16_t* two = m_pool->GetQuadIndices(2);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(std::vector<uint16_t>(two, two + 12),
              (std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}));
    const uint32_t most = EnD3DVertexBufferPool::MAX_QUADS;
    const uint16_t* all = m_pool->GetQuadIndices(most);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all[6 * most - 1], 4 * most - 1);
    EXPECT_LE(4 * most - 1, 0xffffu);
    EXPECT_EQ(m_pool->GetQuadIndices(most + 1), nullptr);
    // A smaller request reuses the list.
    EXPECT_EQ(m_pool->GetQuadIndices(3), all);

    uint16_t* indices = m_pool->GetIndexArray(10);
    ASSERT_NE(indices, nullptr);
    EXPECT_EQ(m_pool->GetIndexArray(4), indices);
    EXPECT_NE(m_pool->GetIndexArray(100000), nullptr);
}

}  // namespace
