#pragma once
#include <utility>

namespace plat::gfx {

// Owning holder of one reference to a graphics object, for code that wants RAII rather than
// explicit AddRef/Release.
template <class T>
class Ref {
public:
    Ref() = default;
    // Takes over a reference the caller already owns.
    explicit Ref(T* p) : m_p(p) {}
    Ref(const Ref& o) : m_p(o.m_p) {
        if (m_p) m_p->AddRef();
    }
    Ref(Ref&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ~Ref() { Reset(); }
    Ref& operator=(Ref o) noexcept {
        std::swap(m_p, o.m_p);
        return *this;
    }
    // Adds a reference of its own.
    static Ref Share(T* p) {
        if (p) p->AddRef();
        return Ref(p);
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    void Reset() {
        if (m_p) std::exchange(m_p, nullptr)->Release();
    }
    // Address for an out parameter; drops what is held first.
    T** Put() {
        Reset();
        return &m_p;
    }
    T* Detach() { return std::exchange(m_p, nullptr); }

private:
    T* m_p = nullptr;
};

}  // namespace plat::gfx
