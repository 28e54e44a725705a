#pragma once
#include <cstdint>
#include <vector>

#include "tools/demodata/DemoPicture.h"

// Writes SGI image files (".int", ".inta", ".rgb", ".rgba"): one byte per channel, one plane per
// channel, rows from the bottom of the picture, either verbatim or run-length encoded with the
// row offset and length tables.
class SgiWriter {
public:
    // The file's bytes; empty for a picture that is not valid.
    static std::vector<uint8_t> Encode(const DemoPicture& kPicture, bool bRunLength);
    static bool Write(const char* pcPath, const DemoPicture& kPicture, bool bRunLength);
};
