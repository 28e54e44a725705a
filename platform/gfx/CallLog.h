#pragma once
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace plat::gfx {

// The recording of a back end: one line per call, "Object::Call(arguments) -> Result".
// Thread-safe; recording can be switched off.
class CallLog {
public:
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool on) { m_enabled = on; }

    void Add(std::string line);
    std::vector<std::string> Lines() const;
    // Lines that contain text.
    size_t Count(const std::string& text) const;
    // Index of the first line at or after from that contains text, or -1.
    long Find(const std::string& text, size_t from = 0) const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    bool m_enabled = true;
};

}  // namespace plat::gfx
