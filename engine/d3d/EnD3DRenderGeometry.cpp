// Geometry submission of EnD3DRender: the draw slots of every geometry kind, the common
// submission (render states, texture passes, lights, one draw call per pass) and the cache of
// vertex buffers kept per geometry data object.
#include <algorithm>
#include <cstring>

#include "engine/core/EnPropertyState.h"
#include "engine/core/EnTextureModeProperty.h"
#include "engine/core/EnVertexColorProperty.h"
#include "engine/d3d/EnD3DLightManager.h"
#include "engine/d3d/EnD3DRender.h"
#include "engine/d3d/EnD3DRenderStateManager.h"
#include "engine/d3d/EnD3DTexturePipeline.h"
#include "engine/d3d/EnD3DVertexBufferPool.h"
#include "engine/geometry/EnDynamicEffectState.h"
#include "engine/geometry/EnGeometryData.h"
#include "engine/geometry/EnLight.h"
#include "engine/geometry/EnLinesData.h"
#include "engine/geometry/EnParticlesData.h"
#include "engine/geometry/EnTextureProperty.h"
#include "engine/geometry/EnTriShapeData.h"
#include "engine/geometry/EnTriStripData.h"
#include "engine/geometry/EnTriStripsData.h"
#include "engine/geometry/EnTrianglesData.h"
#include "platform/gfx/VertexFormat.h"

using namespace plat::gfx;

VertexBuffer* EnD3DRender::GetCachedVertexBuffer(EnGeometryData* pData, bool bOptimize) {
    if (!pData || !m_spVertexBufferPool) return nullptr;
    const uint16_t usRevision = pData->GetRevision();
    auto optimize = [&](CachedGeometry& kRecord) {
        kRecord.m_bOptimized = false;
        if (bOptimize && usRevision == 0 && kRecord.m_pBuffer &&
            Succeeded(kRecord.m_pBuffer->Optimize(m_spDevice.Get(), 0)))
            kRecord.m_bOptimized = true;
    };

    CachedGeometry* pRecord = nullptr;
    if (m_kGeometryCache.GetAt(pData, pRecord) && pRecord) {
        if (pRecord->m_usRevision != usRevision || !pRecord->m_pBuffer) {
            VertexBuffer* pNew =
                m_spVertexBufferPool->FillFromGeometryData(pData, pRecord->m_pBuffer);
            if (pNew && pNew == pRecord->m_pBuffer) {
                // Refilled in place: the buffer now holds this revision.
                pRecord->m_usRevision = usRevision;
                return pNew;
            }
            ReleaseCachedBuffer(pRecord);
            pRecord->m_pBuffer = pNew;
            pRecord->m_usRevision = usRevision;
            optimize(*pRecord);
            return pNew;
        }
        if (!bOptimize && pRecord->m_bOptimized) {
            // A caller that writes into the buffer needs one that can still be locked.
            ReleaseCachedBuffer(pRecord);
            pRecord->m_pBuffer = m_spVertexBufferPool->FillFromGeometryData(pData, nullptr);
            pRecord->m_bOptimized = false;
        }
        return pRecord->m_pBuffer;
    }

    auto* pNew = new CachedGeometry;
    pNew->m_pBuffer = m_spVertexBufferPool->FillFromGeometryData(pData, nullptr);
    pNew->m_usRevision = usRevision;
    optimize(*pNew);
    m_kGeometryCache.SetAt(pData, pNew);
    return pNew->m_pBuffer;
}

void EnD3DRender::PrepareDraw(bool bHasNormals, uint32_t uiTextureSets) {
    EnPropertyState* pState = m_spPropertyState;
    EnDynamicEffectState* pEffects = m_spEffectState;
    if (m_pRenderStateManager && pState) m_pRenderStateManager->UpdateRenderStates(pState);
    if (m_spTexturePipeline)
        m_spTexturePipeline->BuildPasses(pState, pEffects, bHasNormals, uiTextureSets);
    if (m_spLightManager) {
        const EnTextureProperty* pTexture = pState ? pState->GetTexture() : nullptr;
        m_spLightManager->SetLighting(pEffects, pTexture && pTexture->GetImage(),
                                      pState ? pState->GetTextureMode() : nullptr,
                                      pState ? pState->GetVertexColor() : nullptr);
    }
}

