#include "platform/gfx/CallLog.h"

namespace plat::gfx {

void CallLog::Add(std::string line) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.push_back(std::move(line));
}

std::vector<std::string> CallLog::Lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

size_t CallLog::Count(const std::string& text) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t n = 0;
    for (const auto& l : m_lines)
        if (l.find(text) != std::string::npos) ++n;
    return n;
}

long CallLog::Find(const std::string& text, size_t from) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (size_t i = from; i < m_lines.size(); ++i)
        if (m_lines[i].find(text) != std::string::npos) return static_cast<long>(i);
    return -1;
}

void CallLog::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
}

}  // namespace plat::gfx
