#include "game/app/GlobalAllocation.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {
constexpr size_t PAGE_TOUCH_STEP = 2048;

// Like malloc under the runtime's new mode 1: a failed allocation calls the new handler and
// tries again. With no handler left, there is nothing sensible to carry on with: callers of
// operator new may assume it never returns null.
void* AllocateOrDie(size_t uiSize) {
    for (;;) {
        void* pv = std::malloc(uiSize);
        if (!pv && uiSize == 0) pv = std::malloc(1);
        if (pv) return pv;
        std::new_handler pfnHandler = std::get_new_handler();
        if (!pfnHandler) {
            std::fprintf(stderr, "Out of memory: cannot allocate %zu bytes.\n", uiSize);
            std::abort();
        }
        pfnHandler();
    }
}

void* AllocateAndCommit(size_t uiSize) {
    void* pv = AllocateOrDie(uiSize);
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

void* operator new(size_t uiSize) {
    return AllocateAndCommit(uiSize);
}

void* operator new[](size_t uiSize) {
    return AllocateAndCommit(uiSize);
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
