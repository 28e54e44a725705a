#pragma once
#include <atomic>
#include <cstdint>

namespace plat::gfx {

// Base of every graphics object. Objects are shared by counted references: whoever receives
// one from a Create or Get call owns one reference and gives it back with Release. Release
// answers the references that remain, which callers check for leaks.
class RefCounted {
public:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    uint32_t AddRef() { return m_refs.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32_t Release() {
        uint32_t left = m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }
    uint32_t RefCount() const { return m_refs.load(std::memory_order_relaxed); }

protected:
    RefCounted() = default;
    virtual ~RefCounted() = default;

private:
    std::atomic<uint32_t> m_refs{1};
};

}  // namespace plat::gfx
