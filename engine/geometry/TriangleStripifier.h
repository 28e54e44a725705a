#pragma once
#include <cstdint>
#include <vector>

// Turns a triangle list (three 16-bit vertex indices per triangle) into triangle strips that
// draw the same triangles with the same winding, dropping the degenerate ones (two equal
// indices) on the way. Constructing the object does all the work; afterwards it holds only
// the counts and the strips.
//
// A strip of n indices holds n - 2 triangles; triangle i is indices i, i+1, i+2, taken in
// reversed order when i is odd, as the strip geometry draws them. Strips grow greedily from
// the triangle with the fewest live neighbours, across the edge the strip's last two indices
// form. Without run-on, a strip picked that way stops after its first triangle and the next
// strip starts across the edge where it stopped, running for as long as it finds a neighbour.
//
// Counts are 32-bit here so that the stripifier also serves meshes larger than the strip data
// can hold; FitsStripsData tells whether the result fits the strip data's 16-bit fields.
class TriangleStripifier {
public:
    static constexpr uint32_t NONE = 0xFFFFFFFF;

    // One directed edge of the kept triangles. Its owners, the unconsumed triangles whose
    // winding runs along it, sit in one shared array from m_uiFirstOwner on: they only ever
    // leave, so every edge keeps the room it was counted for.
    struct StripEdge {
        uint16_t m_usStart = 0;
        uint16_t m_usEnd = 0;
        uint32_t m_uiFirstOwner = 0;
        uint32_t m_uiOwners = 0;
        uint32_t m_uiNextOutgoing = NONE;  // next edge that starts at m_usStart

        void AddTriangle(std::vector<uint32_t>& kOwners, uint32_t uiTriangle) {
            kOwners[m_uiFirstOwner + m_uiOwners++] = uiTriangle;
        }
        // The last owner takes the removed one's place, so the first owner changes only when
        // it is the one removed.
        void RemoveTriangle(std::vector<uint32_t>& kOwners, uint32_t uiTriangle);
        uint32_t FirstOwner(const std::vector<uint32_t>& kOwners) const {
            return kOwners[m_uiFirstOwner];
        }
    };

    // One kept triangle, at its position in the kept list. Own edge k runs from corner
    // (k+1) mod 3 to corner (k+2) mod 3, the edge that faces corner k in the winding; opposite
    // edge k is the same two vertices the other way round (a neighbour's own edge), or NONE.
    struct StripTriangle {
        uint16_t m_ausCorner[3] = {0, 0, 0};
        uint32_t m_auiOwnEdge[3] = {NONE, NONE, NONE};
        uint32_t m_auiOppositeEdge[3] = {NONE, NONE, NONE};
        uint32_t m_uiNext = NONE;  // bucket list links
        uint32_t m_uiPrevious = NONE;
        uint8_t m_ucBucket = 0;

        // Leaves the owner lists of its three own edges; uiSelf is its position in the list.
        void DetachFromEdges(uint32_t uiSelf, std::vector<StripEdge>& kEdges,
                             std::vector<uint32_t>& kOwners) const;
    };

    // The outgoing edges of one vertex, as a list threaded through the edges.
    struct StripVertex {
        uint32_t m_uiFirstEdge = NONE;

        uint32_t FindEdgeTo(uint16_t usEnd, const std::vector<StripEdge>& kEdges) const {
            for (uint32_t e = m_uiFirstEdge; e != NONE; e = kEdges[e].m_uiNextOutgoing)
                if (kEdges[e].m_usEnd == usEnd) return e;
            return NONE;
        }
    };

    // The unconsumed triangles by live-neighbour count (0 to 3), each bucket a doubly linked
    // list; added and moved triangles go to the head.
    struct TriangleBuckets {
        uint32_t m_auiHead[4] = {NONE, NONE, NONE, NONE};

        void AddHead(std::vector<StripTriangle>& kTriangles, uint32_t uiTriangle, uint8_t ucBucket);
        void Remove(std::vector<StripTriangle>& kTriangles, uint32_t uiTriangle);
        // Head of the lowest non-empty bucket, or NONE.
        uint32_t First() const;
    };

    // The list holds 3 x uiTriangles indices and is only read.
    TriangleStripifier(const uint16_t* pusTriList, uint32_t uiTriangles, bool bRunOn);
    TriangleStripifier(const TriangleStripifier&) = delete;
    TriangleStripifier& operator=(const TriangleStripifier&) = delete;

    uint32_t GetKeptTriangleCount() const { return m_uiKept; }
    uint32_t GetStripCount() const { return uint32_t(m_kStripLengths.size()); }
    // Index count of each strip, in strip order.
    const std::vector<uint32_t>& GetStripLengths() const { return m_kStripLengths; }
    // Every strip's indices, strip after strip: kept triangles + 2 x strips entries.
    const std::vector<uint16_t>& GetStripIndices() const { return m_kStripIndices; }
    // Whether the triangle count, strip count and every strip length fit in 16 bits.
    bool FitsStripsData() const;

    // A triangle with two equal indices covers no area whatever its vertices are.
    static bool IsDegenerate(uint16_t usI0, uint16_t usI1, uint16_t usI2) {
        return usI0 == usI1 || usI1 == usI2 || usI0 == usI2;
    }

private:
    void BuildAdjacency(const uint16_t* pusTriList, uint32_t uiTriangles);
    void BuildStrips(bool bRunOn);
    // Own edges of the triangle that still have an owner on the other side.
    uint8_t CountLiveNeighbours(const StripTriangle& kTriangle) const;
    bool IsLive(uint32_t uiEdge) const { return uiEdge != NONE && m_kEdges[uiEdge].m_uiOwners > 0; }
    // Takes the triangle out of its edges and its bucket and moves every neighbour to the head
    // of the bucket of its new live-neighbour count.
    void Consume(uint32_t uiTriangle);
    void UpdateNeighbours(const StripTriangle& kTriangle);

    // Working state, released before the constructor returns.
    std::vector<StripTriangle> m_kTriangles;
    std::vector<StripEdge> m_kEdges;
    std::vector<uint32_t> m_kOwners;
    TriangleBuckets m_kBuckets;

    uint32_t m_uiKept = 0;
    std::vector<uint32_t> m_kStripLengths;
    std::vector<uint16_t> m_kStripIndices;
};
