#pragma once
#include <cstdint>
#include <memory>

// Splits the program's command-line text into arguments and answers whether a switch
// "-name" was given. The application asks once per boolean switch; a matched argument is
// marked used, so each occurrence answers one question.
class CommandLine {
public:
    explicit CommandLine(const char* pcText);
    ~CommandLine() = default;
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // Index of the first unused argument that reads "-" followed by exactly pcName (case
    // matters), or 0 when there is none; bFound tells which.
    int FindOption(const char* pcName, bool& bFound);

    // 0 for a null or empty text, otherwise the number of arguments + 1.
    int GetArgCount() const { return m_iArgc; }
    // Entry 0 is the start of the split copy; entries 1 .. count - 1 are the arguments.
    // Null outside that range.
    const char* GetArg(int i) const;
    bool IsUsed(int i) const { return i >= 0 && i < m_iArgc && m_pbUsed[i]; }
    // "option not found" after a failed search, null before any.
    const char* GetLastError() const { return m_pcLastError; }

private:
    int32_t m_iArgc = 0;
    std::unique_ptr<const char*[]> m_ppcArgv;
    std::unique_ptr<char[]> m_pcLine;
    std::unique_ptr<bool[]> m_pbUsed;
    const char* m_pcLastError = nullptr;
};
