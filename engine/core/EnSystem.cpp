#include "engine/core/EnSystem.h"

#include <unistd.h>

#include <cmath>
#include <string>

#include "engine/core/EnBinaryStream.h"
#include "platform/fs/FileSystem.h"
#include "platform/sys/DebugOutput.h"
#include "platform/sys/StringCompare.h"

void EnOutputDebugString(const char* pcText) {
    if (pcText) plat::DebugOutput::Write(pcText);
}

int EnStricmp(const char* pcA, const char* pcB) {
    return plat::StrICmp(pcA, pcB);
}

int EnStrnicmp(const char* pcA, const char* pcB, uint32_t uiCount) {
    return plat::StrNICmp(pcA, pcB, uiCount);
}

int EnFileAccess(const char* pcPath, int iMode) {
    if (!pcPath) return -1;
    std::string kResolved = plat::FileSystem::Resolve(pcPath);
    return ::access(kResolved.c_str(), iMode) == 0 ? 0 : -1;
}

double EnFabs(float fValue) {
    return std::fabs(double(fValue));
}

void DoNothing() {}

void DoNothing(EnStream&, EnObject*&) {}

uint32_t StreamReadBytes(EnBinaryStream* pFile, void* pvBuffer, uint32_t uiCount) {
    return pFile ? pFile->Read(pvBuffer, uiCount) : 0;
}

uint32_t StreamReadUShorts(EnBinaryStream* pFile, uint16_t* pusBuffer, uint32_t uiCount) {
    if (!pFile) return 0;
    uint32_t uiRead = pFile->Read(pusBuffer, uiCount * 2);
    // The file holds little-endian values; make them the machine's whatever its order.
    for (uint32_t i = 0; i < uiRead / 2; i++) {
        const uint8_t* b = reinterpret_cast<const uint8_t*>(&pusBuffer[i]);
        pusBuffer[i] = uint16_t(b[0] | b[1] << 8);
    }
    return uiRead;
}
