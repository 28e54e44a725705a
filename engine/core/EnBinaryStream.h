#pragma once
#include <cstdint>

// A binary byte source or sink (the engine's file class derives from it).
class EnBinaryStream {
public:
    virtual ~EnBinaryStream() = default;
    virtual bool IsOpen() const = 0;
    // Bytes delivered (fewer at the end of the data; 0 when not open).
    virtual uint32_t Read(void* pvBuffer, uint32_t uiBytes) = 0;
    // Bytes accepted (0 when not open or after a failed write).
    virtual uint32_t Write(const void* pvBuffer, uint32_t uiBytes) = 0;

    // Reads one byte at a time until a line feed or uiCapacity - 1 bytes have been read, or
    // nothing more comes. The last byte read becomes the terminator, so the line feed never
    // stays in the text. Returns the bytes read, line feed included.
    uint32_t ReadLine(char* pcBuffer, uint32_t uiCapacity);
    // Writes the text without its terminator; returns the bytes accepted.
    uint32_t WriteString(const char* pcText);
};
