#include "engine/core/EnBinaryStream.h"

uint32_t EnBinaryStream::ReadLine(char* pcBuffer, uint32_t uiCapacity) {
    if (!pcBuffer || uiCapacity == 0) return 0;
    pcBuffer[0] = 0;
    if (uiCapacity < 2) return 0;
    uint32_t uiRead = 0;
    while (uiRead < uiCapacity - 1) {
        char c;
        if (Read(&c, 1) != 1) break;
        pcBuffer[uiRead++] = c;
        if (c == '\n') break;
    }
    if (uiRead == 0) return 0;
    pcBuffer[uiRead - 1] = 0;
    return uiRead;
}

uint32_t EnBinaryStream::WriteString(const char* pcText) {
    uint32_t uiWritten = 0;
    if (!pcText) return 0;
    for (const char* p = pcText; *p; p++) {
        if (Write(p, 1) != 1) break;
        uiWritten++;
    }
    return uiWritten;
}
