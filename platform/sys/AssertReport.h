#pragma once
#include <functional>

namespace plat {

// The runtime's assertion report: it names the condition, source and line, and then the program
// carries on. The engine's guards rely on that: after a report the operation does nothing.
class AssertReport {
public:
    using Hook = std::function<void(const char* condition, const char* file, int line)>;

    static void Report(const char* condition, const char* file, int line);
    // Returns the hook that was installed; an empty hook restores the default (debug output).
    static Hook SetHook(Hook hook);
    // Reports made since start-up.
    static unsigned Count();

    static bool Check(bool value, const char* condition, const char* file, int line) {
        if (!value) Report(condition, file, line);
        return value;
    }
};

}  // namespace plat

// Evaluates to the truth of the condition and reports it when false.
#define PLAT_VERIFY(cond) (::plat::AssertReport::Check(static_cast<bool>(cond), #cond, __FILE__, __LINE__))
