#pragma once
#include <string>

// A fresh directory under the system's temporary directory, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    // Writes bytes to a file in the directory and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;
    static std::string Read(const std::string& path);

private:
    std::string m_path;
};
