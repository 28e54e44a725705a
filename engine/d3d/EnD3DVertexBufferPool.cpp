#include "engine/d3d/EnD3DVertexBufferPool.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/core/EnColorRGBA.h"
#include "engine/core/EnVector2.h"
#include "engine/core/EnVector3.h"
#include "engine/geometry/EnGeometryData.h"
#include "platform/gfx/VertexFormat.h"

using namespace plat::gfx;

namespace {

uint32_t PackChannel(float f) {
    // Out-of-range colours are clamped rather than left to spill into the next channel.
    const float fScaled = std::nearbyint(f * 255.0f);
    if (!(fScaled > 0.0f)) return 0;
    if (fScaled > 255.0f) return 255;
    return uint32_t(fScaled);
}

void Put(uint8_t*& pDest, const void* pvSource, size_t uiBytes) {
    std::memcpy(pDest, pvSource, uiBytes);
    pDest += uiBytes;
}

}  // namespace

uint32_t EnD3DVertexBufferPool::PackColor(const EnColorRGBA& kColor) {
    return PackChannel(kColor.a) << 24 | PackChannel(kColor.r) << 16 | PackChannel(kColor.g) << 8 |
           PackChannel(kColor.b);
}

EnD3DVertexBufferPool::EnD3DVertexBufferPool(Graphics3D* pD3D, Device* pDevice, bool bSystemMemory)
    : m_spD3D(Ref<Graphics3D>::Share(pD3D)),
      m_spDevice(Ref<Device>::Share(pDevice)),
      m_uiCaps(VertexBufferBits::WriteOnly | (bSystemMemory ? VertexBufferBits::SystemMemory : 0)) {
}

EnD3DVertexBufferPool::~EnD3DVertexBufferPool() {
    for (EnTMapIterator pos = m_kFormats.GetFirstPos(); pos;) {
        uint32_t uiFVF;
        FormatEntry* pEntry;
        m_kFormats.GetNext(pos, uiFVF, pEntry);
        for (VertexBuffer* pBuffer : pEntry->m_apBuffer)
            if (pBuffer) pBuffer->Release();
        delete pEntry;
    }
    m_kFormats.RemoveAll();
}

VertexBuffer* EnD3DVertexBufferPool::GetVertexBuffer(uint32_t uiFVF, uint32_t uiVertices) {
    FormatEntry* pEntry = nullptr;
    uint32_t s = 0;
    if (m_kFormats.GetAt(uiFVF, pEntry)) {
        s = pEntry->m_ucCurrent;
        if (pEntry->m_akDesc[s].numVertices < uiVertices) {
            if (pEntry->m_apBuffer[s]) {
                pEntry->m_apBuffer[s]->Release();
                pEntry->m_apBuffer[s] = nullptr;
            }
            pEntry->m_akDesc[s].numVertices = uiVertices;
        }
    } else {
        pEntry = new FormatEntry;
        pEntry->m_akDesc[0].numVertices = uiVertices;
        pEntry->m_akDesc[0].fvf = uiFVF;
        m_kFormats.SetAt(uiFVF, pEntry);
    }
    VertexBufferDesc& kDesc = pEntry->m_akDesc[s];
    kDesc.caps = m_uiCaps;
    kDesc.fvf = uiFVF;
    if (!pEntry->m_apBuffer[s]) {
        if (Failed(m_spD3D->CreateVertexBuffer(kDesc, &pEntry->m_apBuffer[s], 0)) ||
            !pEntry->m_apBuffer[s]) {
            pEntry->m_apBuffer[s] = nullptr;
            kDesc.numVertices = 0;
            return nullptr;
        }
    }
    pEntry->m_ucCurrent = uint8_t(1 - s);
    return pEntry->m_apBuffer[s];
}

VertexBuffer* EnD3DVertexBufferPool::FillScreenVertices(uint32_t uiVertices,
                                                        const EnVector3* pPosition,
                                                        const EnVector2* pTexture,
                                                        const EnColorRGBA* pColor, float fB,
                                                        float fA) {
    if (uiVertices == 0 || !pPosition) return nullptr;
    const uint32_t uiFVF = VertexFormat::Xyz | (pColor ? VertexFormat::Diffuse : 0) |
                           (pTexture ? VertexFormat::Tex1 : 0);
    VertexBuffer* pBuffer = GetVertexBuffer(uiFVF, uiVertices);
    if (!pBuffer) return nullptr;
    void* pvData = nullptr;
    uint32_t uiSize = 0;
    if (Failed(pBuffer->Lock(LockBits::Wait | LockBits::WriteOnly | LockBits::DiscardContents,
                             &pvData, &uiSize)) ||
        !pvData)
        return nullptr;
    if (uiSize < uiVertices * VertexFormat::Stride(uiFVF)) {
        pBuffer->Unlock();
        return nullptr;
    }
    uint8_t* pDest = static_cast<uint8_t*>(pvData);
    for (uint32_t i = 0; i < uiVertices; i++) {
        const EnVector3& kP = pPosition[i];
        const float fW = fA * kP.z + fB;
        const float afPosition[3] = {fW * kP.x, fW * kP.y, fW};
        Put(pDest, afPosition, sizeof afPosition);
        if (pColor) {
            const uint32_t uiColor = PackColor(pColor[i]);
            Put(pDest, &uiColor, 4);
        }
        if (pTexture) {
            const float afUV[2] = {pTexture[i].x, pTexture[i].y};
            Put(pDest, afUV, sizeof afUV);
        }
    }
    return Succeeded(pBuffer->Unlock()) ? pBuffer : nullptr;
}

