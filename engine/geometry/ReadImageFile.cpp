#include "engine/geometry/ReadImageFile.h"

#include <algorithm>
#include <cstring>

#include "engine/core/EnStdioFile.h"
#include "engine/core/EnStream.h"
#include "engine/geometry/EnRawImageData.h"
#include "platform/sys/StringCompare.h"

namespace {

constexpr const char* URL_PREFIX = "file://";
constexpr size_t URL_PREFIX_LENGTH = 7;
constexpr size_t MAX_PATH_CHARACTERS = 255;
constexpr uint32_t FILE_BUFFER_SIZE = 10240;
constexpr uint32_t READ_CHUNK = 64 * 1024;

bool ReadRawImageScene(const char* pcPath, EnRawImageData* pOut) {
    EnStream kStream;
    if (!kStream.Load(pcPath) || kStream.GetObjectCount() != 1) return false;
    EnRawImageData* pRaw = EnDynamicCast(EnRawImageData, kStream.GetObjectAt(0));
    if (!pRaw) return false;
    pOut->TakeContents(*pRaw);
    return true;
}

}  // namespace

bool ReadImageFileBytes(EnStdioFile& kFile, std::vector<uint8_t>& kBytes) {
    kBytes.clear();
    if (!kFile.IsOpen()) return false;
    for (;;) {
        const size_t uiHave = kBytes.size();
        if (uiHave >= MAX_IMAGE_FILE_BYTES) {
            // One byte more tells a file of exactly the limit from a larger one.
            uint8_t ucExtra;
            return kFile.Read(&ucExtra, 1) == 0;
        }
        const size_t uiChunk = std::min<size_t>(READ_CHUNK, MAX_IMAGE_FILE_BYTES - uiHave);
        kBytes.resize(uiHave + uiChunk);
        const uint32_t uiRead = kFile.Read(kBytes.data() + uiHave, uint32_t(uiChunk));
        kBytes.resize(uiHave + uiRead);
        if (uiRead < uiChunk) return true;
    }
}

bool ReadImageFile(const char* pcPath, EnRawImageData* pOut) {
    if (!pcPath || !pOut) return false;
    if (plat::StrNICmp(pcPath, URL_PREFIX, URL_PREFIX_LENGTH) == 0) pcPath += URL_PREFIX_LENGTH;
    if (std::strlen(pcPath) > MAX_PATH_CHARACTERS) return false;
    const char* pcExt = std::strrchr(pcPath, '.');
    if (!pcExt) return false;

    if (plat::StrICmp(pcExt, ".enf") == 0) return ReadRawImageScene(pcPath, pOut);

    bool (*pfnReader)(EnStdioFile&, EnRawImageData*) = nullptr;
    if (plat::StrICmp(pcExt, ".tga") == 0)
        pfnReader = &ReadTargaFile;
    else if (plat::StrICmp(pcExt, ".bmp") == 0)
        pfnReader = &ReadBitmapFile;
    else if (plat::StrICmp(pcExt, ".rgb") == 0 || plat::StrICmp(pcExt, ".rgba") == 0 ||
             plat::StrICmp(pcExt, ".int") == 0 || plat::StrICmp(pcExt, ".inta") == 0)
        pfnReader = &ReadSgiFile;

    EnStdioFile kFile(pcPath, false, FILE_BUFFER_SIZE);
    if (!kFile.IsOpen() || !pfnReader) return false;
    return pfnReader(kFile, pOut);
}
