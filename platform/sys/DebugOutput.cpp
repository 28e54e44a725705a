#include "platform/sys/DebugOutput.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

namespace plat {
namespace {

struct SinkState {
    std::mutex mutex;
    DebugOutput::Sink sink;
};

SinkState& State() {
    static SinkState state;
    return state;
}

}  // namespace

void DebugOutput::Write(const char* text) {
    if (!text) return;
    SinkState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.sink) {
        state.sink(text);
    } else {
        std::fputs(text, stderr);
    }
}

void DebugOutput::Printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length >= 0) {
        std::string text(static_cast<size_t>(length) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, args);
        Write(text.c_str());
    }
    va_end(args);
}

DebugOutput::Sink DebugOutput::SetSink(Sink sink) {
    SinkState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    Sink previous = std::move(state.sink);
    state.sink = std::move(sink);
    return previous;
}

}  // namespace plat
