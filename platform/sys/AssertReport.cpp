#include "platform/sys/AssertReport.h"

#include <atomic>
#include <mutex>

#include "platform/sys/DebugOutput.h"

namespace plat {
namespace {

struct HookState {
    std::mutex mutex;
    AssertReport::Hook hook;
    std::atomic<unsigned> count{0};
};

HookState& State() {
    static HookState state;
    return state;
}

}  // namespace

void AssertReport::Report(const char* condition, const char* file, int line) {
    HookState& state = State();
    state.count.fetch_add(1, std::memory_order_relaxed);
    Hook hook;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        hook = state.hook;
    }
    if (hook) {
        hook(condition ? condition : "", file ? file : "", line);
        return;
    }
    DebugOutput::Printf("Assertion failed: %s, file %s, line %d\n", condition ? condition : "",
                        file ? file : "", line);
}

AssertReport::Hook AssertReport::SetHook(Hook hook) {
    HookState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    Hook previous = std::move(state.hook);
    state.hook = std::move(hook);
    return previous;
}

unsigned AssertReport::Count() { return State().count.load(std::memory_order_relaxed); }

}  // namespace plat
