#include "engine/geometry/EnGeometryData.h"

#include <algorithm>

#include "engine/core/EnStream.h"
#include "engine/core/EnViewerStrings.h"
#include "engine/render/EnRender.h"

EN_IMPLEMENT_RTTI(EnGeometryData, EnObject);
EN_IMPLEMENT_ABSTRACT_STREAM(EnGeometryData);

static_assert(sizeof(EnVector3) == 3 * sizeof(float), "vertex arrays are packed floats");
static_assert(sizeof(EnVector2) == 2 * sizeof(float), "texture arrays are packed floats");
static_assert(sizeof(EnColorRGBA) == 4 * sizeof(float), "colour arrays are packed floats");

constinit EnColorRGBA* EnGeometryData::ms_pDefaultColors = nullptr;
constinit uint32_t EnGeometryData::ms_uiDefaultColorCapacity = 0;
constinit EnVector2* EnGeometryData::ms_pDefaultTexture = nullptr;
constinit uint32_t EnGeometryData::ms_uiDefaultTextureSize = 0;

EnTArray<EnPointer<EnGeometryData>>& EnGeometryData::ms_sharedColorList =
    *new EnTArray<EnPointer<EnGeometryData>>(64, 64);

namespace {

// The shared arrays go at exit; the data objects still listed are never touched again.
struct SharedArrayRelease {
    ~SharedArrayRelease() {
        delete[] const_cast<EnColorRGBA*>(EnGeometryData::GetDefaultColors());
        delete[] EnGeometryData::GetDefaultTextureCoords();
    }
} s_kSharedArrayRelease;

uint16_t s_usNextDataID = 0;

template <class T>
bool ArraysEqual(const T* pA, const T* pB, uint32_t uiCount) {
    if (!pA || !pB) return pA == pB;
    for (uint32_t i = 0; i < uiCount; i++)
        if (!(pA[i] == pB[i])) return false;
    return true;
}

// A presence word, then (when non-zero) uiCount elements of uiFloats floats each.
template <class T>
bool LoadFloatArray(EnStream& kStream, uint32_t uiCount, uint32_t uiFloats, T*& pArray) {
    uint32_t uiPresent = 0;
    if (!kStream.ReadU32(uiPresent)) return false;
    if (uiPresent == 0) return true;
    if (!kStream.CheckCount(uiCount, uiFloats * sizeof(float))) return false;
    pArray = new T[uiCount];
    return kStream.ReadF32Array(reinterpret_cast<float*>(pArray), uiCount * uiFloats);
}

template <class T>
void SaveFloatArray(EnStream& kStream, uint32_t uiCount, uint32_t uiFloats, const T* pArray) {
    kStream.WriteU32(pArray ? 1 : 0);
    if (pArray) kStream.WriteF32Array(reinterpret_cast<const float*>(pArray), uiCount * uiFloats);
}

}  // namespace

EnGeometryData::EnGeometryData() : m_usDataID(s_usNextDataID++) {}

EnGeometryData::EnGeometryData(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                               EnColorRGBA* pColor, EnVector2* pTexture)
    : m_usVertices(usVertices),
      m_pVertex(pVertex),
      m_pNormal(pNormal),
      m_pColor(pColor),
      m_pTexture(pTexture),
      m_usDataID(s_usNextDataID++) {
    CountTextureSets(pTexture);
    if (usVertices > 0 && pVertex) m_bound.ComputeFromPoints(usVertices, pVertex);
}

EnGeometryData::~EnGeometryData() {
    EnRender::BroadcastDataDestroyed(this);
    FreeArrays();
}

void EnGeometryData::FreeArrays() {
    delete[] m_pVertex;
    delete[] m_pNormal;
    if (m_pColor != ms_pDefaultColors) delete[] m_pColor;
    if (m_pTexture != ms_pDefaultTexture) delete[] m_pTexture;
    m_pVertex = nullptr;
    m_pNormal = nullptr;
    m_pColor = nullptr;
    m_pTexture = nullptr;
}

