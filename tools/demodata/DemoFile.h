#pragma once
#include <cstdint>
#include <vector>

// Whole-file writes of the generator: the bytes go to a temporary file beside the target,
// which is renamed over the old file only once everything was written.
class DemoFile {
public:
    static bool WriteAll(const char* pcPath, const std::vector<uint8_t>& kBytes);
};
