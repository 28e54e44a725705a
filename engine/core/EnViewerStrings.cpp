#include "engine/core/EnViewerStrings.h"

#include <cstdio>
#include <cstring>

namespace {
// Each string gets the label's length + 1 + the room the longest value of its kind needs.
char* Format(const char* pcLabel, size_t uiRoom, const char* pcFormat, auto... args) {
    if (!pcLabel) pcLabel = "";
    size_t uiSize = std::strlen(pcLabel) + 1 + uiRoom;
    char* pc = new char[uiSize];
    std::snprintf(pc, uiSize, pcFormat, pcLabel, args...);
    return pc;
}
}  // namespace

char* MakeViewerTitle(const char* pcClassName) {
    return Format(pcClassName, 8, "--- %s ---");
}

char* MakeViewerBool(const char* pcLabel, bool bValue) {
    return Format(pcLabel, 8, bValue ? "%s = true" : "%s = false");
}

char* MakeViewerByte(const char* pcLabel, uint8_t ucValue) {
    return Format(pcLabel, 6, "%s = %u", unsigned(ucValue));
}

char* MakeViewerShort(const char* pcLabel, int16_t sValue) {
    return Format(pcLabel, 9, "%s = %hd", sValue);
}

char* MakeViewerUShort(const char* pcLabel, uint16_t usValue) {
    return Format(pcLabel, 8, "%s = %hu", usValue);
}

char* MakeViewerInt(const char* pcLabel, int32_t iValue) {
    return Format(pcLabel, 14, "%s = %d", iValue);
}

char* MakeViewerUInt(const char* pcLabel, uint32_t uiValue) {
    return Format(pcLabel, 13, "%s = %u", uiValue);
}

// The longest double text is "-1.797693e+308".
char* MakeViewerFloat(const char* pcLabel, float fValue) {
    return Format(pcLabel, 19, "%s = %.6e", double(fValue));
}

char* MakeViewerDouble(const char* pcLabel, double dValue) {
    return Format(pcLabel, 19, "%s = %.6e", dValue);
}

// Room for " = 0x" and sixteen hex digits.
char* MakeViewerPointer(const char* pcLabel, const void* pvValue) {
    return Format(pcLabel, 21, "%s = %p", pvValue);
}

char* MakeViewerString(const char* pcLabel, const char* pcValue) {
    if (!pcValue) return Format(pcLabel, 7, "%s = NULL");
    return Format(pcLabel, std::strlen(pcValue) + 4, "%s = %s", pcValue);
}

void EnFreeViewerStrings(EnTArray<char*>& kStrings) {
    for (uint32_t i = 0; i < kStrings.GetSize(); i++) delete[] kStrings.GetAt(i);
    kStrings.RemoveAll();
}
