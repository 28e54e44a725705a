#include "platform/sys/PathSplitter.h"

#include <cstring>

namespace plat {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string Join(const char* drive, const char* dir, const char* fname, const char* ext) {
    std::string path;
    if (drive && *drive) {
        path += drive[0];
        path += ':';
    }
    if (dir && *dir) {
        path += dir;
        if (!IsSeparator(path.back())) path += '\\';
    }
    if (fname) path += fname;
    if (ext && *ext) {
        if (*ext != '.') path += '.';
        path += ext;
    }
    return path;
}

}  // namespace

void PathSplitter::Split(const char* path, PathParts& parts) {
    parts = PathParts{};
    if (!path) return;
    std::string rest(path);
    if (rest.size() >= 2 && rest[1] == ':') {
        parts.drive = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    size_t lastSeparator = std::string::npos;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (IsSeparator(rest[i])) lastSeparator = i;
    }
    if (lastSeparator != std::string::npos) {
        parts.dir = rest.substr(0, lastSeparator + 1);
        rest.erase(0, lastSeparator + 1);
    }
    size_t dot = rest.rfind('.');
    if (dot != std::string::npos) {
        parts.ext = rest.substr(dot);
        rest.erase(dot);
    }
    parts.fname = rest;
}

bool PathSplitter::Make(char* out, size_t cap, const char* drive, const char* dir,
                        const char* fname, const char* ext) {
    if (!out || cap == 0) return false;
    std::string path = Join(drive, dir, fname, ext);
    if (path.size() + 1 > cap) {
        out[0] = '\0';
        return false;
    }
    std::memcpy(out, path.c_str(), path.size() + 1);
    return true;
}

std::string PathSplitter::Make(const PathParts& parts) {
    return Join(parts.drive.c_str(), parts.dir.c_str(), parts.fname.c_str(), parts.ext.c_str());
}

}  // namespace plat
