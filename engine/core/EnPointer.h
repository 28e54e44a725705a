#pragma once
#include <concepts>
#include <utility>

// The engine's smart pointer: holds one reference to an engine object (anything with
// AddReference/ReleaseReference, in practice EnObject and EnPropertyState) and drops it on
// reassignment or destruction.
template <class T>
class EnPointer {
public:
    EnPointer(T* pObject = nullptr) : m_pObject(pObject) {
        if (m_pObject) m_pObject->AddReference();
    }
    EnPointer(const EnPointer& sp) : EnPointer(sp.m_pObject) {}
    EnPointer(EnPointer&& sp) noexcept : m_pObject(std::exchange(sp.m_pObject, nullptr)) {}
    template <class U>
    requires std::convertible_to<U*, T*> EnPointer(const EnPointer<U>& sp)
        : EnPointer(static_cast<T*>(sp.Get())) {}
    ~EnPointer() {
        if (m_pObject) m_pObject->ReleaseReference();
    }

    // The new object gains its reference before the old one is released, so assigning an
    // object that only the old one keeps alive (sp = sp->m_spNext) is safe.
    EnPointer& operator=(T* pObject) {
        if (pObject != m_pObject) {
            if (pObject) pObject->AddReference();
            T* pOld = std::exchange(m_pObject, pObject);
            if (pOld) pOld->ReleaseReference();
        }
        return *this;
    }
    EnPointer& operator=(const EnPointer& sp) { return *this = sp.m_pObject; }
    EnPointer& operator=(EnPointer&& sp) noexcept {
        if (this != &sp) {
            T* pOld = std::exchange(m_pObject, std::exchange(sp.m_pObject, nullptr));
            if (pOld) pOld->ReleaseReference();
        }
        return *this;
    }

    operator T*() const { return m_pObject; }
    T& operator*() const { return *m_pObject; }
    T* operator->() const { return m_pObject; }
    T* Get() const { return m_pObject; }

private:
    T* m_pObject;
};

// A new smart pointer (one more reference) to the object stored at a place: how list and array
// elements are read out and kept beyond the container's own reference.
template <class T>
EnPointer<T> GetCopy(const EnPointer<T>& spPlace) {
    return spPlace;
}
template <class T>
EnPointer<T> GetCopy(T* const& pPlace) {
    return EnPointer<T>(pPlace);
}
