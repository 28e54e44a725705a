#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnExtraData.h"
#include "engine/core/EnObject.h"
#include "engine/core/EnPointer.h"

class EnTimeController;

// The named engine object: a name, a chain of extra data and a chain of animation controllers.
// Every scene object and every property derives from it. Each chain hangs off its head here and
// every member holds a reference to the next one.
class EnObjectNET : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    struct LinkRecord : EnObject::LinkRecord {
        uint32_t m_uiExtraDataID = 0;
        uint32_t m_uiControllerID = 0;
    };

    EnObjectNET();
    ~EnObjectNET() override;

    // Abstract: every concrete class makes its own copy and fills this level with
    // CopyMembersForClone.
    EnObject* CloneObject() override { return nullptr; }
    void CloneFixup(EnObject* pCopy) override;
    void CloneCleanup() override;
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    // Stores a copy of the text; null leaves the object unnamed.
    void SetName(const char* pcName);
    const char* GetName() const { return m_pName.get(); }

    EnExtraData* GetFirstExtraData() const { return m_spExtraData; }
    // Puts an extra datum that is in no chain at the head of this one; null is ignored.
    void AddExtraData(EnExtraData* pExtra);
    // Replaces the head pointer only: the old chain is dropped, not kept behind the new head.
    void SetExtraData(EnExtraData* pExtra);
    // Unhooks the datum from the chain and drops the chain's reference to it; null or a datum
    // not in the chain changes nothing.
    void RemoveExtraData(EnExtraData* pExtra);
    // The first datum of the chain of the class (or derived from it), or null.
    EnExtraData* FindExtraData(const EnTypeRecord* pRecord) const;

    EnTimeController* GetFirstController() const { return m_spControllers; }
    // The same two rules on the controller chain. A controller normally joins a chain through
    // its own SetTarget, which calls these.
    void AddController(EnTimeController* pController);
    void RemoveController(EnTimeController* pController);

    // While this object is being cloned: the copy made of it (its clone mark records it), else
    // null. The fix-up steps of objects that link to this one use it.
    EnObject* GetCloneCopy() const;

protected:
    // Fills this level of a fresh copy: its name by the clone-name mode, clones of the extra
    // data (their order reversed, the clone mark never among them), the mark on this object
    // that points at the copy, and a copy of the controller chain.
    void CopyMembersForClone(EnObjectNET* pCopy);

    std::unique_ptr<char[]> m_pName;
    EnPointer<EnExtraData> m_spExtraData;
    EnPointer<EnTimeController> m_spControllers;
};
