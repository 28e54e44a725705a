#pragma once
#include <cstdint>
#include <memory>

#include "engine/core/EnObject.h"
#include "engine/core/EnPointer.h"

// Application data attached to a named object: a chain of these hangs off every EnObjectNET,
// each holding a reference to the next. An object of exactly this class carries raw bytes;
// the derived kinds (text, clone marker, vertex weights, text keys) carry their own members and
// keep the size only as a stored number.
class EnExtraData : public EnObject {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    struct LinkRecord : EnObject::LinkRecord {
        uint32_t m_uiNextID = 0;
    };

    EnExtraData();
    // Raw data: a copy of uiSize bytes (none when pvData is null or the size is 0).
    EnExtraData(const void* pvData, uint32_t uiSize);
    ~EnExtraData() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void LinkFromStream(EnStream& kStream) override;
    bool RegisterForSave(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    // Class, size, bytes, then the rest of the chain pair by pair.
    bool EqualsObject(const EnObject* pObject) const override;
    // This level only: the title and the size (the EnObject lines are left out on purpose).
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    uint32_t GetSize() const { return m_uiSize; }
    // The raw bytes; null unless the object is exactly an EnExtraData with a size above 0.
    const uint8_t* GetData() const { return m_pucData.get(); }
    // Replaces size and bytes (zeros when pvData is null). On an object of a derived class
    // only the size is kept.
    void SetData(const void* pvData, uint32_t uiSize);

    EnExtraData* GetNext() const { return m_spNext; }
    // Chain maintenance; EnObjectNET's add and remove operations keep the chain sound.
    void SetNext(EnExtraData* pNext) { m_spNext = pNext; }

    // Extra data from pExtra along the next links; 0 for null.
    static uint32_t GetChainLength(const EnExtraData* pExtra);

    // This object alone: its copy has no next, and its comparison and registration leave the
    // chain behind it alone. EnObjectNET walks chains with these so that no chain is walked by
    // recursion (a loaded chain may be very long).
    EnExtraData* CloneSingle();
    bool EqualsSingle(const EnExtraData* pOther) const;
    bool RegisterSingle(EnStream& kStream);

protected:
    // The EnExtraData part of a copy: size, bytes (exact class only) and a copy of the rest of
    // the chain, clone markers left out. Derived clones call it first.
    void CopyMembers(EnExtraData* pCopy);
    bool IsExactExtraData() const { return IsExactKindOf(&ms_RTTI); }

    uint32_t m_uiSize = 0;
    std::unique_ptr<uint8_t[]> m_pucData;
    EnPointer<EnExtraData> m_spNext;

private:
    // During a load's link pass: a node further along this object's chain, so that the check
    // for a closed chain stays cheap on long chains. Meaningless outside a load.
    EnExtraData* m_pLinkHint = nullptr;
};
