#pragma once
#include <cstdint>

#include "engine/geometry/EnTriBasedGeomData.h"

// The data of an indexed triangle list: three vertex indices per triangle, and optional
// shared-normal groups, lists of vertices that lie at the same place (seams of texture or
// colour) and must get one common normal.
class EnTriShapeData : public EnTriBasedGeomData {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // Vertices that share one normal; the indices are owned (new[]) and null when empty.
    struct SharedNormalGroup {
        uint16_t m_usCount = 0;
        uint16_t* m_pusIndices = nullptr;

        SharedNormalGroup() = default;
        SharedNormalGroup(const SharedNormalGroup&) = delete;
        SharedNormalGroup& operator=(const SharedNormalGroup&) = delete;
        ~SharedNormalGroup() { delete[] m_pusIndices; }
        // Takes the indices over (new[]).
        void Set(uint16_t usCount, uint16_t* pusIndices);
    };

    EnTriShapeData() = default;
    // Takes every array over (new[]); the list holds 3 x usTriangles indices.
    EnTriShapeData(uint16_t usVertices, EnVector3* pVertex, EnVector3* pNormal, EnColorRGBA* pColor,
                   EnVector2* pTexture, uint16_t usTriangles, uint16_t* pusTriList);
    ~EnTriShapeData() override;

    EnObject* CloneObject() override { return this; }
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // Face normals summed at every vertex (and across the shared-normal groups), then unit.
    void ComputeNormals() override;

    uint32_t GetTriListLength() const { return m_uiTriListLength; }
    uint16_t* GetTriList() const { return m_pTriList; }
    // Replaces the list pointer (the old list is not freed: the caller keeps it) and sets the
    // length to 3 x the triangle count.
    void SetTriangleList(uint16_t* pusTriList);
    // Frees the list and takes the new one with its triangle count over.
    void ReplaceTriangleList(uint16_t usTriangles, uint16_t* pusTriList);
    // The three indices of triangle i; false when the list does not hold it.
    bool GetTriangleIndices(uint16_t usTriangle, uint16_t& usI0, uint16_t& usI1,
                            uint16_t& usI2) const;

    uint16_t GetSharedNormalGroupCount() const { return m_usSharedNormalGroups; }
    const SharedNormalGroup* GetSharedNormalGroups() const { return m_pSharedNormalGroups; }
    // Takes a new[] array of groups over; the old groups are destroyed.
    void SetSharedNormalGroups(uint16_t usCount, SharedNormalGroup* pGroups);

    // Whether the counts and indices fit the arrays: a list long enough for the triangles,
    // every index and every group entry below the vertex count.
    bool HasValidIndices() const;

protected:
    uint32_t m_uiTriListLength = 0;
    uint16_t* m_pTriList = nullptr;
    SharedNormalGroup* m_pSharedNormalGroups = nullptr;
    uint16_t m_usSharedNormalGroups = 0;
};
