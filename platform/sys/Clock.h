#pragma once
#include <cstdint>

namespace plat {

// A source of time that tests can replace to make timing-dependent code deterministic.
class ClockSource {
public:
    virtual ~ClockSource() = default;
    virtual int64_t PerformanceCounter() = 0;
    virtual int64_t PerformanceFrequency() = 0;
    virtual uint32_t Milliseconds() = 0;
};

// A clock that only moves when told to.
class ManualClock : public ClockSource {
public:
    int64_t PerformanceCounter() override { return m_counter; }
    int64_t PerformanceFrequency() override { return m_frequency; }
    uint32_t Milliseconds() override { return static_cast<uint32_t>(m_counter * 1000 / m_frequency); }
    void AdvanceMilliseconds(int64_t ms) { m_counter += ms * m_frequency / 1000; }
    void SetCounter(int64_t counter) { m_counter = counter; }

private:
    int64_t m_counter = 0;
    int64_t m_frequency = 1000000;
};

// High-resolution counter and millisecond clock (the performance counter and tick count).
class Clock {
public:
    static int64_t PerformanceCounter();
    static int64_t PerformanceFrequency();
    // Milliseconds since an arbitrary start, wrapping at 32 bits like the tick count.
    static uint32_t Milliseconds();
    // Installs a source (not owned); null restores the steady system clock.
    static void SetSource(ClockSource* source);
};

}  // namespace plat
