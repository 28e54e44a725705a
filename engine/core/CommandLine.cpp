#include "engine/core/CommandLine.h"

#include <cstring>
#include <vector>

CommandLine::CommandLine(const char* pcText) {
    if (!pcText || !*pcText) return;

    const size_t uiLength = std::strlen(pcText);
    m_pcLine = std::make_unique<char[]>(uiLength + 1);
    std::memcpy(m_pcLine.get(), pcText, uiLength + 1);

    // Leading blanks are deliberately not skipped: a text that starts with a blank has an
    // empty first argument, which no switch name matches.
    std::vector<const char*> kArgs;
    char* pc = m_pcLine.get();
    while (*pc) {
        char* pcEnd;
        if (*pc == '"') {
            ++pc;
            pcEnd = pc;
            while (*pcEnd && *pcEnd != '"') ++pcEnd;
        } else {
            pcEnd = pc;
            while (*pcEnd && *pcEnd != ' ' && *pcEnd != '\t') ++pcEnd;
        }
        kArgs.push_back(pc);
        pc = pcEnd;
        if (*pc) *pc++ = '\0';
        while (*pc == ' ' || *pc == '\t') ++pc;
    }

    m_iArgc = int32_t(kArgs.size()) + 1;
    m_ppcArgv = std::make_unique<const char*[]>(size_t(m_iArgc));
    m_ppcArgv[0] = m_pcLine.get();
    for (size_t i = 0; i < kArgs.size(); ++i) m_ppcArgv[i + 1] = kArgs[i];
    m_pbUsed = std::make_unique<bool[]>(size_t(m_iArgc));  // all false
}

const char* CommandLine::GetArg(int i) const {
    if (i < 0 || i >= m_iArgc) return nullptr;
    return m_ppcArgv[i];
}

int CommandLine::FindOption(const char* pcName, bool& bFound) {
    bFound = false;
    if (pcName) {
        for (int i = 1; i < m_iArgc; ++i) {
            if (m_pbUsed[i]) continue;
            const char* pcArg = m_ppcArgv[i];
            if (pcArg[0] != '-') continue;
            if (std::strcmp(pcArg + 1, pcName) != 0) continue;
            m_pbUsed[i] = true;
            bFound = true;
            return i;
        }
    }
    m_pcLastError = "option not found";
    return 0;
}
