#pragma once
#include <cstdint>

// A path split into drive, directory, file name and extension with the platform's rules (the
// directory keeps its trailing separator, the extension its dot), and joined again.
class EnFilePath {
public:
    enum : uint32_t { DRIVE_SIZE = 3, PART_SIZE = 256, MAX_PATH_LENGTH = 260 };

    explicit EnFilePath(const char* pcPath);
    ~EnFilePath();
    EnFilePath(const EnFilePath&) = delete;
    EnFilePath& operator=(const EnFilePath&) = delete;

    // Joins the parts into pcOut (room for GetMaxPathLength characters with the terminator);
    // false, and an empty text, when the result does not fit.
    bool MakePath(char* pcOut) const;
    static uint32_t GetMaxPathLength() { return MAX_PATH_LENGTH; }

    const char* GetDir() const { return m_pcDir; }
    const char* GetDrive() const { return m_pcDrive; }
    const char* GetExt() const { return m_pcExt; }
    const char* GetFileName() const { return m_pcFileName; }
    // Parts that do not fit their room are cut.
    void SetDir(const char* pcDir);
    void SetDrive(const char* pcDrive);
    void SetExt(const char* pcExt);
    void SetFileName(const char* pcFileName);

private:
    char* m_pcDir;
    char* m_pcDrive;
    char* m_pcExt;
    char* m_pcFileName;
};