uint32_t EnD3DVertexBufferPool::GeometryFormat(const EnGeometryData* pData) {
    const uint32_t uiSets = std::min<uint32_t>(pData->GetTextureSets(), 8);
    return VertexFormat::Xyz | (pData->GetNormals() ? VertexFormat::Normal : 0) |
           (pData->GetColors() ? VertexFormat::Diffuse : 0) | VertexFormat::Tex(uiSets);
}

VertexBuffer* EnD3DVertexBufferPool::FillFromGeometryData(EnGeometryData* pData,
                                                          VertexBuffer* pBuffer) {
    if (!pData) return nullptr;
    // Never past the arrays, whatever the active count says.
    const uint32_t uiVertices =
        std::min<uint32_t>(pData->GetActiveVertexCount(), pData->GetVertexCount());
    if (uiVertices == 0 || !pData->GetVertices()) return nullptr;
    const EnVector3* pVertex = pData->GetVertices();
    const EnVector3* pNormal = pData->GetNormals();
    const EnColorRGBA* pColor = pData->GetColors();
    const uint32_t uiSets = std::min<uint32_t>(pData->GetTextureSets(), 8);
    const uint32_t uiFVF = GeometryFormat(pData);

    VertexBuffer* pTarget = nullptr;
    if (pBuffer) {
        VertexBufferDesc kDesc;
        if (Succeeded(pBuffer->GetVertexBufferDesc(kDesc)) &&
            !(kDesc.caps & VertexBufferBits::Optimized) && kDesc.fvf == uiFVF &&
            kDesc.numVertices == uiVertices)
            pTarget = pBuffer;
    }
    bool bMadeHere = false;
    if (!pTarget) {
        VertexBufferDesc kDesc;
        kDesc.caps = m_uiCaps;
        kDesc.fvf = uiFVF;
        kDesc.numVertices = uiVertices;
        if (Failed(m_spD3D->CreateVertexBuffer(kDesc, &pTarget, 0)) || !pTarget) return nullptr;
        bMadeHere = true;
    }
    auto fail = [&]() -> VertexBuffer* {
        if (bMadeHere) pTarget->Release();
        return nullptr;
    };

    void* pvData = nullptr;
    uint32_t uiSize = 0;
    if (Failed(pTarget->Lock(LockBits::Wait | LockBits::WriteOnly | LockBits::DiscardContents,
                             &pvData, &uiSize)) ||
        !pvData)
        return fail();
    if (uiSize < uiVertices * VertexFormat::Stride(uiFVF)) {
        pTarget->Unlock();
        return fail();
    }
    const EnVector2* apSets[8] = {};
    for (uint32_t s = 0; s < uiSets; s++) apSets[s] = pData->GetTextureSet(uint16_t(s));

    uint8_t* pDest = static_cast<uint8_t*>(pvData);
    for (uint32_t i = 0; i < uiVertices; i++) {
        const float afPosition[3] = {pVertex[i].x, pVertex[i].y, pVertex[i].z};
        Put(pDest, afPosition, sizeof afPosition);
        if (pNormal) {
            const float afNormal[3] = {pNormal[i].x, pNormal[i].y, pNormal[i].z};
            Put(pDest, afNormal, sizeof afNormal);
        }
        if (pColor) {
            const uint32_t uiColor = PackColor(pColor[i]);
            Put(pDest, &uiColor, 4);
        }
        for (uint32_t s = 0; s < uiSets; s++) {
            const float afUV[2] = {apSets[s] ? apSets[s][i].x : 0.0f,
                                   apSets[s] ? apSets[s][i].y : 0.0f};
            Put(pDest, afUV, sizeof afUV);
        }
    }
    if (Failed(pTarget->Unlock())) return fail();
    return pTarget;
}

uint16_t* EnD3DVertexBufferPool::GetIndexArray(uint32_t uiCount) {
    if (uiCount <= m_uiIndexCapacity && m_spIndices) return m_spIndices.get();
    m_spIndices.reset(new (std::nothrow) uint16_t[uiCount ? uiCount : 1]);
    m_uiIndexCapacity = m_spIndices ? uiCount : 0;
    return m_spIndices.get();
}

const uint16_t* EnD3DVertexBufferPool::GetQuadIndices(uint32_t uiQuads) {
    if (uiQuads > MAX_QUADS) return nullptr;
    const uint32_t uiCount = 6 * uiQuads;
    if (uiCount <= m_uiQuadCapacity && m_spQuadIndices) return m_spQuadIndices.get();
    m_spQuadIndices.reset(new (std::nothrow) uint16_t[uiCount ? uiCount : 1]);
    if (!m_spQuadIndices) {
        m_uiQuadCapacity = 0;
        return nullptr;
    }
    m_uiQuadCapacity = uiCount;
    uint16_t* p = m_spQuadIndices.get();
    for (uint32_t k = 0; k < uiQuads; k++) {
        const uint16_t v = uint16_t(4 * k);
        *p++ = v;
        *p++ = uint16_t(v + 1);
        *p++ = uint16_t(v + 2);
        *p++ = v;
        *p++ = uint16_t(v + 2);
        *p++ = uint16_t(v + 3);
    }
    return m_spQuadIndices.get();
}
