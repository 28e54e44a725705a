// enfdump: prints the objects of a scene file with their member strings, or the stream's error.
// Exit status 0 only when the file loads cleanly, so scripts and tests can check data sets.

#include <cstdio>
#include <cstring>

#include "engine/core/EnNode.h"
#include "engine/core/EnObject.h"
#include "engine/core/EnStream.h"
#include "engine/core/EnTArray.h"
#include "engine/core/EnViewerStrings.h"

namespace {

void DumpObject(const EnObject* pObject, int iDepth, bool bQuiet) {
    if (!pObject) return;
    if (!bQuiet) {
        EnTArray<char*> kStrings(16, 16);
        pObject->AppendMemberStrings(kStrings);
        for (uint32_t i = 0; i < kStrings.GetSize(); ++i) {
            if (const char* pcLine = kStrings.GetAt(i)) std::printf("%*s%s\n", iDepth * 2, "", pcLine);
        }
        EnFreeViewerStrings(kStrings);
    }
    if (const EnNode* pNode = EnDynamicCastTo<EnNode>(pObject)) {
        for (uint32_t i = 0; i < pNode->GetArrayCount(); ++i) DumpObject(pNode->GetAt(i), iDepth + 1, bQuiet);
    }
}

int Usage() {
    std::fprintf(stderr, "usage: enfdump [-q] file.enf...\n  -q  only check that each file loads\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool bQuiet = false;
    int iFirst = 1;
    if (iFirst < argc && std::strcmp(argv[iFirst], "-q") == 0) {
        bQuiet = true;
        ++iFirst;
    }
    if (iFirst >= argc) return Usage();

    int iStatus = 0;
    for (int i = iFirst; i < argc; ++i) {
        EnStream kStream;
        if (!kStream.Load(argv[i])) {
            std::fprintf(stderr, "%s: error %u: %s\n", argv[i], EnStream::GetLastErrorCode(),
                         EnStream::GetLastErrorText());
            iStatus = 1;
            continue;
        }
        std::printf("%s: %u top-level object(s)\n", argv[i], kStream.GetObjectCount());
        for (uint32_t j = 0; j < kStream.GetObjectCount(); ++j) DumpObject(kStream.GetObjectAt(j), 1, bQuiet);
    }
    return iStatus;
}
