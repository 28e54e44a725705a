// Geometry submission of EnD3DRender: the draw slots of every geometry kind, the common
// submission (render states, texture passes, lights, one draw call per pass) and the cache of
// vertex buffers kept per geometry data object.
#include <algorithm>

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
#include "engine/geometry/EnTextureProperty.h"
#include "engine/geometry/EnTriShapeData.h"

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
    PrepareDraw(pData->GetNormals() != nullptr,
                std::min<uint32_t>(pData->GetTextureSets(), 8));
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

void EnD3DRender::DrawTriangles(EnTrianglesData*, const EnBoundSphere&) {}

void EnD3DRender::DrawTriStrip(EnTriStripData*, const EnBoundSphere&) {}

void EnD3DRender::DrawTriStrips(EnTriStripsData*, const EnBoundSphere&) {}

void EnD3DRender::DrawParticles(EnParticlesData*, const EnBoundSphere&) {}

void EnD3DRender::DrawParticleBatch(EnParticlesData*, uint32_t, uint32_t, const EnVector3&,
                                    const EnVector3&) {}

void EnD3DRender::DrawLines(EnLinesData*, const EnBoundSphere&) {}

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
}
