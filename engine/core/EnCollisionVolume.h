#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnBoundSphere.h"
#include "engine/core/EnMatrix3.h"
#include "engine/core/EnVector3.h"

class EnStream;

// A collision volume that a scene object may carry in place of its bounding sphere: a model
// volume and its world copy. The engine does not know the volume kinds; it reaches them only
// through process-wide tables indexed by a volume's type id (0 to 5) and two creation hooks,
// all empty until a volume kind fills them at start-up. With the tables empty every test and
// search answers false and every creation answers null.
class EnCollisionVolume {
public:
    static constexpr int32_t TYPE_COUNT = 6;

    using PairTest = bool (*)(float fTime, EnCollisionVolume& kVolume0, const EnVector3& kVelocity0,
                              EnCollisionVolume& kVolume1, const EnVector3& kVelocity1);
    using PairSearch = bool (*)(float fTime, EnCollisionVolume& kVolume0,
                                const EnVector3& kVelocity0, EnCollisionVolume& kVolume1,
                                const EnVector3& kVelocity1, float& fIntersectTime,
                                EnVector3& kIntersectPoint, bool bCalcNormals, EnVector3& kNormal0,
                                EnVector3& kNormal1);
    using TriangleTest = bool (*)(float fTime, EnCollisionVolume& kVolume,
                                  const EnVector3& kVelocity, const EnVector3& kP0,
                                  const EnVector3& kP1, const EnVector3& kP2,
                                  const EnVector3& kTriangleVelocity);
    using TriangleSearch = bool (*)(float fTime, EnCollisionVolume& kVolume,
                                    const EnVector3& kVelocity, const EnVector3& kP0,
                                    const EnVector3& kP1, const EnVector3& kP2,
                                    const EnVector3& kTriangleVelocity, float& fIntersectTime,
                                    EnVector3& kIntersectPoint, bool bCalcNormals,
                                    EnVector3& kVolumeNormal, EnVector3& kTriangleNormal);
    // Reads the rest of a volume of its kind (after the type id) from a scene stream.
    using Creator = EnCollisionVolume* (*)(EnStream& kStream);
    using SphereHook = EnCollisionVolume* (*)(float fRadius, const EnBoundSphere& kSphere);
    using TriangleHook = EnCollisionVolume* (*)(uint32_t uiCount, const EnVector3* pVertices);

    virtual ~EnCollisionVolume() = default;
    // Writes the volume's own fields; the caller has written the type id before them.
    virtual void SaveToStream(EnStream& kStream) const = 0;
    virtual int32_t GetType() const = 0;
    // Makes this world copy the model volume moved by the world transform.
    virtual void UpdateWorld(const EnCollisionVolume& kModel, const EnMatrix3& kRotate,
                             const EnVector3& kTranslate, float fScale) = 0;
    virtual std::unique_ptr<EnCollisionVolume> CreateWorldCopy() const = 0;
    // True when the two volumes differ.
    virtual bool DiffersFrom(const EnCollisionVolume& kOther) const = 0;

    // Table entries; an id outside 0 to 5 is ignored. Null empties an entry.
    static void SetPairTest(int32_t iTypeA, int32_t iTypeB, PairTest pfnTest);
    static void SetPairSearch(int32_t iTypeA, int32_t iTypeB, PairSearch pfnSearch);
    static void SetTriangleTest(int32_t iType, TriangleTest pfnTest);
    static void SetTriangleSearch(int32_t iType, TriangleSearch pfnSearch);
    static void SetCreator(int32_t iType, Creator pfnCreate);
    static void SetSphereHook(SphereHook pfnHook);
    static void SetTriangleHook(TriangleHook pfnHook);
    // Empties every table and hook.
    static void ClearTables();
};

// Cell (A, B) of the pair table when filled; else cell (B, A) with the two volume-velocity
// pairs exchanged; else false.
bool TestCollisionVolumes(float fTime, EnCollisionVolume& kVolumeA, const EnVector3& kVelocityA,
                          EnCollisionVolume& kVolumeB, const EnVector3& kVelocityB);
// The same rule over the search table; in the exchanged call the normals are exchanged too, so
// that each lands in its own object's place.
bool FindCollisionVolumeIntersections(float fTime, EnCollisionVolume& kVolumeA,
                                      const EnVector3& kVelocityA, EnCollisionVolume& kVolumeB,
                                      const EnVector3& kVelocityB, float& fIntersectTime,
                                      EnVector3& kIntersectPoint, bool bCalcNormals,
                                      EnVector3& kNormalA, EnVector3& kNormalB);
bool TestTriangleAgainstVolume(float fTime, EnCollisionVolume& kVolume, const EnVector3& kVelocity,
                               const EnVector3& kP0, const EnVector3& kP1, const EnVector3& kP2,
                               const EnVector3& kTriangleVelocity);
bool FindTriangleVolumeIntersections(float fTime, EnCollisionVolume& kVolume,
                                     const EnVector3& kVelocity, const EnVector3& kP0,
                                     const EnVector3& kP1, const EnVector3& kP2,
                                     const EnVector3& kTriangleVelocity, float& fIntersectTime,
                                     EnVector3& kIntersectPoint, bool bCalcNormals,
                                     EnVector3& kVolumeNormal, EnVector3& kTriangleNormal);
// A volume made from a bounding sphere, or null when no hook is installed.
std::unique_ptr<EnCollisionVolume> CallSphereVolumeHook(const EnBoundSphere& kSphere);
// A volume made from triangle data, or null when no hook is installed.
std::unique_ptr<EnCollisionVolume> CallTriangleVolumeHook(uint32_t uiCount,
                                                          const EnVector3* pVertices);
// Reads a signed 32-bit type id and lets its kind read the rest; an id outside 0 to 5 or
// without a kind gives null.
std::unique_ptr<EnCollisionVolume> LoadCollisionVolume(EnStream& kStream);
// Writes the type id, then the volume's own fields.
void SaveCollisionVolume(EnStream& kStream, const EnCollisionVolume& kVolume);
