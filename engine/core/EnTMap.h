#pragma once
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

// Position of a map or list walk; null when the walk is over.
using EnTMapIterator = void*;

// The engine's chained hash map. The bucket count is fixed at construction; new entries go to
// the head of their bucket's chain. Key handling is virtual so that EnTStringMap can hash,
// compare and own its keys. Values that are EnPointers hold one reference per entry.
template <class TKey, class TVal>
class EnTMap {
public:
    struct Item {
        TKey m_key{};
        TVal m_val{};
        Item* m_pNext = nullptr;
    };

    explicit EnTMap(uint32_t uiHashSize = 37) : m_uiHashSize(uiHashSize > 0 ? uiHashSize : 1) {
        m_pHashTable = new Item*[m_uiHashSize]();
    }
    EnTMap(const EnTMap&) = delete;
    EnTMap& operator=(const EnTMap&) = delete;
    virtual ~EnTMap() {
        RemoveAll();
        delete[] m_pHashTable;
    }

    // Bucket of a key. Integers hash to themselves; pointers are folded from all their bits.
    virtual uint32_t HashKey(TKey key) const {
        if constexpr (std::is_pointer_v<TKey>) {
            uint64_t v = uint64_t(reinterpret_cast<uintptr_t>(key));
            return uint32_t((v >> 4) ^ (v >> 32)) % m_uiHashSize;
        } else {
            return uint32_t(key) % m_uiHashSize;
        }
    }
    virtual bool KeysEqual(TKey key1, TKey key2) const { return key1 == key2; }

    uint32_t GetCount() const { return m_uiCount; }
    bool IsEmpty() const { return m_uiCount == 0; }
    uint32_t GetHashSize() const { return m_uiHashSize; }

    // Replaces the value of an existing key in place, or adds a new entry.
    void SetAt(TKey key, TVal val) {
        uint32_t uiBucket = HashKey(key);
        for (Item* p = m_pHashTable[uiBucket]; p; p = p->m_pNext) {
            if (KeysEqual(p->m_key, key)) {
                ReleaseEntry(p);
                StoreEntry(p, key, std::move(val));
                return;
            }
        }
        Item* pNew = new Item;
        StoreEntry(pNew, key, std::move(val));
        pNew->m_pNext = m_pHashTable[uiBucket];
        m_pHashTable[uiBucket] = pNew;
        m_uiCount++;
    }

    bool GetAt(TKey key, TVal& val) const {
        const Item* p = Find(key);
        if (!p) return false;
        val = p->m_val;
        return true;
    }

    bool RemoveAt(TKey key) {
        uint32_t uiBucket = HashKey(key);
        for (Item** pp = &m_pHashTable[uiBucket]; *pp; pp = &(*pp)->m_pNext) {
            if (KeysEqual((*pp)->m_key, key)) {
                Item* p = *pp;
                *pp = p->m_pNext;
                ReleaseEntry(p);
                delete p;
                m_uiCount--;
                return true;
            }
        }
        return false;
    }

    void RemoveAll() {
        for (uint32_t i = 0; i < m_uiHashSize; i++) {
            while (Item* p = m_pHashTable[i]) {
                m_pHashTable[i] = p->m_pNext;
                ReleaseEntry(p);
                delete p;
            }
        }
        m_uiCount = 0;
    }

    // Walk: buckets in order, each chain from its head.
    EnTMapIterator GetFirstPos() const { return NextFrom(0); }
    void GetNext(EnTMapIterator& pos, TKey& key, TVal& val) const {
        Item* p = static_cast<Item*>(pos);
        key = p->m_key;
        val = p->m_val;
        pos = p->m_pNext ? p->m_pNext : NextFrom(HashKey(p->m_key) + 1);
    }

protected:
    virtual void StoreEntry(Item* pItem, TKey key, TVal val) {
        pItem->m_key = key;
        pItem->m_val = std::move(val);
    }
    virtual void ReleaseEntry(Item*) {}

    Item* Find(TKey key) const {
        for (Item* p = m_pHashTable[HashKey(key)]; p; p = p->m_pNext)
            if (KeysEqual(p->m_key, key)) return p;
        return nullptr;
    }
    Item* NextFrom(uint32_t uiBucket) const {
        for (uint32_t i = uiBucket; i < m_uiHashSize; i++)
            if (m_pHashTable[i]) return m_pHashTable[i];
        return nullptr;
    }

    uint32_t m_uiCount = 0;
    uint32_t m_uiHashSize;
    Item** m_pHashTable = nullptr;
};
