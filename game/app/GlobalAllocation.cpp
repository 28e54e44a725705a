#include "game/app/GlobalAllocation.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {
constexpr size_t PAGE_TOUCH_STEP = 2048;

// Like malloc under the runtime's new mode 1: a failed allocation calls the new handler and
// tries again. With no handler left, there is nothing sensible to carry on with: callers of
// operator new may assume it never returns null. An alignment above the default one takes the
// aligned allocator (whose blocks free() releases as well).
void* AllocateOrDie(size_t uiSize, size_t uiAlignment) {
    for (;;) {
        size_t uiAsk = uiSize > 0 ? uiSize : 1;
        void* pv = nullptr;
        if (uiAlignment <= __STDCPP_DEFAULT_NEW_ALIGNMENT__) {
            pv = std::malloc(uiSize);
            if (!pv && uiSize == 0) pv = std::malloc(1);
        } else if (uiAsk <= SIZE_MAX - uiAlignment) {
            pv = std::aligned_alloc(uiAlignment,
                                    (uiAsk + uiAlignment - 1) / uiAlignment * uiAlignment);
        }
        if (pv) return pv;
        std::new_handler pfnHandler = std::get_new_handler();
        if (!pfnHandler) {
            std::fprintf(stderr, "Out of memory: cannot allocate %zu bytes.\n", uiSize);
            std::abort();
        }
        pfnHandler();
    }
}

void* AllocateAndCommit(size_t uiSize, size_t uiAlignment = 0) {
    void* pv = AllocateOrDie(uiSize, uiAlignment);
    if (uiSize == 0) return pv;
    volatile unsigned char* pucBlock = static_cast<unsigned char*>(pv);
    for (size_t uiPos = uiSize - 1; uiPos > 0;) {
        pucBlock[uiPos] = 'W';
        if (uiPos < PAGE_TOUCH_STEP) break;
        uiPos -= PAGE_TOUCH_STEP;
    }
    pucBlock[0] = 'K';
    return pv;
}
}  // namespace

// Every form is replaced, so that no block can come from one allocator and go back to another
// (the sanitizers' runtime supplies any form left out).
void* operator new(size_t uiSize) {
    return AllocateAndCommit(uiSize);
}
void* operator new[](size_t uiSize) {
    return AllocateAndCommit(uiSize);
}
void* operator new(size_t uiSize, const std::nothrow_t&) noexcept {
    return AllocateAndCommit(uiSize);
}
void* operator new[](size_t uiSize, const std::nothrow_t&) noexcept {
    return AllocateAndCommit(uiSize);
}
void* operator new(size_t uiSize, std::align_val_t eAlign) {
    return AllocateAndCommit(uiSize, size_t(eAlign));
}
void* operator new[](size_t uiSize, std::align_val_t eAlign) {
    return AllocateAndCommit(uiSize, size_t(eAlign));
}
void* operator new(size_t uiSize, std::align_val_t eAlign, const std::nothrow_t&) noexcept {
    return AllocateAndCommit(uiSize, size_t(eAlign));
}
void* operator new[](size_t uiSize, std::align_val_t eAlign, const std::nothrow_t&) noexcept {
    return AllocateAndCommit(uiSize, size_t(eAlign));
}

void operator delete(void* pv) noexcept {
    std::free(pv);
}
void operator delete[](void* pv) noexcept {
    std::free(pv);
}
void operator delete(void* pv, size_t) noexcept {
    std::free(pv);
}
void operator delete[](void* pv, size_t) noexcept {
    std::free(pv);
}
void operator delete(void* pv, const std::nothrow_t&) noexcept {
    std::free(pv);
}
void operator delete[](void* pv, const std::nothrow_t&) noexcept {
    std::free(pv);
}
void operator delete(void* pv, std::align_val_t) noexcept {
    std::free(pv);
}
void operator delete[](void* pv, std::align_val_t) noexcept {
    std::free(pv);
}
void operator delete(void* pv, size_t, std::align_val_t) noexcept {
    std::free(pv);
}
void operator delete[](void* pv, size_t, std::align_val_t) noexcept {
    std::free(pv);
}
void operator delete(void* pv, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(pv);
}
void operator delete[](void* pv, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(pv);
}

void TouchMemory(const void* pvBlock, size_t uiLength) {
    if (!pvBlock || uiLength == 0) return;
    const volatile unsigned char* pucBlock = static_cast<const unsigned char*>(pvBlock);
    (void)pucBlock[0];
    for (size_t uiPos = uiLength - 1; uiPos > 0;) {
        (void)pucBlock[uiPos];
        if (uiPos < PAGE_TOUCH_STEP) break;
        uiPos -= PAGE_TOUCH_STEP;
    }
}
