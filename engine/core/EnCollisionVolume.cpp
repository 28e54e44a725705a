#include "engine/core/EnCollisionVolume.h"

#include "engine/core/EnStream.h"

namespace {

struct VolumeTables {
    EnCollisionVolume::PairTest m_apfnPairTest[EnCollisionVolume::TYPE_COUNT]
                                              [EnCollisionVolume::TYPE_COUNT] = {};
    EnCollisionVolume::PairSearch m_apfnPairSearch[EnCollisionVolume::TYPE_COUNT]
                                                  [EnCollisionVolume::TYPE_COUNT] = {};
    EnCollisionVolume::TriangleTest m_apfnTriangleTest[EnCollisionVolume::TYPE_COUNT] = {};
    EnCollisionVolume::TriangleSearch m_apfnTriangleSearch[EnCollisionVolume::TYPE_COUNT] = {};
    EnCollisionVolume::Creator m_apfnCreate[EnCollisionVolume::TYPE_COUNT] = {};
    EnCollisionVolume::SphereHook m_pfnSphereHook = nullptr;
    EnCollisionVolume::TriangleHook m_pfnTriangleHook = nullptr;
};

VolumeTables& Tables() {
    static VolumeTables s_kTables;
    return s_kTables;
}

bool IsType(int32_t iType) {
    return iType >= 0 && iType < EnCollisionVolume::TYPE_COUNT;
}

}  // namespace

void EnCollisionVolume::SetPairTest(int32_t iTypeA, int32_t iTypeB, PairTest pfnTest) {
    if (IsType(iTypeA) && IsType(iTypeB)) Tables().m_apfnPairTest[iTypeA][iTypeB] = pfnTest;
}

void EnCollisionVolume::SetPairSearch(int32_t iTypeA, int32_t iTypeB, PairSearch pfnSearch) {
    if (IsType(iTypeA) && IsType(iTypeB)) Tables().m_apfnPairSearch[iTypeA][iTypeB] = pfnSearch;
}

void EnCollisionVolume::SetTriangleTest(int32_t iType, TriangleTest pfnTest) {
    if (IsType(iType)) Tables().m_apfnTriangleTest[iType] = pfnTest;
}

void EnCollisionVolume::SetTriangleSearch(int32_t iType, TriangleSearch pfnSearch) {
    if (IsType(iType)) Tables().m_apfnTriangleSearch[iType] = pfnSearch;
}

void EnCollisionVolume::SetCreator(int32_t iType, Creator pfnCreate) {
    if (IsType(iType)) Tables().m_apfnCreate[iType] = pfnCreate;
}

void EnCollisionVolume::SetSphereHook(SphereHook pfnHook) {
    Tables().m_pfnSphereHook = pfnHook;
}

void EnCollisionVolume::SetTriangleHook(TriangleHook pfnHook) {
    Tables().m_pfnTriangleHook = pfnHook;
}

void EnCollisionVolume::ClearTables() {
    Tables() = VolumeTables();
}

bool TestCollisionVolumes(float fTime, EnCollisionVolume& kVolumeA, const EnVector3& kVelocityA,
                          EnCollisionVolume& kVolumeB, const EnVector3& kVelocityB) {
    const int32_t iA = kVolumeA.GetType();
    const int32_t iB = kVolumeB.GetType();
    if (!IsType(iA) || !IsType(iB)) return false;
    if (auto pfnTest = Tables().m_apfnPairTest[iA][iB])
        return pfnTest(fTime, kVolumeA, kVelocityA, kVolumeB, kVelocityB);
    if (auto pfnTest = Tables().m_apfnPairTest[iB][iA])
        return pfnTest(fTime, kVolumeB, kVelocityB, kVolumeA, kVelocityA);
    return false;
}

bool FindCollisionVolumeIntersections(float fTime, EnCollisionVolume& kVolumeA,
                                      const EnVector3& kVelocityA, EnCollisionVolume& kVolumeB,
                                      const EnVector3& kVelocityB, float& fIntersectTime,
                                      EnVector3& kIntersectPoint, bool bCalcNormals,
                                      EnVector3& kNormalA, EnVector3& kNormalB) {
    const int32_t iA = kVolumeA.GetType();
    const int32_t iB = kVolumeB.GetType();
    if (!IsType(iA) || !IsType(iB)) return false;
    if (auto pfnSearch = Tables().m_apfnPairSearch[iA][iB])
        return pfnSearch(fTime, kVolumeA, kVelocityA, kVolumeB, kVelocityB, fIntersectTime,
                         kIntersectPoint, bCalcNormals, kNormalA, kNormalB);
    if (auto pfnSearch = Tables().m_apfnPairSearch[iB][iA])
        return pfnSearch(fTime, kVolumeB, kVelocityB, kVolumeA, kVelocityA, fIntersectTime,
                         kIntersectPoint, bCalcNormals, kNormalB, kNormalA);
    return false;
}

bool TestTriangleAgainstVolume(float fTime, EnCollisionVolume& kVolume, const EnVector3& kVelocity,
                               const EnVector3& kP0, const EnVector3& kP1, const EnVector3& kP2,
                               const EnVector3& kTriangleVelocity) {
    const int32_t iType = kVolume.GetType();
    if (!IsType(iType)) return false;
    auto pfnTest = Tables().m_apfnTriangleTest[iType];
    return pfnTest && pfnTest(fTime, kVolume, kVelocity, kP0, kP1, kP2, kTriangleVelocity);
}

bool FindTriangleVolumeIntersections(float fTime, EnCollisionVolume& kVolume,
                                     const EnVector3& kVelocity, const EnVector3& kP0,
                                     const EnVector3& kP1, const EnVector3& kP2,
                                     const EnVector3& kTriangleVelocity, float& fIntersectTime,
                                     EnVector3& kIntersectPoint, bool bCalcNormals,
                                     EnVector3& kVolumeNormal, EnVector3& kTriangleNormal) {
    const int32_t iType = kVolume.GetType();
    if (!IsType(iType)) return false;
    auto pfnSearch = Tables().m_apfnTriangleSearch[iType];
    return pfnSearch &&
           pfnSearch(fTime, kVolume, kVelocity, kP0, kP1, kP2, kTriangleVelocity, fIntersectTime,
                     kIntersectPoint, bCalcNormals, kVolumeNormal, kTriangleNormal);
}

std::unique_ptr<EnCollisionVolume> CallSphereVolumeHook(const EnBoundSphere& kSphere) {
    auto pfnHook = Tables().m_pfnSphereHook;
    return std::unique_ptr<EnCollisionVolume>(pfnHook ? pfnHook(kSphere.m_fRadius, kSphere)
                                                      : nullptr);
}

std::unique_ptr<EnCollisionVolume> CallTriangleVolumeHook(uint32_t uiCount,
                                                          const EnVector3* pVertices) {
    auto pfnHook = Tables().m_pfnTriangleHook;
    return std::unique_ptr<EnCollisionVolume>(pfnHook ? pfnHook(uiCount, pVertices) : nullptr);
}

std::unique_ptr<EnCollisionVolume> LoadCollisionVolume(EnStream& kStream) {
    int32_t iType = -1;
    if (!kStream.ReadI32(iType) || !IsType(iType)) return nullptr;
    auto pfnCreate = Tables().m_apfnCreate[iType];
    return std::unique_ptr<EnCollisionVolume>(pfnCreate ? pfnCreate(kStream) : nullptr);
}

void SaveCollisionVolume(EnStream& kStream, const EnCollisionVolume& kVolume) {
    kStream.WriteI32(kVolume.GetType());
    kVolume.SaveToStream(kStream);
}
