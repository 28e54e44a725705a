#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnExtraData.h"

// One weight per vertex of a skinned mesh, attached to the mesh as extra data.
class EnVertWeightsExtraData : public EnExtraData {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnVertWeightsExtraData();
    // A copy of usCount weights (zeros when pfWeights is null).
    EnVertWeightsExtraData(uint16_t usCount, const float* pfWeights);
    ~EnVertWeightsExtraData() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    uint16_t GetWeightCount() const { return m_usWeightCount; }
    const float* GetWeights() const { return m_pfWeights.get(); }
    void SetWeights(uint16_t usCount, const float* pfWeights);

protected:
    uint16_t m_usWeightCount = 0;
    std::unique_ptr<float[]> m_pfWeights;  // null when the count is 0
};
