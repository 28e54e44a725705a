#pragma once
#include <cstddef>
#include <string>

namespace plat {

struct PathParts {
    std::string drive;  // "C:" or empty
    std::string dir;    // keeps its trailing separator
    std::string fname;
    std::string ext;    // keeps its leading dot
};

// Splits and joins paths the way the Windows runtime does, so data paths written with
// backslashes and drive letters keep their meaning. Joining checks the room it is given.
class PathSplitter {
public:
    static void Split(const char* path, PathParts& parts);
    // Writes drive, dir, fname and ext into out; false (and an empty text) when the result
    // with its terminator does not fit cap bytes.
    static bool Make(char* out, size_t cap, const char* drive, const char* dir, const char* fname,
                     const char* ext);
    static std::string Make(const PathParts& parts);
};

}  // namespace plat