void EnGeometryData::BumpRevision() {
    if (++m_usRevision == 0) m_usRevision = 1;
}

EnVector2* EnGeometryData::GetTextureSet(uint16_t usSet) const {
    if (!m_pTexture || usSet >= m_usTextureSets) return nullptr;
    return m_pTexture + uint32_t(usSet) * m_usVertices;
}

void EnGeometryData::CreateVertices(bool bClear) {
    if (!m_pVertex) m_pVertex = new EnVector3[m_usVertices]();
    if (bClear) std::fill_n(m_pVertex, m_usVertices, EnVector3::ZERO);
}

void EnGeometryData::CreateNormals(bool bClear) {
    if (!m_pNormal) m_pNormal = new EnVector3[m_usVertices]();
    if (bClear) std::fill_n(m_pNormal, m_usVertices, EnVector3::ZERO);
}

void EnGeometryData::CreateColors(bool bFill) {
    if (!m_pColor) m_pColor = new EnColorRGBA[m_usVertices]();
    if (bFill && m_pColor != ms_pDefaultColors)
        std::fill_n(m_pColor, m_usVertices, EnColorRGBA(0.0f, 0.0f, 0.0f, 1.0f));
}

void EnGeometryData::CreateTextures(bool bClear, uint16_t usSets) {
    if (m_pTexture && usSets != m_usTextureSets) {
        if (m_pTexture != ms_pDefaultTexture) delete[] m_pTexture;
        m_pTexture = nullptr;
    }
    if (!m_pTexture) {
        m_pTexture = new EnVector2[uint32_t(m_usVertices) * usSets]();
        m_usTextureSets = usSets;
    }
    if (bClear && m_pTexture != ms_pDefaultTexture)
        std::fill_n(m_pTexture, GetTextureCount(), EnVector2::ZERO);
}

void EnGeometryData::ReplaceArrays(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                                   EnColorRGBA* pColor, EnVector2* pTexture) {
    // An array handed back in is kept, not freed under the caller.
    if (m_pVertex == pVertex) m_pVertex = nullptr;
    if (m_pNormal == pNormal) m_pNormal = nullptr;
    if (m_pColor == pColor) m_pColor = nullptr;
    if (m_pTexture == pTexture) m_pTexture = nullptr;
    const bool bWasShared = UsesDefaultColors();
    FreeArrays();
    SetArrays(usVertices, pVertex, pNormal, pColor, pTexture);
    if (bWasShared && pColor != ms_pDefaultColors) LeaveSharedColorList();
}

void EnGeometryData::SetArrays(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal,
                               EnColorRGBA* pColor, EnVector2* pTexture) {
    m_usVertices = usVertices;
    m_pVertex = pVertex;
    m_pNormal = pNormal;
    m_pColor = pColor;
    m_pTexture = pTexture;
    CountTextureSets(pTexture);
    if (usVertices > 0 && pVertex) m_bound.ComputeFromPoints(usVertices, pVertex);
}

void EnGeometryData::UseDefaultColors() {
    if (UsesDefaultColors()) return;
    ReserveDefaultColors(m_usVertices);
    delete[] m_pColor;
    m_pColor = ms_pDefaultColors;
    ms_sharedColorList.AddFirstEmpty(EnPointer<EnGeometryData>(this));
}

void EnGeometryData::CreateOwnColors() {
    if (!UsesDefaultColors()) return;
    m_pColor = new EnColorRGBA[m_usVertices];
    std::fill_n(m_pColor, m_usVertices, EnColorRGBA::WHITE);
    // Last step: the list's reference may be the only one, and then the object goes with it.
    LeaveSharedColorList();
}

void EnGeometryData::LeaveSharedColorList() {
    for (uint32_t i = 0; i < ms_sharedColorList.GetSize(); i++) {
        if (ms_sharedColorList.GetAt(i) == this) {
            ms_sharedColorList.RemoveAt(i);
            return;
        }
    }
}

