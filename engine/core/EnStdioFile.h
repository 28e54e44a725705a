#pragma once
#include <cstdint>
#include <cstdio>

#include "engine/core/EnBinaryStream.h"

// How files are opened: the contract of fopen. The application installs its own at start-up;
// without one, files open through the platform's file system, which resolves Windows-style
// paths (backslashes, any case).
using EnFileOpenFunction = FILE* (*)(const char* pcPath, const char* pcMode);

// Installs the open function (null restores the default); true when one is installed.
bool SetFileOpenHook(EnFileOpenFunction pfnOpen);
EnFileOpenFunction GetFileOpenHook();

// The engine's buffered binary file, opened for reading ("rb") or writing ("wb"). Small reads
// and writes (single fields, header bytes) are served from the buffer; requests larger than the
// buffer go straight to the file.
class EnStdioFile : public EnBinaryStream {
public:
    EnStdioFile(const char* pcPath, bool bWrite, uint32_t uiBufferSize = 10240);
    ~EnStdioFile() override;
    EnStdioFile(const EnStdioFile&) = delete;
    EnStdioFile& operator=(const EnStdioFile&) = delete;

    bool IsOpen() const override { return m_bGood; }
    uint32_t Read(void* pvBuffer, uint32_t uiBytes) override;
    uint32_t Write(const void* pvBuffer, uint32_t uiBytes) override;
    // Origin as fseek: 0 start, 1 current (from the logical position), 2 end. False (and the
    // file is no longer good) when the seek fails.
    bool Seek(int64_t iOffset, int iOrigin);

    // Writes out pending bytes and flushes the runtime's buffer; false once any write has come
    // up short.
    bool Flush();
    // Flushes (write mode) and closes; false when anything failed on the way.
    bool Close();
    // The file's length in bytes, or -1 when it cannot be told (not open, not seekable).
    int64_t GetLength();

    uint32_t GetBufferSize() const { return m_uiBufferSize; }
    bool IsReadMode() const { return m_bReadMode; }

private:
    void DropBuffer();

    FILE* m_pFile = nullptr;
    char* m_pBuffer = nullptr;
    uint32_t m_uiBufferSize;
    uint32_t m_uiValid = 0;  // bytes of the buffer that hold file data (read mode)
    uint32_t m_uiPos = 0;    // next byte of the buffer to read or write
    bool m_bReadMode;
    bool m_bGood = false;
};
