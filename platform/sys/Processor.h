#pragma once
#include <cstdint>

namespace plat {

// The processor identification instruction. On a processor or compiler without it the query
// answers false and the caller falls back to its plain routines.
class Processor {
public:
    // regs receives eax, ebx, ecx, edx of the given leaf (sub-leaf 0).
    static bool Cpuid(uint32_t leaf, uint32_t regs[4]);
};

}  // namespace plat
