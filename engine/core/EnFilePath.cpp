#include "engine/core/EnFilePath.h"

#include <cstring>

#include "platform/sys/PathSplitter.h"

namespace {
char* NewPart(uint32_t uiSize) {
    char* pc = new char[uiSize];
    pc[0] = 0;
    return pc;
}

void CopyPart(char* pcOut, uint32_t uiSize, const char* pcIn) {
    size_t uiLen = pcIn ? std::strlen(pcIn) : 0;
    if (uiLen >= uiSize) uiLen = uiSize - 1;
    if (uiLen > 0) std::memcpy(pcOut, pcIn, uiLen);
    pcOut[uiLen] = 0;
}
}  // namespace

EnFilePath::EnFilePath(const char* pcPath)
    : m_pcDir(NewPart(PART_SIZE)),
      m_pcDrive(NewPart(DRIVE_SIZE)),
      m_pcExt(NewPart(PART_SIZE)),
      m_pcFileName(NewPart(PART_SIZE)) {
    if (!pcPath) return;
    plat::PathParts kParts;
    plat::PathSplitter::Split(pcPath, kParts);
    SetDir(kParts.dir.c_str());
    SetDrive(kParts.drive.c_str());
    SetExt(kParts.ext.c_str());
    SetFileName(kParts.fname.c_str());
}

EnFilePath::~EnFilePath() {
    delete[] m_pcDir;
    delete[] m_pcDrive;
    delete[] m_pcExt;
    delete[] m_pcFileName;
}

bool EnFilePath::MakePath(char* pcOut) const {
    return plat::PathSplitter::Make(pcOut, MAX_PATH_LENGTH, m_pcDrive, m_pcDir, m_pcFileName,
                                    m_pcExt);
}

void EnFilePath::SetDir(const char* pcDir) {
    CopyPart(m_pcDir, PART_SIZE, pcDir);
}
void EnFilePath::SetDrive(const char* pcDrive) {
    CopyPart(m_pcDrive, DRIVE_SIZE, pcDrive);
}
void EnFilePath::SetExt(const char* pcExt) {
    CopyPart(m_pcExt, PART_SIZE, pcExt);
}
void EnFilePath::SetFileName(const char* pcFileName) {
    CopyPart(m_pcFileName, PART_SIZE, pcFileName);
}
