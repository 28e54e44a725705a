#pragma once
#include <string>
#include <vector>

#include "platform/sys/AssertReport.h"

// Records assertion reports while it lives instead of printing them.
class AssertCapture {
public:
    AssertCapture() {
        m_previous = plat::AssertReport::SetHook(
            [this](const char* condition, const char*, int) { m_conditions.emplace_back(condition); });
    }
    ~AssertCapture() { plat::AssertReport::SetHook(std::move(m_previous)); }
    AssertCapture(const AssertCapture&) = delete;
    AssertCapture& operator=(const AssertCapture&) = delete;

    size_t Count() const { return m_conditions.size(); }
    const std::vector<std::string>& Conditions() const { return m_conditions; }
    bool Saw(const std::string& condition) const {
        for (const std::string& c : m_conditions)
            if (c == condition) return true;
        return false;
    }

private:
    std::vector<std::string> m_conditions;
    plat::AssertReport::Hook m_previous;
};
