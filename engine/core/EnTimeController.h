#pragma once
#include <cfloat>
#include <cstdint>

#include "engine/core/EnObject.h"
#include "engine/core/EnPointer.h"

class EnObjectNET;

// Base of every animation controller. A controller drives one target object and sits in the
// target's controller chain (the target holds the first controller, each controller the next);
// it turns the application's clock into a key time inside its key range by its frequency,
// phase, time base and cycle type. The concrete controllers animate the target in Update.
class EnTimeController : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    struct LinkRecord : EnObject::LinkRecord {
        uint32_t m_uiNextID = 0;
        uint32_t m_uiTargetID = 0;
    };

    // Time base (flags bit 0).
    enum AnimType : uint16_t { APP_TIME = 0, APP_INIT = 1 };
    // What happens past the end of the key range (flags bits 1-2).
    enum CycleType : uint16_t { LOOP = 0, REVERSE = 1, CLAMP = 2 };

    static constexpr uint16_t ANIMTYPE_MASK = 0x0001;
    static constexpr uint16_t CYCLETYPE_MASK = 0x0006;
    static constexpr uint16_t CYCLETYPE_POS = 1;
    static constexpr uint16_t ACTIVE_MASK = 0x0008;
    // A start or last time that has not been set yet.
    static constexpr float UNSET_TIME = -FLT_MAX;

    EnTimeController();
    ~EnTimeController() override;

    // Abstract: every concrete controller makes its own copy (with CopyMembers).
    EnObject* CloneObject() override { return nullptr; }
    void CloneFixup(EnObject* pCopy) override;
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    virtual void Start();
    virtual void StartAt(float fTime);
    virtual void Stop();
    // Animates the target for the application time.
    virtual void Update(float fTime) = 0;
    // Called without arguments by the target's PreDraw.
    virtual void PreDraw() {}
    // Moves the controller from its old target's chain to the head of the new target's.
    virtual void SetTarget(EnObjectNET* pTarget);
    // Passes the call on down the chain; a subclass may reset its own state first.
    virtual void OnNextInChain();
    // Application time -> key time; also records the time as the last time.
    virtual float ScaleTime(float fTime);
    // Whether the target's class suits the controller.
    virtual bool IsTargetTypeValid() const = 0;

    AnimType GetAnimType() const { return AnimType(m_usFlags & ANIMTYPE_MASK); }
    void SetAnimType(AnimType eType) {
        m_usFlags = uint16_t((m_usFlags & ~ANIMTYPE_MASK) | (eType & ANIMTYPE_MASK));
    }
    CycleType GetCycleType() const {
        return CycleType((m_usFlags & CYCLETYPE_MASK) >> CYCLETYPE_POS);
    }
    void SetCycleType(CycleType eType) {
        m_usFlags = uint16_t((m_usFlags & ~CYCLETYPE_MASK) |
                             ((uint16_t(eType) << CYCLETYPE_POS) & CYCLETYPE_MASK));
    }
    bool GetActive() const { return (m_usFlags & ACTIVE_MASK) != 0; }
    void SetActive(bool bActive) {
        m_usFlags = uint16_t(bActive ? (m_usFlags | ACTIVE_MASK) : (m_usFlags & ~ACTIVE_MASK));
    }
    uint16_t GetFlags() const { return m_usFlags; }
    void SetFlags(uint16_t usFlags) { m_usFlags = usFlags; }

    float GetFrequency() const { return m_fFrequency; }
    void SetFrequency(float fFrequency) { m_fFrequency = fFrequency; }
    float GetPhase() const { return m_fPhase; }
    void SetPhase(float fPhase) { m_fPhase = fPhase; }
    float GetBeginKeyTime() const { return m_fLoKeyTime; }
    float GetEndKeyTime() const { return m_fHiKeyTime; }
    void SetBeginKeyTime(float fTime) { m_fLoKeyTime = fTime; }
    void SetEndKeyTime(float fTime) { m_fHiKeyTime = fTime; }
    float GetStartTime() const { return m_fStartTime; }
    float GetLastTime() const { return m_fLastTime; }

    EnObjectNET* GetTarget() const { return m_pTarget; }
    // Told by a dying target, so a controller held elsewhere never points at freed memory.
    void ForgetTarget(const EnObjectNET* pTarget) {
        if (m_pTarget == pTarget) m_pTarget = nullptr;
    }
    EnTimeController* GetNext() const { return m_spNext; }
    // Chain maintenance for EnObjectNET's controller list; nothing else should call it.
    void SetNext(EnTimeController* pNext) { m_spNext = pNext; }

    // Controllers from pController along the next links; 0 for none.
    static uint32_t GetChainLength(const EnTimeController* pController);
    // StartAt(fTime) / Stop on every controller of the object, of its controlled properties
    // and, for a node, of its whole subtree.
    static void StartAnimations(EnObjectNET* pObject, float fTime);
    static void StopAnimations(EnObjectNET* pObject);

protected:
    // Fills the EnTimeController part of a concrete controller's copy.
    void CopyMembers(EnTimeController* pCopy);

    uint16_t m_usFlags = CLAMP << CYCLETYPE_POS | ACTIVE_MASK;  // APP_TIME, CLAMP, active
    float m_fFrequency = 1.0f;
    float m_fPhase = 0.0f;
    float m_fLoKeyTime = FLT_MAX;
    float m_fHiKeyTime = -FLT_MAX;
    float m_fStartTime = UNSET_TIME;
    float m_fLastTime = UNSET_TIME;
    EnObjectNET* m_pTarget = nullptr;  // not counted: the target owns its controllers
    EnPointer<EnTimeController> m_spNext;
};
