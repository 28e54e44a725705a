#include "engine/core/EnStdioFile.h"

#include <algorithm>
#include <cstring>

#include "platform/fs/FileSystem.h"

namespace {
constinit EnFileOpenFunction s_pfnFileOpen = nullptr;
}  // namespace

bool SetFileOpenHook(EnFileOpenFunction pfnOpen) {
    s_pfnFileOpen = pfnOpen;
    return s_pfnFileOpen != nullptr;
}

EnFileOpenFunction GetFileOpenHook() {
    return s_pfnFileOpen;
}

EnStdioFile::EnStdioFile(const char* pcPath, bool bWrite, uint32_t uiBufferSize)
    : m_uiBufferSize(uiBufferSize), m_bReadMode(!bWrite) {
    const char* pcMode = bWrite ? "wb" : "rb";
    if (pcPath) {
        if (s_pfnFileOpen)
            m_pFile = s_pfnFileOpen(pcPath, pcMode);
        else
            m_pFile = plat::FileSystem::Open(pcPath, pcMode);
    }
    m_bGood = m_pFile != nullptr;
    if (m_bGood && m_uiBufferSize > 0) m_pBuffer = new char[m_uiBufferSize];
}

EnStdioFile::~EnStdioFile() {
    Close();
    delete[] m_pBuffer;
}

void EnStdioFile::DropBuffer() {
    if (!m_bReadMode && m_uiPos > 0) {
        if (std::fwrite(m_pBuffer, 1, m_uiPos, m_pFile) != m_uiPos) m_bGood = false;
    }
    m_uiValid = 0;
    m_uiPos = 0;
}

uint32_t EnStdioFile::Read(void* pvBuffer, uint32_t uiBytes) {
    if (!m_bGood || !m_bReadMode) return 0;
    char* pcOut = static_cast<char*>(pvBuffer);
    uint32_t uiAvailable = m_uiValid - m_uiPos;
    if (uiBytes <= uiAvailable) {
        if (uiBytes > 0) std::memcpy(pcOut, m_pBuffer + m_uiPos, uiBytes);
        m_uiPos += uiBytes;
        return uiBytes;
    }
    if (uiAvailable > 0) std::memcpy(pcOut, m_pBuffer + m_uiPos, uiAvailable);
    DropBuffer();
    uint32_t uiRest = uiBytes - uiAvailable;
    if (uiRest > m_uiBufferSize)
        return uiAvailable + uint32_t(std::fread(pcOut + uiAvailable, 1, uiRest, m_pFile));
    m_uiValid = uint32_t(std::fread(m_pBuffer, 1, m_uiBufferSize, m_pFile));
    uint32_t uiTake = std::min(uiRest, m_uiValid);
    std::memcpy(pcOut + uiAvailable, m_pBuffer, uiTake);
    m_uiPos = uiTake;
    return uiAvailable + uiTake;
}

uint32_t EnStdioFile::Write(const void* pvBuffer, uint32_t uiBytes) {
    if (!m_bGood || m_bReadMode) return 0;
    const char* pcIn = static_cast<const char*>(pvBuffer);
    uint32_t uiRoom = m_uiBufferSize - m_uiPos;
    if (uiBytes <= uiRoom) {
        if (uiBytes > 0) std::memcpy(m_pBuffer + m_uiPos, pcIn, uiBytes);
        m_uiPos += uiBytes;
        return uiBytes;
    }
    if (uiRoom > 0) std::memcpy(m_pBuffer + m_uiPos, pcIn, uiRoom);
    m_uiPos = m_uiBufferSize;
    DropBuffer();
    if (!m_bGood) return 0;
    uint32_t uiRest = uiBytes - uiRoom;
    if (uiRest >= m_uiBufferSize) {
        uint32_t uiWritten = uint32_t(std::fwrite(pcIn + uiRoom, 1, uiRest, m_pFile));
        if (uiWritten != uiRest) m_bGood = false;
        return uiRoom + uiWritten;
    }
    std::memcpy(m_pBuffer, pcIn + uiRoom, uiRest);
    m_uiPos = uiRest;
    return uiRoom + uiRest;
}

bool EnStdioFile::Seek(int64_t iOffset, int iOrigin) {
    if (!m_bGood) return false;
    if (iOrigin == SEEK_CUR && m_bReadMode) {
        int64_t iTarget = int64_t(m_uiPos) + iOffset;
        if (iTarget >= 0 && iTarget < int64_t(m_uiValid)) {
            m_uiPos = uint32_t(iTarget);
            return true;
        }
        // The file itself is ahead of the logical position by the bytes still unread.
        iOffset -= int64_t(m_uiValid - m_uiPos);
    }
    DropBuffer();
    bool bSought = fseeko(m_pFile, off_t(iOffset), iOrigin) == 0;
    m_bGood = m_bGood && bSought;
    return m_bGood;
}

bool EnStdioFile::Flush() {
    if (!m_bGood) return false;
    if (!m_bReadMode) {
        DropBuffer();
        if (std::fflush(m_pFile) != 0) m_bGood = false;
    }
    return m_bGood;
}

bool EnStdioFile::Close() {
    if (!m_pFile) return false;
    bool bOk = m_bGood;
    if (!m_bReadMode && m_bGood) bOk = Flush();
    if (std::fclose(m_pFile) != 0) bOk = false;
    m_pFile = nullptr;
    m_bGood = false;
    return bOk;
}

int64_t EnStdioFile::GetLength() {
    if (!m_pFile) return -1;
    off_t iCurrent = ftello(m_pFile);
    if (iCurrent < 0) return -1;
    if (fseeko(m_pFile, 0, SEEK_END) != 0) return -1;
    off_t iLength = ftello(m_pFile);
    if (fseeko(m_pFile, iCurrent, SEEK_SET) != 0) m_bGood = false;
    return iLength < 0 ? -1 : int64_t(iLength);
}
