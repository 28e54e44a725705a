// Scene-file loading over arbitrary bytes: must never crash, hang or leak, whatever the header,
// lengths, counts and link IDs say.
#include <cstdint>
#include <cstdio>

#include "engine/core/EnStdioFile.h"
#include "engine/core/EnStream.h"

namespace {
const uint8_t* s_pucData = nullptr;
size_t s_uiSize = 0;

// The bytes behind whatever path the stream opens.
FILE* OpenScratch(const char*, const char* pcMode) {
    if (pcMode[0] != 'r' || s_uiSize == 0) return nullptr;
    return fmemopen(const_cast<uint8_t*>(s_pucData), s_uiSize, "rb");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pucData, size_t uiSize) {
    s_pucData = pucData;
    s_uiSize = uiSize;
    SetFileOpenHook(&OpenScratch);
    {
        EnStream kStream;
        kStream.Load("scratch.enf");
    }
    SetFileOpenHook(nullptr);
    return 0;
}
