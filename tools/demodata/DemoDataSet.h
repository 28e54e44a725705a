#pragma once
#include <string>
#include <vector>

// The whole demo data set, written under a data directory in the install layout: scene files
// and the pictures they name under "enfFiles/". Writing it again gives the same bytes.
class DemoDataSet {
public:
    static constexpr const char* SCENE_DIRECTORY = "enfFiles";

    // Writes every file; false (with the reason in GetError) at the first that fails.
    bool Write(const std::string& kDataDirectory);

    // Paths of the files written, relative to the data directory, with '/' separators.
    const std::vector<std::string>& GetWrittenFiles() const { return m_kWritten; }
    const std::string& GetError() const { return m_kError; }

private:
    bool Fail(const std::string& kWhat);

    std::vector<std::string> m_kWritten;
    std::string m_kError;
};
