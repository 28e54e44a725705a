#pragma once
#include <string>

#include "platform/sys/DebugOutput.h"

// Captures everything written to the debug output while it lives.
class DebugCapture {
public:
    DebugCapture() {
        m_previous = plat::DebugOutput::SetSink([this](const char* text) { m_text += text; });
    }
    ~DebugCapture() { plat::DebugOutput::SetSink(std::move(m_previous)); }
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    const std::string& Text() const { return m_text; }
    void Clear() { m_text.clear(); }

private:
    std::string m_text;
    plat::DebugOutput::Sink m_previous;
};
