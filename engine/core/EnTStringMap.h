#pragma once
#include <cstring>

#include "engine/core/EnTMap.h"

// A map keyed by zero-terminated texts, compared byte for byte (case matters). Each entry owns a
// heap copy of its key.
template <class TVal>
class EnTStringMap : public EnTMap<const char*, TVal> {
    using Base = EnTMap<const char*, TVal>;

public:
    using typename Base::Item;

    explicit EnTStringMap(uint32_t uiHashSize = 37) : Base(uiHashSize) {}
    // The base destructor would only see its own no-op release, so the key copies go here.
    ~EnTStringMap() override { ClearEntries(); }

    // h = h * 33 + c over the characters taken as signed bytes, in 32-bit wrap-around.
    static uint32_t HashString(const char* pcKey) {
        uint32_t h = 0;
        if (pcKey)
            for (const char* p = pcKey; *p; p++) h = h * 33 + uint32_t(int32_t(int8_t(*p)));
        return h;
    }

    uint32_t HashKey(const char* pcKey) const override {
        return HashString(pcKey) % this->m_uiHashSize;
    }
    bool KeysEqual(const char* pcKey1, const char* pcKey2) const override {
        if (!pcKey1 || !pcKey2) return pcKey1 == pcKey2;
        return std::strcmp(pcKey1, pcKey2) == 0;
    }

protected:
    void StoreEntry(Item* pItem, const char* pcKey, TVal val) override {
        char* pcCopy = nullptr;
        if (pcKey) {
            size_t uiLen = std::strlen(pcKey);
            pcCopy = new char[uiLen + 1];
            std::memcpy(pcCopy, pcKey, uiLen + 1);
        }
        pItem->m_key = pcCopy;
        pItem->m_val = std::move(val);
    }
    void ReleaseEntry(Item* pItem) override {
        delete[] pItem->m_key;
        pItem->m_key = nullptr;
    }

private:
    void ClearEntries() { this->RemoveAll(); }
};
