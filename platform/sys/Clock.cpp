#include "platform/sys/Clock.h"

#include <atomic>
#include <chrono>

namespace plat {
namespace {

std::atomic<ClockSource*>& Source() {
    static std::atomic<ClockSource*> source{nullptr};
    return source;
}

int64_t SteadyNanoseconds() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int64_t Clock::PerformanceCounter() {
    if (ClockSource* s = Source().load()) return s->PerformanceCounter();
    return SteadyNanoseconds();
}

int64_t Clock::PerformanceFrequency() {
    if (ClockSource* s = Source().load()) return s->PerformanceFrequency();
    return 1000000000;
}

uint32_t Clock::Milliseconds() {
    if (ClockSource* s = Source().load()) return s->Milliseconds();
    return static_cast<uint32_t>(SteadyNanoseconds() / 1000000);
}

void Clock::SetSource(ClockSource* source) { Source().store(source); }

}  // namespace plat