void EnD3DRender::DrawPrimitive(PrimitiveType eType, uint32_t uiVertices,
                                const uint16_t* pusIndices, uint32_t uiIndices,
                                EnGeometryData* pData, VertexBuffer* pBuffer,
                                uint32_t uiTextureSets, bool bHasNormals) {
    if (uiVertices == 0 || !m_spDevice) return;
    if (!pBuffer) {
        if (!pData) return;
        uiTextureSets = pData->GetTextureSets();
        bHasNormals = pData->GetNormals() != nullptr;
    }
    uiTextureSets = std::min<uint32_t>(uiTextureSets, 8);
    PrepareDraw(bHasNormals, uiTextureSets);
    if (!pBuffer) {
        pBuffer = GetCachedVertexBuffer(pData, true);
        if (!pBuffer) return;
    }
    bool bMore;
    do {
        bMore = m_spTexturePipeline && m_spTexturePipeline->ApplyNextPass();
        if (pusIndices)
            m_spDevice->DrawIndexedPrimitiveVB(eType, pBuffer, 0, uiVertices, pusIndices, uiIndices,
                                               0);
        else
            m_spDevice->DrawPrimitiveVB(eType, pBuffer, 0, uiVertices, 0);
    } while (bMore);
}

void EnD3DRender::DrawStrips(PrimitiveType eType, uint32_t uiVertices, uint16_t usStrips,
                             const uint16_t* pusIndices, const uint16_t* pusLengths,
                             EnGeometryData* pData) {
    if (uiVertices == 0 || !m_spDevice || !pData) return;
    PrepareDraw(pData->GetNormals() != nullptr, std::min<uint32_t>(pData->GetTextureSets(), 8));
    VertexBuffer* pBuffer = GetCachedVertexBuffer(pData, true);
    if (!pBuffer) return;
    bool bMore;
    do {
        bMore = m_spTexturePipeline && m_spTexturePipeline->ApplyNextPass();
        uint32_t uiOffset = 0;
        for (uint16_t s = 0; s < usStrips; s++) {
            m_spDevice->DrawIndexedPrimitiveVB(eType, pBuffer, 0, uiVertices, pusIndices + uiOffset,
                                               pusLengths[s], 0);
            uiOffset += pusLengths[s];
        }
    } while (bMore);
}

void EnD3DRender::DrawTriShape(EnTriShapeData* pData, const EnBoundSphere& kWorldBound) {
    if (!m_bInScene || !pData) return;
    const uint16_t* pusList = pData->GetTriList();
    const uint32_t uiTriangles = pData->GetActiveTriangleCount();
    if (!pusList || uiTriangles == 0) return;
    m_kCurrentBound = kWorldBound;
    // Never read past the list, whatever the active count says.
    const uint32_t uiIndices = std::min<uint32_t>(3 * uiTriangles, pData->GetTriListLength());
    DrawPrimitive(PrimitiveType::TriangleList, pData->GetActiveVertexCount(), pusList,
                  uiIndices - uiIndices % 3, pData, nullptr, 0, false);
}

void EnD3DRender::DrawTriangles(EnTrianglesData* pData, const EnBoundSphere& kWorldBound) {
    if (!m_bInScene || !pData) return;
    const uint32_t uiFilled =
        std::min<uint32_t>(pData->GetActiveVertexCount(), pData->GetVertexCount());
    uint32_t uiVertices = std::min<uint32_t>(3u * pData->GetActiveTriangleCount(), uiFilled);
    uiVertices -= uiVertices % 3;
    if (uiVertices == 0) return;
    m_kCurrentBound = kWorldBound;
    DrawPrimitive(PrimitiveType::TriangleList, uiVertices, nullptr, 0, pData, nullptr, 0, false);
}

void EnD3DRender::DrawTriStrip(EnTriStripData* pData, const EnBoundSphere& kWorldBound) {
    if (!m_bInScene || !pData) return;
    const uint32_t uiVertices =
        std::min<uint32_t>(pData->GetActiveVertexCount(), pData->GetVertexCount());
    if (uiVertices < 3) return;
    m_kCurrentBound = kWorldBound;
    DrawPrimitive(PrimitiveType::TriangleStrip, uiVertices, nullptr, 0, pData, nullptr, 0, false);
}

