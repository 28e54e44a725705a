#include "engine/core/EnFormatString.h"

#include <cstdarg>
#include <cstdio>

char* EnFormatNewString(const char* pcFormat, ...) {
    va_list args;
    va_start(args, pcFormat);
    va_list copy;
    va_copy(copy, args);
    const int iLength = std::vsnprintf(nullptr, 0, pcFormat, copy);
    va_end(copy);
    if (iLength < 0) {
        va_end(args);
        char* pcEmpty = new char[1];
        pcEmpty[0] = '\0';
        return pcEmpty;
    }
    char* pcText = new char[size_t(iLength) + 1];
    std::vsnprintf(pcText, size_t(iLength) + 1, pcFormat, args);
    va_end(args);
    return pcText;
}
