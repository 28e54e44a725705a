#include "tools/demodata/DemoFile.h"

#include <cstdio>
#include <string>

bool DemoFile::WriteAll(const char* pcPath, const std::vector<uint8_t>& kBytes) {
    if (!pcPath || !*pcPath) return false;
    const std::string kTemp = std::string(pcPath) + ".tmp";
    std::FILE* pFile = std::fopen(kTemp.c_str(), "wb");
    if (!pFile) return false;
    bool bOk =
        kBytes.empty() || std::fwrite(kBytes.data(), 1, kBytes.size(), pFile) == kBytes.size();
    bOk = std::fclose(pFile) == 0 && bOk;
    if (bOk) bOk = std::rename(kTemp.c_str(), pcPath) == 0;
    if (!bOk) std::remove(kTemp.c_str());
    return bOk;
}
