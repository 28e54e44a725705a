#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

// A bounded read position over a picture file held in memory. Every read says whether the bytes
// were there, so the image readers never look past the end of what the file delivered.
class EnImageByteCursor {
public:
    EnImageByteCursor(const uint8_t* pData, size_t uiSize) : m_pData(pData), m_uiSize(uiSize) {}

    size_t Size() const { return m_uiSize; }
    size_t Position() const { return m_uiPos; }
    size_t Left() const { return m_uiSize - m_uiPos; }
    const uint8_t* Data() const { return m_pData; }

    bool Skip(uint64_t uiCount) {
        if (uiCount > Left()) return false;
        m_uiPos += size_t(uiCount);
        return true;
    }
    bool SeekTo(uint64_t uiPos) {
        if (uiPos > m_uiSize) return false;
        m_uiPos = size_t(uiPos);
        return true;
    }
    bool ReadBytes(uint8_t* pOut, size_t uiCount) {
        if (uiCount > Left()) return false;
        if (uiCount) std::memcpy(pOut, m_pData + m_uiPos, uiCount);
        m_uiPos += uiCount;
        return true;
    }
    bool ReadU8(uint8_t& v) {
        if (Left() < 1) return false;
        v = m_pData[m_uiPos++];
        return true;
    }
    bool ReadU16LE(uint16_t& v) {
        if (Left() < 2) return false;
        const uint8_t* p = m_pData + m_uiPos;
        v = uint16_t(p[0] | p[1] << 8);
        m_uiPos += 2;
        return true;
    }
    bool ReadU32LE(uint32_t& v) {
        if (Left() < 4) return false;
        const uint8_t* p = m_pData + m_uiPos;
        v = p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
        m_uiPos += 4;
        return true;
    }
    bool ReadI32LE(int32_t& v) {
        uint32_t u;
        if (!ReadU32LE(u)) return false;
        v = int32_t(u);
        return true;
    }
    bool ReadU16BE(uint16_t& v) {
        if (Left() < 2) return false;
        const uint8_t* p = m_pData + m_uiPos;
        v = uint16_t(p[0] << 8 | p[1]);
        m_uiPos += 2;
        return true;
    }
    bool ReadU32BE(uint32_t& v) {
        if (Left() < 4) return false;
        const uint8_t* p = m_pData + m_uiPos;
        v = uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        m_uiPos += 4;
        return true;
    }

private:
    const uint8_t* m_pData;
    size_t m_uiSize;
    size_t m_uiPos = 0;
};
