#pragma once
#include <cstdint>
#include <vector>

#include "tools/demodata/DemoPicture.h"

// Writes Targa files the engine's reader takes: grey pictures as 8-bit grey images, colour
// ones as 24-bit or (with alpha) 32-bit true-colour images, top row first, uncompressed or
// run-length encoded. Run-length packets never cross a row end, which every reader accepts.
class TargaWriter {
public:
    // The file's bytes; empty for a picture that is not valid.
    static std::vector<uint8_t> Encode(const DemoPicture& kPicture, bool bRunLength);
    static bool Write(const char* pcPath, const DemoPicture& kPicture, bool bRunLength);
};
