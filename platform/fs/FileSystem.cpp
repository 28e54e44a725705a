#include "platform/fs/FileSystem.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/sys/StringCompare.h"

namespace plat {
namespace {

bool PathExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

// Looks for name in directory dir, first exactly, then ignoring case. Empty when absent.
std::string FindEntry(const std::string& dir, const std::string& name) {
    std::string exact = dir.empty() ? name : (dir == "/" ? "/" + name : dir + "/" + name);
    if (PathExists(exact)) return name;
    DIR* handle = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!handle) return {};
    std::string found;
    while (dirent* entry = ::readdir(handle)) {
        if (StrICmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(handle);
    return found;
}

}  // namespace

std::string FileSystem::Resolve(const char* path) {
    if (!path) return {};
    std::string text(path);
    for (char& c : text) {
        if (c == '\\') c = '/';
    }
    if (text.empty() || PathExists(text)) return text;

    std::string resolved;
    size_t pos = 0;
    if (text[0] == '/') {
        resolved = "/";
        pos = 1;
    }
    bool missing = false;
    while (pos <= text.size()) {
        size_t next = text.find('/', pos);
        if (next == std::string::npos) next = text.size();
        std::string part = text.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty()) continue;
        std::string actual = part;
        if (!missing && part != "." && part != "..") {
            std::string found = FindEntry(resolved == "/" ? "/" : resolved, part);
            if (found.empty()) {
                missing = true;
            } else {
                actual = found;
            }
        }
        if (!resolved.empty() && resolved.back() != '/') resolved += '/';
        resolved += actual;
    }
    return resolved;
}

FILE* FileSystem::Open(const char* path, const char* mode) {
    if (!path || !mode) return nullptr;
    std::string resolved = Resolve(path);
    return std::fopen(resolved.c_str(), mode);
}

bool FileSystem::Exists(const char* path) {
    if (!path) return false;
    return ::access(Resolve(path).c_str(), F_OK) == 0;
}

}  // namespace plat