void EnD3DRender::DrawTriStrips(EnTriStripsData* pData, const EnBoundSphere& kWorldBound) {
    if (!m_bInScene || !pData) return;
    const uint16_t* pusLists = pData->GetStripLists();
    const uint16_t* pusLengths = pData->GetStripLengths();
    const uint16_t usStrips = pData->GetStripCount();
    if (!pusLists || !pusLengths || usStrips == 0) return;
    // The strips must lie within the list they are cut from.
    uint32_t uiTotal = 0;
    for (uint16_t s = 0; s < usStrips; s++) uiTotal += pusLengths[s];
    if (uiTotal > pData->GetStripListLength()) return;
    m_kCurrentBound = kWorldBound;
    DrawStrips(PrimitiveType::TriangleStrip,
               std::min<uint32_t>(pData->GetActiveVertexCount(), pData->GetVertexCount()), usStrips,
               pusLists, pusLengths, pData);
}

void EnD3DRender::DrawParticles(EnParticlesData* pData, const EnBoundSphere& kWorldBound) {
    if (!m_bInScene || !pData || !m_spVertexBufferPool || !pData->GetVertices()) return;
    const uint32_t uiCount = std::min<uint32_t>(pData->GetActiveCount(), pData->GetVertexCount());
    if (uiCount == 0) return;
    m_kCurrentBound = kWorldBound;
    PrepareDraw(pData->GetNormals() != nullptr, 1);
    if (m_spTexturePipeline) m_spTexturePipeline->ApplyNextPass();  // particles draw one pass

    const float fRadius = pData->GetRadius();
    // The corners go round counter-clockwise as the camera sees them, the winding that the
    // clockwise culling keeps: first the lower left (P - A), then lower right, upper right and
    // upper left.
    const EnVector3 kA = (m_kModelUp + m_kModelRight) * fRadius;
    const EnVector3 kB = (m_kModelUp - m_kModelRight) * fRadius;
    // Each batch keeps every index of its quads, and every vertex of its buffer, in 16 bits.
    for (uint32_t uiFirst = 0; uiFirst < uiCount; uiFirst += EnD3DVertexBufferPool::MAX_QUADS)
        DrawParticleBatch(pData, uiFirst,
                          std::min(uiCount - uiFirst, EnD3DVertexBufferPool::MAX_QUADS), kA, kB);
}

