#pragma once
#include <cstdint>
#include <utility>

#include "engine/core/EnAssert.h"

// The engine's growable array. Slots below the used size may be empty (a null pointer, a zero,
// a null EnPointer); empty slots count as free, so removing never moves the other elements.
// Works for raw pointers, integers and EnPointer elements alike: every slot of a block is
// value-initialised (empty), storing assigns (with reference counting for EnPointer), and
// freeing a block destroys its elements (which releases their references).
template <class T>
class EnTArray {
public:
    explicit EnTArray(uint32_t uiMaxSize = 0, uint32_t uiGrowBy = 1)
        : m_uiMaxSize(uiMaxSize), m_uiGrowBy(uiGrowBy) {
        if (m_uiMaxSize > 0) m_pBase = new T[m_uiMaxSize]();
    }
    EnTArray(const EnTArray&) = delete;
    EnTArray& operator=(const EnTArray&) = delete;
    virtual ~EnTArray() { delete[] m_pBase; }

    // Used size: highest index ever stored + 1.
    uint32_t GetSize() const { return m_uiSize; }
    // Non-empty slots below the used size.
    uint32_t GetEffectiveSize() const { return m_uiEffectiveSize; }
    // Capacity.
    uint32_t GetAllocatedSize() const { return m_uiMaxSize; }
    uint32_t GetGrowBy() const { return m_uiGrowBy; }
    void SetGrowBy(uint32_t uiGrowBy) { m_uiGrowBy = uiGrowBy; }
    T* GetBase() { return m_pBase; }
    const T* GetBase() const { return m_pBase; }

    // An index at or past the capacity reads an empty element.
    const T& GetAt(uint32_t uiIndex) const {
        if (uiIndex < m_uiMaxSize) return m_pBase[uiIndex];
        static const T s_empty{};
        return s_empty;
    }

    // Stores at an index below the capacity; anything else is reported and ignored.
    void SetAt(uint32_t uiIndex, T element) {
        EN_ASSERT(uiIndex < m_uiMaxSize);
        if (uiIndex >= m_uiMaxSize) return;
        Store(uiIndex, std::move(element));
    }
    void StoreAt(uint32_t uiIndex, T element) { SetAt(uiIndex, std::move(element)); }

    // Grows the capacity to index + grow-by first when the index does not fit (by one slot at
    // least, so a grow-by of 0 still makes room). Returns the index.
    uint32_t SetAtGrow(uint32_t uiIndex, T element) {
        if (uiIndex >= m_uiMaxSize) {
            uint32_t uiStep = m_uiGrowBy > 0 ? m_uiGrowBy : 1;
            uint64_t uiNew = uint64_t(uiIndex) + uiStep;
            if (uiNew > UINT32_MAX) uiNew = UINT32_MAX;
            SetSize(uint32_t(uiNew));
            if (uiIndex >= m_uiMaxSize) return uiIndex;
        }
        Store(uiIndex, std::move(element));
        return uiIndex;
    }

    // Changes the capacity; slots at or past the new capacity are dropped.
    void SetSize(uint32_t uiMaxSize) {
        if (uiMaxSize == m_uiMaxSize) return;
        EN_ASSERT(uiMaxSize > 0);
        for (uint32_t i = uiMaxSize; i < m_uiSize; i++)
            if (!IsEmpty(m_pBase[i])) m_uiEffectiveSize--;
        if (m_uiSize > uiMaxSize) m_uiSize = uiMaxSize;
        T* pNew = uiMaxSize > 0 ? new T[uiMaxSize]() : nullptr;
        for (uint32_t i = 0; i < m_uiSize; i++) pNew[i] = m_pBase[i];
        delete[] m_pBase;
        m_pBase = pNew;
        m_uiMaxSize = uiMaxSize;
    }
    void Resize(uint32_t uiMaxSize) { SetSize(uiMaxSize); }

    // Appends at the used size; returns the index.
    uint32_t Add(T element) { return SetAtGrow(m_uiSize, std::move(element)); }

    // Puts a non-empty element into the first empty slot below the used size, or appends it.
    // Returns the index, or UINT32_MAX for an empty element (which is ignored).
    uint32_t AddFirstEmpty(T element) {
        if (IsEmpty(element)) return UINT32_MAX;
        if (m_uiEffectiveSize < m_uiSize) {
            for (uint32_t i = 0; i < m_uiSize; i++) {
                if (IsEmpty(m_pBase[i])) {
                    Store(i, std::move(element));
                    return i;
                }
            }
        }
        return SetAtGrow(m_uiSize, std::move(element));
    }

    // Takes the element out of its slot; the used size falls only when it was the last slot.
    T RemoveAt(uint32_t uiIndex) {
        if (uiIndex >= m_uiSize) return T();
        T element = std::move(m_pBase[uiIndex]);
        m_pBase[uiIndex] = T();
        if (!IsEmpty(element)) m_uiEffectiveSize--;
        if (uiIndex == m_uiSize - 1) m_uiSize--;
        return element;
    }

    // Empties the used slots; the capacity stays.
    void RemoveAll() {
        for (uint32_t i = 0; i < m_uiSize; i++) m_pBase[i] = T();
        m_uiSize = 0;
        m_uiEffectiveSize = 0;
    }

    // Range over the used slots (empty ones included).
    T* begin() { return m_pBase; }
    T* end() { return m_pBase + m_uiSize; }
    const T* begin() const { return m_pBase; }
    const T* end() const { return m_pBase + m_uiSize; }

protected:
    static bool IsEmpty(const T& element) { return element == T(); }

    void Store(uint32_t uiIndex, T element) {
        if (uiIndex >= m_uiSize) m_uiSize = uiIndex + 1;
        bool bWasEmpty = IsEmpty(m_pBase[uiIndex]);
        bool bIsEmpty = IsEmpty(element);
        if (bWasEmpty && !bIsEmpty) m_uiEffectiveSize++;
        if (!bWasEmpty && bIsEmpty) m_uiEffectiveSize--;
        m_pBase[uiIndex] = std::move(element);
    }

    T* m_pBase = nullptr;
    uint32_t m_uiMaxSize = 0;
    uint32_t m_uiSize = 0;
    uint32_t m_uiEffectiveSize = 0;
    uint32_t m_uiGrowBy = 1;
};
