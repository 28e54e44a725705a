#pragma once
#include <cstdint>

#include "engine/core/EnNode.h"
#include "engine/core/EnPointer.h"
#include "engine/render/EnAccumulator.h"

// A node that changes which accumulator collects its subtree's geometry while it is drawn:
// the renderer's current one, none (the subtree draws at once, unsorted), or its own.
class EnSortAdjustNode : public EnNode {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    struct LinkRecord : EnNode::LinkRecord {
        uint32_t m_uiAccumulatorID = 0;
    };

    enum SortingMode : int32_t {
        SORTING_INHERIT = 0,  // the renderer's current accumulator
        SORTING_OFF = 1,      // no accumulator
        SORTING_SUBSORT = 2,  // the node's own accumulator
    };

    EnSortAdjustNode();
    ~EnSortAdjustNode() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    // Draws the subtree with the mode's accumulator in the camera's renderer and puts the
    // renderer's own accumulator back afterwards.
    void Draw(EnCamera* pCamera) override;

    SortingMode GetSortingMode() const { return m_eSortMode; }
    void SetSortingMode(SortingMode eMode) { m_eSortMode = eMode; }
    EnAccumulator* GetAccumulator() const { return m_spAccumulator; }
    void SetAccumulator(EnAccumulator* pAccumulator) { m_spAccumulator = pAccumulator; }

protected:
    SortingMode m_eSortMode = SORTING_INHERIT;
    EnPointer<EnAccumulator> m_spAccumulator;
};
