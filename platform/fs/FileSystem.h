#pragma once
#include <cstdio>
#include <string>

namespace plat {

// Data paths in the system's texts are Windows paths: backslashes and any mix of case. Here
// each part of such a path is matched against the directory without regard to case, so the
// data set works on a case-sensitive file system.
class FileSystem {
public:
    // The path as it exists on disk; parts that do not exist (a file about to be written) keep
    // the spelling they were given.
    static std::string Resolve(const char* path);
    // fopen with the runtime's contract (null on failure) on the resolved path.
    static FILE* Open(const char* path, const char* mode);
    static bool Exists(const char* path);
};

}  // namespace plat
