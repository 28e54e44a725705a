#pragma once
#include <functional>

namespace plat {

// Stands in for the debugger output window: diagnostics never stop the program, they go to a
// sink that is stderr by default and that tests replace to read what was said.
class DebugOutput {
public:
    using Sink = std::function<void(const char* text)>;

    static void Write(const char* text);
    static void Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
    // Returns the sink that was installed; an empty sink restores stderr.
    static Sink SetSink(Sink sink);
};

}  // namespace plat
