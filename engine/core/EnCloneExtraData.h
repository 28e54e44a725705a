#pragma once
#include "engine/core/EnExtraData.h"

// The mark a clone pass puts at the head of a source object's extra data: it ties the source to
// the copy made of it, so that the fix-up steps of other objects find the copies of the objects
// they link to. It lives only while the clone runs, is never copied into a clone and never
// written to a scene file (it has no create function). Everything but its class is
// EnExtraData's, so cloning one on purpose gives a plain EnExtraData.
class EnCloneExtraData : public EnExtraData {
    EN_DECLARE_RTTI;

public:
    explicit EnCloneExtraData(EnObject* pClone = nullptr) : m_pClone(pClone) {}
    ~EnCloneExtraData() override;

    // The copy made of the marked object; not counted (the copy belongs to the clone's caller).
    EnObject* GetClone() const { return m_pClone; }
    void SetClone(EnObject* pClone) { m_pClone = pClone; }

protected:
    EnObject* m_pClone;
};
