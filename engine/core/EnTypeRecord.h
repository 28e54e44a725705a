#pragma once

// The run-time type record of one engine class: its name and the record of its base class.
// Kind tests walk the base links and compare records by identity, so there is exactly one
// record per class. Records are constant-initialised (the name is the class's own literal),
// which makes them valid before any start-up code runs and keeps them out of the order in which
// units are initialised.
class EnTypeRecord {
public:
    constexpr EnTypeRecord(const char* pcName, const EnTypeRecord* pBaseType)
        : m_pcName(pcName), m_pBaseType(pBaseType) {}
    EnTypeRecord(const EnTypeRecord&) = delete;
    EnTypeRecord& operator=(const EnTypeRecord&) = delete;

    const char* GetName() const { return m_pcName; }
    const EnTypeRecord* GetBaseType() const { return m_pBaseType; }

    // True when this record is pRecord or reaches it through the base links.
    bool IsDerivedFrom(const EnTypeRecord* pRecord) const {
        for (const EnTypeRecord* p = this; p; p = p->m_pBaseType)
            if (p == pRecord) return true;
        return false;
    }

private:
    const char* m_pcName;
    const EnTypeRecord* m_pBaseType;  // null only for EnObject
};
