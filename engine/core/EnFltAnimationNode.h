#pragma once
#include <cstdint>

#include "engine/core/EnSwitchNode.h"

// A flip-book: a switch node that cycles through its children over a period, one child per
// equal share of it, optionally forward then backward within one period.
class EnFltAnimationNode : public EnSwitchNode {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    // Flags bit 6: run forward then backward within one period.
    static constexpr uint16_t BOUNCE_MASK = 0x0040;

    EnFltAnimationNode();
    ~EnFltAnimationNode() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;
    // Picks the child for the saved time, draws it, and shows nothing again afterwards.
    void Draw(EnCamera* pCamera) override;

    double GetPeriod() const { return m_dPeriod; }
    void SetPeriod(double dPeriod) { m_dPeriod = dPeriod; }
    bool GetBounce() const { return (m_usFlags & BOUNCE_MASK) != 0; }
    void SetBounce(bool bBounce) {
        m_usFlags = uint16_t(bBounce ? (m_usFlags | BOUNCE_MASK) : (m_usFlags & ~BOUNCE_MASK));
    }
    // Sets the index for the time; nothing changes without children or with a period at or
    // below 0.
    void SelectIndex(double dTime);

protected:
    double m_dPeriod = 1.0;
};
