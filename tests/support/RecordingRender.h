#pragma once
// A renderer that draws nothing and records every call it receives, with the model transform
// and the property and effect states in force at each draw. Tests that use it link the
// renderer library (engine_render).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/EnBoundSphere.h"
#include "engine/core/EnFrustum.h"
#include "engine/core/EnMatrix3.h"
#include "engine/core/EnPlaneEquation.h"
#include "engine/core/EnRect.h"
#include "engine/core/EnVector3.h"
#include "engine/render/EnRender.h"

class RecordingRender : public EnRender {
public:
    struct Call {
        std::string m_kName;                      // the operation, e.g. "DrawTriShape", "OpenScene"
        const void* m_pData = nullptr;            // the geometry data drawn (draw calls)
        EnBoundSphere m_worldBound;               // the bound passed with it
        EnVector3 m_translate{0.0f, 0.0f, 0.0f};  // model transform in force
        EnMatrix3 m_rotate{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
        float m_fScale = 1.0f;
        EnPropertyState* m_pPropertyState = nullptr;  // states in force
        EnDynamicEffectState* m_pEffectState = nullptr;
        EnAccumulator* m_pAccumulator = nullptr;
        uint32_t m_uiPlanes = 0;  // SetClipPlanes: count, frustum count and bits
        uint32_t m_uiFrustumPlanes = 0;
        uint32_t m_uiFrustumBits = 0;
        std::vector<EnPlaneEquation> m_kPlanes;
        uint16_t m_usVertices = 0;  // DrawScreenPolygon
        const EnVector3* m_pVertex = nullptr;
    };

    std::vector<Call> m_kCalls;
    std::vector<std::string> m_kDestroyedNotices;  // "effect" / "data" per notice received
    uint32_t m_uiOpenSceneResult = 0;

    // Calls named kName, in order.
    std::vector<const Call*> CallsNamed(const std::string& kName) const {
        std::vector<const Call*> kOut;
        for (const Call& kCall : m_kCalls)
            if (kCall.m_kName == kName) kOut.push_back(&kCall);
        return kOut;
    }
    // Geometry draws of every kind, screen polygons excluded.
    std::vector<const Call*> GeometryDraws() const {
        std::vector<const Call*> kOut;
        for (const Call& kCall : m_kCalls)
            if (kCall.m_pData && kCall.m_kName.rfind("Draw", 0) == 0) kOut.push_back(&kCall);
        return kOut;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> kOut;
        for (const Call& kCall : m_kCalls) kOut.push_back(kCall.m_kName);
        return kOut;
    }
    void Clear() { m_kCalls.clear(); }

    const char* GetDisplayFormatInfo() override { return "recording"; }
    uint32_t GetRendererField() override { return 0; }
    bool IsTextureFormatAvailable(uint32_t) override { return false; }
    bool SwapBuffers() override { return Record("SwapBuffers"), true; }
    bool ClearBuffers(const EnRect<float>* pViewport, uint32_t uiFlags) override {
        Call& kCall = Record("ClearBuffers");
        kCall.m_uiPlanes = uiFlags;
        m_lastClear = pViewport ? *pViewport : EnRect<float>{0.0f, 1.0f, 1.0f, 0.0f};
        return true;
    }
    uint32_t GetScreenWidth() override { return 640; }
    uint32_t GetScreenHeight() override { return 480; }
    EnImage* GetBufferSurface(uint32_t) override { return nullptr; }
    uint32_t BlitImage(EnImage*, const EnRect<uint32_t>*, uint32_t, uint32_t, bool) override {
        return 0;
    }
    bool SetBackgroundColor(const EnColorRGB&) override { return true; }
    bool PrecacheImage(EnImage*, bool, bool) override { return true; }
    bool ReleaseAllTextures(bool) override { return true; }
    bool ReleaseImageTextures(EnImage*) override { return true; }
    bool SetTextureManagerValue(uint32_t) override { return true; }
    uint32_t GetTextureManagerSetting() override { return 0; }