void EnGeometryData::ReserveDefaultColors(uint32_t uiVertices) {
    if (uiVertices <= ms_uiDefaultColorCapacity) return;
    EnColorRGBA* pNew = new EnColorRGBA[uiVertices];
    std::fill_n(pNew, uiVertices, EnColorRGBA::WHITE);
    EnColorRGBA* pOld = ms_pDefaultColors;
    ms_pDefaultColors = pNew;
    ms_uiDefaultColorCapacity = uiVertices;
    for (uint32_t i = 0; i < ms_sharedColorList.GetSize(); i++)
        if (EnGeometryData* pData = ms_sharedColorList.GetAt(i)) pData->m_pColor = pNew;
    delete[] pOld;
}

void EnGeometryData::ReserveDefaultTextureCoords(uint32_t uiVertices) {
    if (ms_pDefaultTexture) return;
    ms_pDefaultTexture = new EnVector2[uiVertices];
    std::fill_n(ms_pDefaultTexture, uiVertices, EnVector2::ZERO);
    ms_uiDefaultTextureSize = uiVertices;
}

void EnGeometryData::LoadFromStream(EnStream& kStream) {
    EnObject::LoadFromStream(kStream);
    if (!kStream.ReadU16(m_usVertices)) return;
    if (!LoadFloatArray(kStream, m_usVertices, 3, m_pVertex)) return;
    if (!LoadFloatArray(kStream, m_usVertices, 3, m_pNormal)) return;
    // The stored bound is kept for comparison, but the first world-bound update recomputes it
    // from the vertices.
    if (!m_bound.Load(kStream)) return;
    m_bound.SetFlag(1);
    if (!LoadFloatArray(kStream, m_usVertices, 4, m_pColor)) return;
    if (!kStream.ReadU16(m_usTextureSets)) return;
    LoadFloatArray(kStream, GetTextureCount(), 2, m_pTexture);
}

void EnGeometryData::SaveToStream(EnStream& kStream) {
    EnObject::SaveToStream(kStream);
    kStream.WriteU16(m_usVertices);
    SaveFloatArray(kStream, m_usVertices, 3, m_pVertex);
    SaveFloatArray(kStream, m_usVertices, 3, m_pNormal);
    m_bound.Save(kStream);
    // The shared default colours are written out in full and come back as own colours.
    SaveFloatArray(kStream, m_usVertices, 4, m_pColor);
    kStream.WriteU16(m_usTextureSets);
    SaveFloatArray(kStream, GetTextureCount(), 2, m_pTexture);
}

bool EnGeometryData::EqualsObject(const EnObject* pObject) const {
    if (!EnObject::EqualsObject(pObject)) return false;
    const auto* pOther = static_cast<const EnGeometryData*>(pObject);
    if (m_usVertices != pOther->m_usVertices) return false;
    if (m_usTextureSets != pOther->m_usTextureSets) return false;
    if (!ArraysEqual(m_pVertex, pOther->m_pVertex, m_usVertices)) return false;
    if (!ArraysEqual(m_pNormal, pOther->m_pNormal, m_usVertices)) return false;
    if (!ArraysEqual(m_pColor, pOther->m_pColor, m_usVertices)) return false;
    if (!ArraysEqual(m_pTexture, pOther->m_pTexture, GetTextureCount())) return false;
    return m_bound == pOther->m_bound;
}

void EnGeometryData::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnObject::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnGeometryData"));
    kStrings.Add(MakeViewerUShort("m_usVertices", m_usVertices));
    kStrings.Add(MakeViewerPointer("m_pVertex", m_pVertex));
    kStrings.Add(MakeViewerPointer("m_pNormal", m_pNormal));
    kStrings.Add(m_bound.MakeViewerString("m_bound"));
    kStrings.Add(MakeViewerPointer("m_pColor", m_pColor));
    kStrings.Add(MakeViewerUShort("m_usTextureSets", m_usTextureSets));
    kStrings.Add(MakeViewerPointer("m_pTexture", m_pTexture));
}