void EnD3DRender::DrawParticleBatch(EnParticlesData* pData, uint32_t uiFirst, uint32_t uiCount,
                                    const EnVector3& kA, const EnVector3& kB) {
    const uint16_t* pusQuads = m_spVertexBufferPool->GetQuadIndices(uiCount);
    if (!pusQuads) return;
    const EnVector3* pNormal = pData->GetNormals();
    const uint32_t uiFVF = VertexFormat::Xyz | VertexFormat::Diffuse | VertexFormat::Tex1 |
                           (pNormal ? VertexFormat::Normal : 0);
    const uint32_t uiStride = VertexFormat::Stride(uiFVF);
    VertexBuffer* pBuffer = m_spVertexBufferPool->GetVertexBuffer(uiFVF, 4 * uiCount);
    if (!pBuffer) return;
    void* pvData = nullptr;
    uint32_t uiSize = 0;
    if (Failed(pBuffer->Lock(LockBits::WriteOnly | LockBits::DiscardContents, &pvData, &uiSize)) ||
        !pvData)
        return;
    if (uiSize < 4 * uiCount * uiStride) {
        pBuffer->Unlock();
        return;
    }

    const EnVector3* pPosition = pData->GetVertices() + uiFirst;
    const EnColorRGBA* pColor = pData->GetColors();
    const float* pfSize = pData->GetSizes();
    static const float s_aafCorner[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
    uint8_t* pDest = static_cast<uint8_t*>(pvData);
    for (uint32_t i = 0; i < uiCount; i++) {
        const EnVector3& kP = pPosition[i];
        const float fSize = pfSize ? pfSize[uiFirst + i] : 1.0f;
        const EnVector3 akCorner[4] = {kP - kA * fSize, kP - kB * fSize, kP + kA * fSize,
                                       kP + kB * fSize};
        const uint32_t uiColor =
            pColor ? EnD3DVertexBufferPool::PackColor(pColor[uiFirst + i]) : 0xffffffffu;
        for (int c = 0; c < 4; c++) {
            const float afPosition[3] = {akCorner[c].x, akCorner[c].y, akCorner[c].z};
            std::memcpy(pDest, afPosition, 12);
            pDest += 12;
            if (pNormal) {
                const EnVector3& kN = pNormal[uiFirst + i];
                const float afNormal[3] = {kN.x, kN.y, kN.z};
                std::memcpy(pDest, afNormal, 12);
                pDest += 12;
            }
            std::memcpy(pDest, &uiColor, 4);
            pDest += 4;
            std::memcpy(pDest, s_aafCorner[c], 8);
            pDest += 8;
        }
    }
    pBuffer->Unlock();
    m_spDevice->DrawIndexedPrimitiveVB(PrimitiveType::TriangleList, pBuffer, 0, 4 * uiCount,
                                       pusQuads, 6 * uiCount, 0);
}

void EnD3DRender::DrawLines(EnLinesData* pData, const EnBoundSphere& kWorldBound) {
    if (!m_bInScene || !pData || !m_spVertexBufferPool) return;
    m_kCurrentBound = kWorldBound;
    const uint32_t uiVertices =
        std::min<uint32_t>(pData->GetActiveVertexCount(), pData->GetVertexCount());
    const uint8_t* pucFlags = pData->GetFlags();
    if (uiVertices == 0 || !pucFlags) return;
    uint16_t* pusIndices = m_spVertexBufferPool->GetIndexArray(2 * uiVertices);
    if (!pusIndices) return;
    uint32_t uiIndices = 0;
    for (uint32_t i = 0; i + 1 < uiVertices; i++) {
        if (pucFlags[i]) {
            pusIndices[uiIndices++] = uint16_t(i);
            pusIndices[uiIndices++] = uint16_t(i + 1);
        }
    }
    // A set flag on the last vertex closes the loop.
    if (pucFlags[uiVertices - 1]) {
        pusIndices[uiIndices++] = uint16_t(uiVertices - 1);
        pusIndices[uiIndices++] = 0;
    }
    if (uiIndices == 0) return;
    DrawPrimitive(PrimitiveType::LineList, uiVertices, pusIndices, uiIndices, pData, nullptr, 0,
                  false);
}

void EnD3DRender::DrawScreenPolygon(uint16_t usVertices, const EnVector3* pVertex,
                                    const EnVector2* pTexture, const EnColorRGBA* pColor) {
    if (!m_bInScene || !m_spDevice || !m_spVertexBufferPool) return;
    m_kCurrentBound = m_kEmptyBound;
    Matrix kSavedView, kSavedProjection;
    m_spDevice->GetTransform(TransformState::View, kSavedView);
    m_spDevice->GetTransform(TransformState::Projection, kSavedProjection);
    m_spDevice->SetTransform(TransformState::View, m_kScreenView);
    m_spDevice->SetTransform(TransformState::Projection, m_kScreenProjection);
    m_spDevice->SetTransform(TransformState::World, m_kScreenWorld);

    if (VertexBuffer* pBuffer = m_spVertexBufferPool->FillScreenVertices(
            usVertices, pVertex, pTexture, pColor, m_fNear, m_fDepthRange))
        DrawPrimitive(PrimitiveType::TriangleFan, usVertices, nullptr, 0, nullptr, pBuffer,
                      pTexture ? 1 : 0, false);

    m_spDevice->SetTransform(TransformState::View, kSavedView);
    m_spDevice->SetTransform(TransformState::Projection, kSavedProjection);
}

void EnD3DRender::OnGeometryDataDestroyed(EnGeometryData* pData) {
    CachedGeometry* pRecord = nullptr;
    if (!m_kGeometryCache.GetAt(pData, pRecord)) return;
    if (pRecord) {
        ReleaseCachedBuffer(pRecord);
        delete pRecord;
    }
    m_kGeometryCache.RemoveAt(pData);
}

void EnD3DRender::OnDynamicEffectDestroyed(EnDynamicEffect* pEffect) {
    if (m_spLightManager && EnIsKindOf(EnLight, pEffect))
        m_spLightManager->RemoveLight(static_cast<EnLight*>(pEffect));
    // Texture-effect records name their effects: they are made again without it.
    if (m_spTexturePipeline && pEffect && !pEffect->IsLight())
        m_spTexturePipeline->ForgetEffectState();
}