    uint32_t OpenScene(EnCamera*) override {
        Record("OpenScene");
        return m_uiOpenSceneResult;
    }
    void CloseScene() override { Record("CloseScene"); }
    void SetViewFromCamera(const EnVector3& kLoc, const EnVector3& kDir, const EnVector3& kUp,
                           const EnVector3& kRight, const EnFrustum& kFrustum,
                           const EnRect<float>& kPort) override {
        Record("SetViewFromCamera");
        m_viewLoc = kLoc;
        m_viewDir = kDir;
        m_viewUp = kUp;
        m_viewRight = kRight;
        m_viewFrustum = kFrustum;
        m_viewPort = kPort;
    }
    void SetModelTransform(const EnVector3& kTranslate, const EnMatrix3& kRotate,
                           float fScale) override {
        m_translate = kTranslate;
        m_rotate = kRotate;
        m_fScale = fScale;
    }
    bool SetClipPlanes(EnPlaneEquation* const* ppPlanes, uint32_t uiCount, uint32_t uiFrustumCount,
                       uint32_t uiFrustumBits) override {
        Call& kCall = Record("SetClipPlanes");
        kCall.m_uiPlanes = uiCount;
        kCall.m_uiFrustumPlanes = uiFrustumCount;
        kCall.m_uiFrustumBits = uiFrustumBits;
        for (uint32_t i = 0; i < uiCount; i++) kCall.m_kPlanes.push_back(*ppPlanes[i]);
        return uiCount != 0;
    }
    void DrawTriShape(EnTriShapeData* pData, const EnBoundSphere& kBound) override {
        RecordDraw("DrawTriShape", pData, kBound);
    }
    void DrawTriangles(EnTrianglesData* pData, const EnBoundSphere& kBound) override {
        RecordDraw("DrawTriangles", pData, kBound);
    }
    void DrawTriStrip(EnTriStripData* pData, const EnBoundSphere& kBound) override {
        RecordDraw("DrawTriStrip", pData, kBound);
    }
    void DrawTriStrips(EnTriStripsData* pData, const EnBoundSphere& kBound) override {
        RecordDraw("DrawTriStrips", pData, kBound);
    }
    void DrawParticles(EnParticlesData* pData, const EnBoundSphere& kBound) override {
        RecordDraw("DrawParticles", pData, kBound);
    }
    void DrawLines(EnLinesData* pData, const EnBoundSphere& kBound) override {
        RecordDraw("DrawLines", pData, kBound);
    }
    void DrawScreenPolygon(uint16_t usVertices, const EnVector3* pVertex, const EnVector2*,
                           const EnColorRGBA*) override {
        Call& kCall = Record("DrawScreenPolygon");
        kCall.m_usVertices = usVertices;
        kCall.m_pVertex = pVertex;
    }
    void OnDynamicEffectDestroyed(EnDynamicEffect*) override {
        m_kDestroyedNotices.push_back("effect");
    }
    void OnGeometryDataDestroyed(EnGeometryData*) override {
        m_kDestroyedNotices.push_back("data");
    }

    EnVector3 m_viewLoc{0.0f, 0.0f, 0.0f};
    EnVector3 m_viewDir{0.0f, 0.0f, 0.0f};
    EnVector3 m_viewUp{0.0f, 0.0f, 0.0f};
    EnVector3 m_viewRight{0.0f, 0.0f, 0.0f};
    EnFrustum m_viewFrustum;
    EnRect<float> m_viewPort;
    EnRect<float> m_lastClear;

private:
    Call& Record(const char* pcName) {
        Call& kCall = m_kCalls.emplace_back();
        kCall.m_kName = pcName;
        kCall.m_translate = m_translate;
        kCall.m_rotate = m_rotate;
        kCall.m_fScale = m_fScale;
        kCall.m_pPropertyState = GetPropertyState();
        kCall.m_pEffectState = GetEffectState();
        kCall.m_pAccumulator = GetAccumulator();
        return kCall;
    }
    void RecordDraw(const char* pcName, const void* pData, const EnBoundSphere& kBound) {
        Call& kCall = Record(pcName);
        kCall.m_pData = pData;
        kCall.m_worldBound = kBound;
    }

    EnVector3 m_translate{0.0f, 0.0f, 0.0f};
    EnMatrix3 m_rotate{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    float m_fScale = 1.0f;
};
